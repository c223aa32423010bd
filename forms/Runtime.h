// The runtime services the program's windows rely on, by concern.
#pragma once

#include "forms/App.h"
#include "forms/Errors.h"
#include "forms/Files.h"
#include "forms/Hooks.h"
#include "forms/MessageLoop.h"
#include "forms/MsgBox.h"
