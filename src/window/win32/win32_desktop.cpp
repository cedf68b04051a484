// The Win32 backend's table: starting, the desktop's queries, the taskbar
// button, the clock and the one line the program ends with.
#include "win32_window.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* Win32Start() {
    return MakeWaitObjects() ? nullptr : "Windows refused the window thread's events";
}

void Win32DesktopSize(int32_t& width, int32_t& height) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        return;
    }
    width = GetDeviceCaps(screen, HORZRES);
    height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
}

// The primary monitor's effective DPI over 96 (the program is aware of
// every monitor's DPI, so all its coordinates are the screen's own pixels).
// GetDpiForMonitor (shcore, Windows 8.1 and later) is looked up at run
// time, so that Windows 7 still runs; without it, the system DPI, which
// there is every monitor's.
void Win32DesktopScale(double& scale, bool& devicePositions) {
    devicePositions = true;
    UINT dpi = 0;
    if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
        typedef HRESULT(WINAPI * GetDpiForMonitorFunction)(HMONITOR, int, UINT*, UINT*);
        const auto getDpi = reinterpret_cast<GetDpiForMonitorFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")));
        const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        UINT x = 0, y = 0;
        const int effective = 0;  // MDT_EFFECTIVE_DPI
        if (getDpi != nullptr && primary != nullptr && getDpi(primary, effective, &x, &y) == S_OK)
            dpi = x;
        FreeLibrary(shcore);
    }
    if (dpi == 0) {
        if (HDC screen = GetDC(nullptr)) {
            dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
            ReleaseDC(nullptr, screen);
        }
    }
    scale = dpi > 0 ? dpi / 96.0 : 1;
}

// The bar is asked at every step of a walk, and the question waits for
// Explorer's answer without a time limit. Once Windows counts the taskbar
// as hung (no answer for 5 s), the pet keeps the last top it was given
// instead, so that it goes on walking and Escape still ends it.
// IsHungAppWindow asks nothing of Explorer.
int32_t Win32TaskbarTop() {
    static int32_t lastTop = 0;
    const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar != nullptr && IsHungAppWindow(taskbar)) return lastTop;
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    SHAppBarMessage(ABM_GETTASKBARPOS, &bar);
    lastTop = bar.rc.top;
    return lastTop;
}

// The top-level window of this process with this title: another program's
// window of the same name is never touched.
HWND OwnWindowTitled(const char* title) {
    const DWORD self = GetCurrentProcessId();
    for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, title); w != nullptr;
         w = FindWindowExA(nullptr, w, nullptr, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == self) return w;
    }
    return nullptr;
}

void Win32RemoveFromTaskbar(const char* title) {
    HWND window = OwnWindowTitled(title);
    if (window == nullptr) return;
    // Hiding the window hands the activation, and with it the foreground,
    // to some other program's window. While the pet still is the foreground
    // program (nobody has clicked elsewhere since it started), it makes
    // itself the owner of the last input, which lets it take the foreground
    // back once the window shows again, until the user types or clicks
    // somewhere else.
    const bool comeBack = window == PetWindowHandle() && GetForegroundWindow() == window;
    if (comeBack) AllowSetForegroundWindow(GetCurrentProcessId());
    // A tool window has no taskbar button; the window keeps its other
    // extended styles (WS_EX_LAYERED, and with it its colour key).
    ShowWindow(window, SW_HIDE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
    ShowWindow(window, SW_SHOW);
    if (comeBack) BringPetWindowToFront();
}

// The choice between the high-resolution counter and the tick count is made
// at the first call and kept.
struct Counter {
    LARGE_INTEGER frequency = {};
    bool present = false;
    Counter() { present = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0; }
};

const Counter& TheCounter() {
    static const Counter counter;
    return counter;
}

int64_t Win32ClockNs() {
    const Counter& c = TheCounter();
    LARGE_INTEGER now;
    if (c.present && QueryPerformanceCounter(&now)) {
        const int64_t f = c.frequency.QuadPart;
        // In two parts, so that the product never overflows.
        return now.QuadPart / f * 1000000000 + now.QuadPart % f * 1000000000 / f;
    }
    return static_cast<int64_t>(GetTickCount64()) * NsPerMs;
}

double Win32Seconds() {
    const Counter& c = TheCounter();
    LARGE_INTEGER now;
    if (c.present && QueryPerformanceCounter(&now))
        return static_cast<double>(now.QuadPart) / static_cast<double>(c.frequency.QuadPart);
    return static_cast<double>(GetTickCount()) * 0.001;
}

void Win32Tell(const char* line) {
    std::fprintf(stderr, "pomfy: %s\n", line);
    // A program without a console: nothing else would tell the user.
    const std::string text = std::string("Pomfy ") + line + ".";
#ifdef POMFY_TEST_HOOKS
    std::fprintf(stderr, "message box: %s\n", text.c_str());
#endif
    std::fflush(stderr);
    MessageBoxA(nullptr, text.c_str(), "Pomfy", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

const PlatformBackend Win32Backend = {
    "win32",      Win32Start,   Win32DesktopSize, Win32DesktopScale,   Win32TaskbarTop,
    Win32RemoveFromTaskbar,     Win32ClockNs,     Win32Seconds,        Win32Tell,
    nullptr,      &WindowThreadDriver,            &Win32Mechanism,
};
