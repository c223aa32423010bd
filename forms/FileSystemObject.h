// The file-system object: file tests, deleting and copying files. Failures raise runtime
// errors, which callers skip or let through as they choose.
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
    void CopyFile(const std::string& source, const std::string& destination,
                  bool overwrite = true) const;
};

}  // namespace forms
