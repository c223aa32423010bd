#include "forms/FileSystemObject.h"

#include <windows.h>

#include "forms/Runtime.h"

namespace forms {


bool FileSystemObject::FileExists(const std::string& path) const {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void FileSystemObject::DeleteFile(const std::string& path, bool force) const {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Raise(kErrFileNotFound);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (!force) Raise(kErrPermissionDenied);
        ::SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!::DeleteFileA(path.c_str())) RaiseForWin32Error(::GetLastError());
}

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination,
                                bool overwrite) const {
    if (!FileExists(source)) Raise(kErrFileNotFound);
    // A read-only target is never overwritten. The system refuses it too, but not where
    // file permissions don't bind (Wine run as root writes over it).
    const DWORD target = ::GetFileAttributesA(destination.c_str());
    if (overwrite && target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY)) {
        Raise(kErrPermissionDenied);
    }
    if (!::CopyFileA(source.c_str(), destination.c_str(), overwrite ? FALSE : TRUE)) {
        RaiseForWin32Error(::GetLastError());
    }
}

}  // namespace forms
