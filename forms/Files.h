// Processes and files: ending this process, starting a program, file attributes, folder
// listing, deleting and writing files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace forms {

// Ends the process at once: no window is unloaded, nothing is cleaned up.
[[noreturn]] void End();

// Starts a program from a command line; the window style is the show command (1 normal
// with the focus). Returns the new process's identifier; raises "File not found" when the
// program cannot be started.
std::uint32_t Shell(const std::string& commandLine, int windowStyle);

// Sets a file's attributes; raises an error when the file cannot be found or changed.
void SetAttr(const std::string& path, DWORD attributes);
// The same for the file that a handle is open on (with the right to write attributes):
// the file that was opened, whatever its name leads to by now.
void SetAttr(HANDLE file, DWORD attributes);

// The name, without its folder, of the first entry that matches pathName (wildcards
// allowed) and the attribute mask, or empty text when none does. Plain, read-only and
// archive files always match; a hidden (2), system (4) or folder (16) entry only when the
// mask has every one of those bits that the entry carries.
std::string Dir(const std::string& pathName, DWORD attributes);

// Deletes one file; "File not found" when there is none of that name, "Path/File access
// error" when it is read-only.
void Kill(const std::string& path);

// Plain byte access: opens the file (creating it when absent), writes bytes from its
// start and closes it. Bytes of an existing file beyond the written ones stay.
void PutBytes(const std::string& path, const std::string& bytes);

}  // namespace forms
