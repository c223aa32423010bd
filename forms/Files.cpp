#include "forms/Files.h"

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
