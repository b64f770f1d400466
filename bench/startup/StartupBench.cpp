// Times the wizard under Wine: from process start to the first painted Start
// page (several starts, alternating with the other programs given, a peer
// installer and bare windows, which are timed the same way), and the installation from the click on Next to the
// Einde page with the archives of a folder served on loopback; then reads
// the wizard's peak memory. The last lines compare the median first paint
// of the wizard with that of each other program (the peer, bare windows).
//   startup_bench <SetupBench.exe> <folder with main.zip, upgrade.zip> [starts [other.exe...]]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FileServer.h"
#include "WizardDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The visible label of a window whose text starts with "Welkom" (the title
// of the Start page, or of the peer's welcome page), or null.
HWND TitleLabel(HWND window) {
    struct Find {
        HWND label = nullptr;
    } find;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL CALLBACK {
            wchar_t text[64] = {};
            InternalGetWindowText(child, text, 64);
            if (wcsncmp(text, L"Welkom", 6) == 0 && IsWindowVisible(child)) {
                reinterpret_cast<Find*>(data)->label = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.label;
}

// True once the title has reached the screen: its box holds both a white
// pixel (the background) and a dark one (the text). Under Wine a box not yet
// painted is black, and one whose background is painted but not its text is
// white: neither counts.
bool Painted(HWND label) {
    RECT r;
    GetWindowRect(label, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP box = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool white = false, dark = false;
    if (box) {
        HGDIOBJ old = SelectObject(memory, box);
        if (BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY)) {
            GdiFlush();
            const auto* pixel = static_cast<const BYTE*>(bits);
            for (int i = 0; i < width * height && !(white && dark); ++i, pixel += 4) {
                const BYTE high = std::max({pixel[0], pixel[1], pixel[2]});
                const BYTE low = std::min({pixel[0], pixel[1], pixel[2]});
                white = white || low >= 0xF0;
                dark = dark || high < 0x80;
            }
        }
        SelectObject(memory, old);
        DeleteObject(box);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return white && dark;
}

// The visible top-level window of the process that holds the title label
// (the wizard's TfrmMain, the bare window, or the peer's dialog), and that
// label; nulls while there is none.
struct MainWindow {
    HWND window = nullptr;
    HWND title = nullptr;
};

MainWindow MainWindowOf(DWORD process) {
    struct Find {
        DWORD process;
        MainWindow found;
    } find{process, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL CALLBACK {
            auto& f = *reinterpret_cast<Find*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != f.process || !IsWindowVisible(window)) return TRUE;
            if (HWND title = TitleLabel(window)) {
                f.found = {window, title};
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

struct Memory {
    double peakWorkingSet = 0;  // MiB
    double peakPrivate = 0;     // MiB
};

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return {};
    return {counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0};
}

Memory idleMemory;   // of the last start, once the first page was painted
Memory startMemory;  // the same for the wizard's last start

double TimeToFirstPaint(const std::wstring& setup) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + setup + L"\"";
    const auto start = Clock::now();
    if (!CreateProcessW(setup.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    double elapsed = -1;
    while (Clock::now() - start < std::chrono::seconds(30)) {
        if (const MainWindow main = MainWindowOf(process.dwProcessId); main.title && Painted(main.title)) {
            elapsed = Milliseconds(Clock::now() - start);
            break;
        }
        Sleep(1);
    }
    Sleep(300);
    idleMemory = MemoryOf(process.hProcess);
    if (HWND main = MainWindowOf(process.dwProcessId).window) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

std::wstring BaseName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: startup_bench SETUPBENCH.EXE ARCHIVE-FOLDER [STARTS [OTHER.EXE...]]\n");
        return 2;
    }
    const std::wstring setup = argv[1], archives = argv[2];
    const int starts = argc > 3 ? std::max(1, _wtoi(argv[3])) : 7;
    std::vector<std::wstring> programs{setup};
    for (int i = 4; i < argc; ++i)
        programs.push_back(argv[i]);

    // One start each that is not counted: a new Wine prefix sets itself up
    // on the first start of a window. Then in turn, so that a slow spell of
    // the machine hits all alike.
    for (const std::wstring& program : programs)
        TimeToFirstPaint(program);
    std::vector<std::vector<double>> paints(programs.size());
    for (int i = 0; i < starts; ++i)
        for (std::size_t p = 0; p < programs.size(); ++p) {
            paints[p].push_back(TimeToFirstPaint(programs[p]));
            if (p == 0) startMemory = idleMemory;
        }
    std::vector<double> medians;
    for (std::size_t p = 0; p < programs.size(); ++p) {
        std::vector<double> sorted = paints[p];
        std::sort(sorted.begin(), sorted.end());
        medians.push_back(sorted[sorted.size() / 2]);
        printf("first paint of %ls, ms:", BaseName(programs[p]).c_str());
        for (double ms : paints[p])
            printf(" %.0f", ms);
        printf("\n  median %.0f ms, best %.0f ms (first counted start %.0f ms)\n", medians.back(), sorted.front(),
               paints[p].front());
    }

    FileServer server(SETUP_BENCH_PORT);
    const std::string main = ReadBytes(archives + L"\\main.zip");
    const std::string upgrade = ReadBytes(archives + L"\\upgrade.zip");
    server.Serve("/venkor/Files/main.zip", {200, main});
    server.Serve("/venkor/Files/upgrade.zip", {200, upgrade});
    std::error_code ignored;
    std::filesystem::remove_all(L"C:\\VENKOR", ignored);

    WizardDriver w(setup, L"");
    w.ClickButton(L"Volgende >");
    if (!WaitUntil([&] { return w.PageTitle() == L"Locatie"; })) return 1;
    const auto start = Clock::now();
    w.ClickButton(L"Volgende >");
    if (!WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, std::chrono::minutes(10))) {
        fprintf(stderr, "the installation did not reach Einde\n");
        return 1;
    }
    const double road = Milliseconds(Clock::now() - start);
    printf("Next on Locatie to Einde with main.zip %.1f MB + upgrade.zip %.1f MB: %.0f ms\n", main.size() / 1048576.0,
           upgrade.size() / 1048576.0, road);

    const Memory run = MemoryOf(w.Process());
    printf(
        "Setup peak working set %.1f MiB, peak private bytes %.1f MiB after the installation\n"
        "  (on the Start page: %.1f MiB and %.1f MiB; under Wine the working set includes Wine's own libraries)\n",
        run.peakWorkingSet, run.peakPrivate, startMemory.peakWorkingSet, startMemory.peakPrivate);
    w.CloseBox();
    w.WaitForExit();
    std::filesystem::remove_all(L"C:\\VENKOR", ignored);
    for (std::size_t p = 1; p < programs.size(); ++p)
        printf("median first paint ours/%ls: %.2f\n", BaseName(programs[p]).c_str(), medians[0] / medians[p]);
    return 0;
}
