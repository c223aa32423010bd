// Message boxes.
#pragma once

#include <windows.h>

#include <string>

namespace forms {

// Message box styles and answers used by the program.
inline constexpr UINT kMsgOkOnly = MB_OK;
inline constexpr UINT kMsgYesNo = MB_YESNO;
inline constexpr UINT kMsgInformation = MB_ICONINFORMATION;
inline constexpr int kAnswerYes = IDYES;

// Shows a message box titled with the application's title; owned by the active window.
int MsgBox(const std::string& text, UINT style = kMsgOkOnly);
// The same with a title of its own.
int MsgBox(const std::string& text, UINT style, const std::string& title);

}  // namespace forms
