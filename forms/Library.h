// Functions of system libraries looked up when first needed, so that a library the
// program seldom uses is not loaded into every start of it.
#pragma once

#include <windows.h>

namespace forms {

// The function `name` of `library` as a Function pointer; null when either cannot be had.
// The library stays loaded for the rest of the program.
template <class Function>
Function LibraryFunction(const char* library, const char* name) noexcept {
    HMODULE module = ::LoadLibraryA(library);
    if (!module) return nullptr;
    // Through a plain function pointer: FARPROC and Function differ in their arguments.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace forms
