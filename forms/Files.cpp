#include "forms/Files.h"

#include <algorithm>
#include <utility>

#include "forms/Errors.h"
#include "forms/Handles.h"
#include "forms/Hooks.h"

namespace forms {

void End() {
    if (Hooks().end) {
        Hooks().end();
        throw EndRequested{};
    }
    ::ExitProcess(0);
}

std::uint32_t Shell(const std::string& commandLine, int windowStyle) {
    if (Hooks().shell) return Hooks().shell(commandLine, windowStyle);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION pi{};
    std::string mutableLine = commandLine;  // CreateProcessA may write into it
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi)) {
        Raise(kErrFileNotFound);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return pi.dwProcessId;
}

void SetAttr(const std::string& path, DWORD attributes) {
    // The runtime's "normal" is 0; the system spells it FILE_ATTRIBUTE_NORMAL.
    const DWORD value = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (!::SetFileAttributesA(path.c_str(), value)) RaiseForWin32Error(::GetLastError());
}

void SetAttr(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO info{};  // times of 0 stay as they are
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (!::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info)) {
        RaiseForWin32Error(::GetLastError());
    }
}

std::string Dir(const std::string& pathName, DWORD attributes) {
    constexpr DWORD kSpecial = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_DIRECTORY;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(pathName.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string name;
    do {
        const std::string entry = found.cFileName;
        if (entry == "." || entry == "..") continue;
        if ((found.dwFileAttributes & kSpecial & ~attributes) == 0) {
            name = entry;
            break;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return name;
}

OpenedName OpenName(const std::string& path) {
    OpenedName opened;
    // Reading attributes takes part in no sharing, so a file that another program holds
    // open is opened too; backup semantics open a folder as well.
    HANDLE file = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        opened.error = ::GetLastError();
        if (opened.error == ERROR_SUCCESS) opened.error = ERROR_GEN_FAILURE;
        return opened;
    }
    OwnedHandle owned(file);
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring finalPath(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file, finalPath.data(),
                                               static_cast<DWORD>(finalPath.size()), 0);
    if (length >= finalPath.size()) {  // too small: the length asked for, NUL included
        finalPath.resize(length);
        length = ::GetFinalPathNameByHandleW(file, finalPath.data(),
                                             static_cast<DWORD>(finalPath.size()), 0);
    }
    if (length == 0 || length >= finalPath.size() || !::GetFileInformationByHandle(file, &info)) {
        opened.error = ::GetLastError();
        if (opened.error == ERROR_SUCCESS) opened.error = ERROR_GEN_FAILURE;
        return opened;
    }
    finalPath.resize(length);
    opened.finalPath = std::move(finalPath);
    opened.links = info.nNumberOfLinks;
    opened.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return opened;
}

bool SameFinalPath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::string ShownFinalPath(const std::wstring& finalPath) {
    std::wstring path = finalPath;
    if (path.rfind(LR"(\\?\UNC\)", 0) == 0) {
        path = LR"(\\)" + path.substr(8);
    } else if (path.rfind(LR"(\\?\)", 0) == 0) {
        path = path.substr(4);
    }
    const int size = ::WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string shown(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), shown.data(),
                          size, nullptr, nullptr);
    return shown;
}

void Kill(const std::string& path) {
    const DWORD current = ::GetFileAttributesA(path.c_str());
    if (current == INVALID_FILE_ATTRIBUTES || (current & FILE_ATTRIBUTE_DIRECTORY)) {
        Raise(kErrFileNotFound);
    }
    // Checked here: run as root, Wine would delete a read-only file all the same.
    if (current & FILE_ATTRIBUTE_READONLY) Raise(kErrPathFileAccess);
    if (!::DeleteFileA(path.c_str())) RaiseForWin32Error(::GetLastError());
}

void PutBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) RaiseForWin32Error(::GetLastError());
    OwnedHandle owned(file);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            RaiseForWin32Error(::GetLastError());
        }
        done += written;
    }
}

}  // namespace forms
