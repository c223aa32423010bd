// The application object and the screen.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

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
// The bytes of one of the program's resources, for the program's life; a view with no
// data when there is no such resource.
std::string_view ResourceBytes(const char* name, const char* type);
// The program's folder, without a trailing backslash unless it is a drive's root.
std::string Path();
const std::string& Title();
void SetTitle(std::string title);
}  // namespace App

}  // namespace forms
