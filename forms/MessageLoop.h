// The message pump: one way of handing messages on, for the message loop and its yield.
#pragma once

#include <windows.h>

namespace forms {

// Handles every message waiting in this thread's queue, then returns.
void DoEvents();

// Runs the message loop until the last form is gone or the process ends.
int RunMessageLoop();

// Hands one message on as both loops do: the host's keyboard routing, then the dialog
// keys (Tab, arrows), then translation and dispatch.
void PumpMessage(MSG& msg);
// The host's keyboard routing (access keys, Enter, Esc); true when the message was used.
bool RouteHostKeys(const MSG& msg);
// True for Enter and Esc that go to a hosted control as plain keys.
bool KeepFromDialogHandling(const MSG& msg);

}  // namespace forms
