// For behaviour that ends the process, as the runtime's error box does: a test runs one
// disabled test of its own program in a child process, and the child writes each box's
// text to a file that the test reads back once the child has ended.
#pragma once

#include <windows.h>

#include <string>

#include "forms/Hooks.h"

namespace boxchild {

inline constexpr char kFileVariable[] = "BOX_CHILD_FILE";

// In the child: appends text to the file that the test named.
inline void Note(const std::string& text) {
    char path[MAX_PATH] = {};
    if (::GetEnvironmentVariableA(kFileVariable, path, sizeof path) == 0) return;
    HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// In the child: every error box is noted as "box: <text>" and a line end.
inline void NoteBoxes() {
    forms::Hooks().unhandledError = [](const std::string& text) { Note("box: " + text + "\n"); };
}

struct Outcome {
    DWORD exitCode = 0;
    std::string notes;  // what the child noted
};

// Runs this program's tests that filter names (disabled ones included) in a child process
// and waits for it, 30 s at most; a child still running then fails with exit code 259.
inline Outcome RunChild(const std::string& filter) {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(sizeof folder, folder);
    char file[MAX_PATH] = {};
    ::GetTempFileNameA(folder, "box", 0, file);
    ::SetEnvironmentVariableA(kFileVariable, file);

    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Outcome outcome;
    outcome.exitCode = STILL_ACTIVE;
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(pi.hProcess, &outcome.exitCode);
        } else {
            ::TerminateProcess(pi.hProcess, STILL_ACTIVE);
        }
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::SetEnvironmentVariableA(kFileVariable, nullptr);

    HANDLE in = ::CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) outcome.notes.append(buffer, got);
        ::CloseHandle(in);
    }
    ::DeleteFileA(file);
    return outcome;
}

}  // namespace boxchild
