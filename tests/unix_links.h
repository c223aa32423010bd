// Real Unix links in the Wine prefix, made and read by the Unix side's own tools: a game
// folder under Wine can hold them, and Wine's CreateSymbolicLink answers success and makes
// nothing. The tests run under Wine, which starts a Unix program from a Windows path.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/MovieLead.h"

namespace unixlinks {

inline constexpr char kShell[] = "Z:\\bin\\sh";

// The Unix path of a Windows path whose folder exists; empty outside Wine.
inline std::string UnixPath(const std::string& windowsPath) {
    using UnixFileName = char*(CDECL*)(const WCHAR*);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return {};
    char* path = unixFileName(MovieLead::Widen(windowsPath).c_str());
    if (!path) return {};
    std::string unixPath = path;
    ::HeapFree(::GetProcessHeap(), 0, path);
    return unixPath;
}

// One word for the shell, whatever it holds.
inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs shell commands and waits for them to end: Wine hands back no process for a Unix
// program (nor fills in the process information), so the script's last command leaves a
// mark that is waited for. What the commands print to standard output comes back.
inline testing::AssertionResult RunShell(const std::string& commands, std::string* output = nullptr) {
    static unsigned counter = 0;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "unix-links-" +
                             std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    const std::string script = base + ".sh", out = base + ".out", done = base + ".done";
    const std::string unixBase = UnixPath(base);
    if (unixBase.empty()) return testing::AssertionFailure() << "no Unix path for " << base;
    {
        std::ofstream file(script, std::ios::binary);
        file << "(" << commands << ") >" << Quoted(unixBase + ".out") << " 2>&1\n"
             << "echo $? >" << Quoted(unixBase + ".done") << "\n";
    }
    std::string commandLine = "sh \"" + unixBase + ".sh\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION ignored{};
    if (!::CreateProcessA(kShell, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &ignored)) {
        ::DeleteFileA(script.c_str());
        return testing::AssertionFailure() << "could not start " << kShell << ": error " << ::GetLastError();
    }
    std::string status;
    for (int waited = 0; waited < 30000; waited += 10) {
        std::ifstream mark(done, std::ios::binary);
        if (mark && std::getline(mark, status)) break;
        ::Sleep(10);
    }
    std::ostringstream printed;
    printed << std::ifstream(out, std::ios::binary).rdbuf();
    for (const std::string& file : {script, out, done}) ::DeleteFileA(file.c_str());
    if (output) *output = printed.str();
    if (status != "0") {
        return testing::AssertionFailure() << "\"" << commands << "\" "
                                           << (status.empty() ? "did not end" : "ended with " + status)
                                           << ": " << printed.str();
    }
    return testing::AssertionSuccess();
}

// Where a link points as it stands (`readlink`), or empty when the name is no link.
inline std::string LinkTarget(const std::string& link) {
    std::string target;
    const std::string path = Quoted(UnixPath(link));
    if (!RunShell("if [ -L " + path + " ]; then readlink -- " + path + "; fi", &target)) return "<error>";
    if (!target.empty() && target.back() == '\n') target.pop_back();
    return target;
}

// Links made for a test and removed (the links, never what they lead to) when it goes:
// removing them from this side would remove the files that they lead to instead.
class Links {
public:
    Links() = default;
    ~Links() {
        for (const std::string& link : made_) {
            const std::string path = Quoted(UnixPath(link));
            RunShell("if [ -L " + path + " ] || [ -f " + path + " ]; then rm -f -- " + path + "; fi");
        }
    }
    Links(const Links&) = delete;
    Links& operator=(const Links&) = delete;

    // A symbolic link at `link` (a Windows path) to `unixTarget` as it is written (a Unix
    // path, or one relative to the link's folder).
    testing::AssertionResult Symbolic(const std::string& unixTarget, const std::string& link) {
        return Make("ln -s -- " + Quoted(unixTarget) + " ", link);
    }
    // A second name (a hard link) at `link` for the file `target` (Windows paths both).
    testing::AssertionResult Hard(const std::string& target, const std::string& link) {
        return Make("ln -- " + Quoted(UnixPath(target)) + " ", link);
    }

private:
    testing::AssertionResult Make(const std::string& command, const std::string& link) {
        const std::string folder = link.substr(0, link.find_last_of('\\'));
        const std::string unixFolder = UnixPath(folder);
        if (unixFolder.empty()) return testing::AssertionFailure() << "no Unix path for " << folder;
        auto made = RunShell(command + Quoted(unixFolder + "/" + link.substr(folder.size() + 1)));
        if (made) made_.push_back(link);
        return made;
    }

    std::vector<std::string> made_;
};

}  // namespace unixlinks
