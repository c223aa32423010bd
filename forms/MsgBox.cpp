#include "forms/MsgBox.h"

#include "forms/App.h"
#include "forms/Hooks.h"

namespace forms {

int MsgBox(const std::string& text, UINT style) { return MsgBox(text, style, App::Title()); }

int MsgBox(const std::string& text, UINT style, const std::string& title) {
    if (Hooks().messageBoxTitled) return Hooks().messageBoxTitled(text, style, title);
    if (Hooks().messageBox) return Hooks().messageBox(text, style);
    return ::MessageBoxA(::GetActiveWindow(), text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

}  // namespace forms
