// The file-system object: file tests, deleting and copying files, by name or through a
// handle that is open on the file. Failures raise runtime errors, which callers skip or
// let through as they choose.
#pragma once

#include <windows.h>

#include <string>

// The object's own member names; this program calls the system's A functions by name.
#undef DeleteFile
#undef CopyFile

namespace forms {

class FileSystemObject {
public:
    bool FileExists(const std::string& path) const;
    // force: also delete a read-only file.
    void DeleteFile(const std::string& path, bool force = false) const;
    // The same for the file that a handle is open on (with the right to delete): it goes
    // once every handle on it is closed.
    void DeleteFile(HANDLE file, bool force = false) const;
    void CopyFile(const std::string& source, const std::string& destination,
                  bool overwrite = true) const;
    // Writes the source's bytes over the file that a handle is open on (with the right to
    // write), from its start, and cuts it to their length.
    void CopyFile(const std::string& source, HANDLE destination) const;
};

}  // namespace forms
