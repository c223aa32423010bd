// The application object and the screen.
#pragma once

#include <windows.h>

#include <string>

#include "forms/Errors.h"

namespace forms {

// The screen, as the runtime's Screen object gives it.
namespace Screen {
double Width();   // twips
double Height();  // twips
inline int TwipsPerPixelX() { return forms::TwipsPerPixelX(); }
inline int TwipsPerPixelY() { return forms::TwipsPerPixelY(); }
}  // namespace Screen

// The application object.
namespace App {
HINSTANCE Instance();
// The program's folder, without a trailing backslash unless it is a drive's root.
std::string Path();
const std::string& Title();
void SetTitle(std::string title);
}  // namespace App

}  // namespace forms
