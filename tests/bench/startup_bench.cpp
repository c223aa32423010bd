// Start-up time of the program beside that of the least program showing the same shaped,
// faded window (startup_minimal): from just before the process is created until its
// window reports alpha 240, read from outside with GetLayeredWindowAttributes. They are
// started in turn, the order rotated every round, each process ended once measured. Each
// start waits until the previous process is gone, its windows with it, and then a settle
// pause: Wine tears an ended process down for a while after, and a start in the middle of
// that would measure the teardown, most of all for the program that asks the server most.
// Built with the tests, not run by them: run it by hand under the test display:
//   startup_bench.exe [rounds] [program.exe ...]
// Without programs it times the program built beside it; more than one (an older build,
// say) are timed side by side, each against the same minimal window.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program"
#endif
#ifndef STARTUP_MINIMAL_EXE
#error "STARTUP_MINIMAL_EXE must name the minimal window program"
#endif

namespace {

constexpr BYTE kShownAlpha = 240;
constexpr double kTimeoutSeconds = 30;
// After the previous process and its windows are gone. On one machine under Wine, a start
// 5 to 30 ms after the previous kill took 3 to 4 times as long as one 100 ms or more after.
constexpr DWORD kSettleMs = 300;

// The build gives Linux paths; Wine shows the Linux root as drive Z:.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Search {
    DWORD process;
    bool layeredOnly;
    HWND found;
};

// A top-level window of the process (a layered one, when asked).
BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->process) return TRUE;
    if (search->layeredOnly && !(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WindowOf(DWORD process, bool layeredOnly) {
    Search search{process, layeredOnly, nullptr};
    ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ends the process, waits until it and its top-level windows are gone, then lets Wine
// settle. False when it would not end.
bool EndAndSettle(const PROCESS_INFORMATION& process) {
    ::TerminateProcess(process.hProcess, 0);
    if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "process %lu did not end\n", process.dwProcessId);
        return false;
    }
    for (int i = 0; i < 1000 && WindowOf(process.dwProcessId, false); ++i) ::Sleep(5);
    ::Sleep(kSettleMs);
    return true;
}

bool ReportsShownAlpha(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return ::GetLayeredWindowAttributes(window, &key, &alpha, &flags) &&
           (flags & LWA_ALPHA) && alpha == kShownAlpha;
}

// Seconds from process creation to alpha 240; negative when that never came.
double TimeOne(const std::string& exe) {
    std::string commandLine = "\"" + exe + "\"";
    const std::string folder = FolderOf(exe);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = Seconds();
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), ::GetLastError());
        return -1;
    }
    double result = -1;
    HWND window = nullptr;
    for (;;) {
        const double now = Seconds();
        if (!window) window = WindowOf(process.dwProcessId, true);
        if (window && ReportsShownAlpha(window)) {
            result = now - start;
            break;
        }
        if (now - start > kTimeoutSeconds ||
            ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "%s never reported alpha %d\n", exe.c_str(), kShownAlpha);
            break;
        }
        // About a millisecond under Wine; a tighter poll would load the wineserver that
        // both programs depend on.
        ::Sleep(1);
    }
    if (!EndAndSettle(process)) result = -1;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return result;
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

struct Subject {
    std::string label;
    std::string exe;
    std::vector<double> times;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    std::vector<Subject> subjects;
    for (int i = 2; i < argc; ++i) {
        subjects.push_back({"program " + std::to_string(i - 1), argv[i], {}});
    }
    if (subjects.empty()) subjects.push_back({"program", WindowsPath(KORV3_EXE), {}});
    subjects.push_back({"minimal", WindowsPath(STARTUP_MINIMAL_EXE), {}});
    const std::size_t minimal = subjects.size() - 1;
    for (std::size_t i = 0; i < minimal; ++i) std::printf("%s: %s\n", subjects[i].label.c_str(), subjects[i].exe.c_str());
    std::printf("each start %lu ms after the previous process and its windows were gone\n",
                static_cast<unsigned long>(kSettleMs));

    // One start of each first, unmeasured: the first start of an image pays for reading it
    // from disk.
    for (const Subject& subject : subjects) {
        if (TimeOne(subject.exe) < 0) return 1;
    }

    for (int round = 0; round < rounds; ++round) {
        std::printf("round %2d ", round + 1);
        for (std::size_t k = 0; k < subjects.size(); ++k) {
            Subject& subject = subjects[(k + round) % subjects.size()];
            const double t = TimeOne(subject.exe);
            if (t < 0) return 1;
            subject.times.push_back(t);
        }
        for (const Subject& subject : subjects) {
            std::printf(" %s %7.1f ms", subject.label.c_str(), subject.times.back() * 1e3);
        }
        std::printf("\n");
    }

    const double minimalMedian = Median(subjects[minimal].times);
    for (const Subject& subject : subjects) {
        const auto [low, high] = std::minmax_element(subject.times.begin(), subject.times.end());
        std::printf("%-10s runs %2zu  median %7.1f ms  min %7.1f ms  max %7.1f ms\n",
                    subject.label.c_str(), subject.times.size(), Median(subject.times) * 1e3,
                    *low * 1e3, *high * 1e3);
    }
    // The ratio of medians, and the median of each round's ratio, which the load of the
    // machine moves less: the two runs of a round lie close together in time.
    for (std::size_t i = 0; i < minimal; ++i) {
        std::vector<double> ratios;
        for (std::size_t r = 0; r < subjects[i].times.size(); ++r) {
            ratios.push_back(subjects[i].times[r] / subjects[minimal].times[r]);
        }
        const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
        std::printf("%s / minimal: ratio of medians %.3f  median of round ratios %.3f  (%.3f to %.3f)\n",
                    subjects[i].label.c_str(), Median(subjects[i].times) / minimalMedian,
                    Median(ratios), *low, *high);
    }
    return 0;
}
