#include "forms/FileSystemObject.h"

#include <windows.h>

#include "forms/Runtime.h"

namespace forms {

namespace {

[[noreturn]] void RaiseFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: Raise(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: Raise(kErrPathNotFound);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: Raise(kErrFileExists);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: Raise(kErrPermissionDenied);
    default: Raise(kErrPathFileAccess);
    }
}

}  // namespace

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
    if (!::DeleteFileA(path.c_str())) RaiseFor(::GetLastError());
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
        RaiseFor(::GetLastError());
    }
}

}  // namespace forms
