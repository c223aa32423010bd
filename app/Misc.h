// Handing web addresses and mail links to the shell.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "forms/Form.h"

namespace Misc {

// Opens a web address with its associated program's default verb, from "C:\". The
// shell's answer is dropped.
void OpenURL(const std::string& address, forms::Form& window);

// Opens a target (a mail link, a file) with the "Open" verb from the program's folder;
// returns the shell's answer (above 32 means it took the request).
std::int32_t ShellOpen(const std::string& target, forms::Form& window);

// The shell call itself; tests put a recorder in its place.
using ShellExecuteCall = std::function<HINSTANCE(HWND window, const char* verb, const char* file,
                                                 const char* parameters, const char* folder,
                                                 int showCommand)>;
ShellExecuteCall& ShellExecuteFunction();

}  // namespace Misc
