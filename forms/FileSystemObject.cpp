#include "forms/FileSystemObject.h"

#include <windows.h>

#include <vector>

#include "forms/Handles.h"
#include "forms/Runtime.h"

namespace forms {

namespace {

BY_HANDLE_FILE_INFORMATION InfoOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) RaiseForWin32Error(::GetLastError());
    return info;
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
    if (!::DeleteFileA(path.c_str())) RaiseForWin32Error(::GetLastError());
}

void FileSystemObject::DeleteFile(HANDLE file, bool force) const {
    const DWORD attributes = InfoOf(file).dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) Raise(kErrFileNotFound);
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (!force) Raise(kErrPermissionDenied);
        SetAttr(file, attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
        RaiseForWin32Error(::GetLastError());
    }
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

void FileSystemObject::CopyFile(const std::string& source, HANDLE destination) const {
    if (!FileExists(source)) Raise(kErrFileNotFound);
    // As above: a read-only target is never written over.
    if (InfoOf(destination).dwFileAttributes & FILE_ATTRIBUTE_READONLY) Raise(kErrPermissionDenied);
    HANDLE from = ::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (from == INVALID_HANDLE_VALUE) RaiseForWin32Error(::GetLastError());
    OwnedHandle owned(from);
    if (::SetFilePointer(destination, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        RaiseForWin32Error(::GetLastError());
    }
    std::vector<char> chunk(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(from, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            RaiseForWin32Error(::GetLastError());
        }
        if (got == 0) break;
        for (DWORD done = 0; done < got;) {
            DWORD written = 0;
            if (!::WriteFile(destination, chunk.data() + done, got - done, &written, nullptr) ||
                written == 0) {
                RaiseForWin32Error(::GetLastError());
            }
            done += written;
        }
    }
    if (!::SetEndOfFile(destination)) RaiseForWin32Error(::GetLastError());
}

}  // namespace forms
