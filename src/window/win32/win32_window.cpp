// The pet window on Win32.
//
// Two threads meet here. The logic thread opens the window, reads its
// position, queues moves with SetWindowPos(SWP_ASYNCWINDOWPOS), sets the
// caption and queries the desktop. The window thread creates the window, owns
// it, and sleeps in MsgWaitForMultipleObjectsEx until there is work: the
// logic thread sets an event when it has marked framebuffer rows, and moves,
// caption changes, keys and repaints arrive through the thread's message
// queue. Then it runs a cycle: under the screen lock (a critical section) it
// draws the band of marked rows with SetDIBitsToDevice, then handles every
// pending message (the window procedure fills the key buffer, queued moves
// and caption changes are carried out), and lets go of the lock. A cycle
// that drew or moved the window is followed by the next one no sooner than
// 10 ms later, so that a burst of frames or moves shows only its latest
// state; while nothing changes, the thread does not wake at all.
//
// Calls that send a message to the window (SetWindowTextA, ShowWindow,
// SetWindowLongA) wait for the window thread's message step and are
// therefore never made from the logic thread while it holds the lock.
#include "win32_window.h"

#include <mmsystem.h>
#include <process.h>
#include <shellapi.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "platform.h"
#include "win32_keys.h"

namespace {

// The window layer's state while a window is open.
struct PetWindowState {
    HWND window = nullptr;
    HANDLE started = nullptr;  // auto-reset event: the thread runs its cycle
    HANDLE thread = nullptr;
    // Auto-reset: there is work for a cycle (rows marked, closing, or rows
    // the window thread marked itself).
    HANDLE wake = nullptr;
    // Manual-reset, clear while a cycle waits for the screen lock or holds
    // it: the logic thread lets that cycle have the lock first.
    HANDLE cycleDone = nullptr;
    std::atomic<bool> cycleWaiting{false};
    std::atomic<bool> running{false};
    std::atomic<bool> active{false};
    std::atomic<long> cycles{0};
    std::atomic<long> wakeups{0};  // times the thread woke from its wait
    bool inCycle = false;          // window thread only
    bool moved = false;            // window thread only: this cycle moved the window
    int32_t width = 0;
    int32_t height = 0;
    int32_t flags = 0;
    BITMAPINFO bitmap = {};
    char className[160] = {};
    HCURSOR arrow = nullptr;
    bool classRegistered = false;
    BOOL savedScreenSaver = FALSE;
    bool screenSaverSaved = false;
    bool timerRaised = false;
    int32_t systemVersion = 0;  // major * 256 + minor
    // What the layer knows about the keyboard and the mouse. The pet asks
    // for none of it.
    BYTE keyState[256] = {};
    int32_t mouseButtons = 0;  // bit 0 left, 1 right, 2 middle
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t mouseWheel = 0;
    bool mouseInside = false;
};

PetWindowState Pet;

typedef BOOL(WINAPI* SetLayeredWindowAttributesFunction)(HWND, COLORREF, BYTE, DWORD);
SetLayeredWindowAttributesFunction SetLayeredAttributes = nullptr;

const COLORREF ColourKey = 0x00FF00FF;
const char ClassPrefix[] = "PomfyWindow ";
// Sent by the logic thread once the taskbar button is gone: the window
// thread brings the window back to the foreground.
const UINT BringToFront = WM_APP + 1;

// Cycles that draw or move the window are at least this far apart.
const double CycleSpacingMs = 10.0;
// A move queued on its own is usually followed at once by the frame drawn
// for it: a cycle woken by the queue waits this long for such a frame.
const DWORD GatherMs = 2;

// The screen lock: created on first use, before any window opens, and kept
// for the whole run (the logic thread may still pass through it while the
// program ends).
CRITICAL_SECTION& ScreenCriticalSection() {
    struct Holder {
        CRITICAL_SECTION section;
        Holder() { InitializeCriticalSection(&section); }
        ~Holder() { DeleteCriticalSection(&section); }
    };
    static Holder holder;
    return holder.section;
}

// The window thread's own hold on the screen lock, for the window procedure,
// which also runs outside the cycle (while the window is made or destroyed,
// and, under Wine, inside the wait). The critical section lets its owner
// enter again.
struct WindowThreadLock {
    WindowThreadLock() { EnterCriticalSection(&ScreenCriticalSection()); }
    ~WindowThreadLock() { LeaveCriticalSection(&ScreenCriticalSection()); }
    WindowThreadLock(const WindowThreadLock&) = delete;
    WindowThreadLock& operator=(const WindowThreadLock&) = delete;
};

// The cycle's side of the lock: a cycle that waits is let in first, even
// while the logic thread takes and lets go of the lock thousands of times
// in a row (a sheet is built one pixel at a time).
void TakeLockForCycle() {
    ResetEvent(Pet.cycleDone);
    Pet.cycleWaiting = true;
    EnterCriticalSection(&ScreenCriticalSection());
    Pet.cycleWaiting = false;
}

void LeaveLockAfterCycle() {
    LeaveCriticalSection(&ScreenCriticalSection());
    SetEvent(Pet.cycleDone);
}

double NowMs() {
    return PlatformSeconds() * 1000.0;
}

void SetFailure(const char* what, DWORD error) {
    if (error != 0)
        std::snprintf(OpenFailure, sizeof OpenFailure, "%s (error %lu)", what,
                      static_cast<unsigned long>(error));
    else
        std::snprintf(OpenFailure, sizeof OpenFailure, "%s", what);
}

int32_t SystemVersion() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExA(&info)) return 0;
    return static_cast<int32_t>(info.dwMajorVersion * 256 + info.dwMinorVersion);
}

// Draws rows first..last of ConvertedRows at the same rows of the window.
void DrawRows(HDC dc, int32_t first, int32_t last) {
    if (ConvertedRows == nullptr || first > last) return;
    // The description of just this band, top-down, so that the band's first
    // row is the first row of the bits handed over.
    BITMAPINFO band = Pet.bitmap;
    const int32_t rows = last - first + 1;
    band.bmiHeader.biHeight = -rows;
    SetDIBitsToDevice(dc, 0, first, static_cast<DWORD>(Pet.width), static_cast<DWORD>(rows), 0, 0,
                      0, static_cast<UINT>(rows),
                      ConvertedRows + static_cast<size_t>(first) * static_cast<size_t>(Pet.width),
                      &band, DIB_RGB_COLORS);
}

int32_t RepeatCount(LPARAM lParam) {
    const int32_t count = static_cast<int32_t>(lParam & 0xFFFF);
    return count < 1 ? 1 : count;
}

bool AltHeld(LPARAM lParam) {
    return (lParam & (static_cast<LPARAM>(1) << 29)) != 0;  // the context code
}

// Rows the window procedure marked: drawn by the cycle it runs in, or by the
// next one when it runs outside a cycle.
void MarkEveryRow() {
    MarkAllRows();
    if (!Pet.inCycle && Pet.wake != nullptr) SetEvent(Pet.wake);
}

void ButtonDown(HWND window, int32_t bit) {
    SetCapture(window);
    Pet.mouseButtons |= bit;
}

void ButtonUp(HWND window, int32_t bit) {
    Pet.mouseButtons &= ~bit;
    if (Pet.mouseButtons == 0 && GetCapture() == window) ReleaseCapture();
}

// Runs on the window thread: inside its message step, inside the window
// calls of its own start and end, and under Wine also inside its wait, where
// Wine handles the X server's events. It holds the screen lock throughout.
LRESULT CALLBACK PetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowThreadLock hold;
    switch (message) {
        case WM_CHAR: {
            const uint32_t character = static_cast<uint32_t>(wParam);
            if (character <= 255) {
                const int32_t code = CharacterCode(character);
                for (int32_t i = RepeatCount(lParam); i > 0; --i) PutKey(code);
            }
            break;
        }
        case WM_KEYDOWN:
        case WM_KEYUP: {
            const uint32_t key = static_cast<uint32_t>(wParam);
            const int32_t code = ExtendedKeyCode(key, GetKeyState(VK_MENU) < 0);
            if (message == WM_KEYDOWN && code >= 256)
                for (int32_t i = RepeatCount(lParam); i > 0; --i) PutKey(code);
            if (key == VK_F10 || key == VK_MENU || code == CloseKey) return 0;
            break;
        }
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP: {
            if (!Pet.active) break;
            const uint32_t key = static_cast<uint32_t>(wParam);
            // Alt+Enter would switch to full screen: the window never does.
            if (key == VK_RETURN) return 0;
            // Translated, but nothing goes into the key buffer: Alt+F4 gives
            // the close code and so neither closes the window nor is read as a
            // close request; Alt and F10 do not open the system menu.
            const int32_t code = ExtendedKeyCode(key, AltHeld(lParam));
            if (key == VK_F10 || key == VK_MENU || code == CloseKey) return 0;
            break;
        }
        case BringToFront:
            SetForegroundWindow(window);
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (Pet.inCycle && pos != nullptr && !(pos->flags & SWP_NOMOVE)) Pet.moved = true;
            break;
        }
        case WM_CLOSE:
            // A close request only tells the program; the window stays.
            PutKey(CloseKey);
            return 0;
        case WM_ACTIVATE:
            Pet.active = LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0;
            std::memset(Pet.keyState, 0, sizeof Pet.keyState);
            MarkEveryRow();
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MAXIMIZED && Pet.active) return 0;
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (dc != nullptr) DrawRows(dc, 0, Pet.height - 1);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DISPLAYCHANGE: {
            HDC dc = GetDC(window);
            if (dc != nullptr) {
                DrawRows(dc, 0, Pet.height - 1);
                ReleaseDC(window, dc);
            }
            MarkEveryRow();
            return 0;
        }
        case WM_SETCURSOR:
            SetCursor(Pet.arrow);
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            ButtonDown(window, 1);
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            ButtonDown(window, 2);
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            ButtonDown(window, 4);
            break;
        case WM_LBUTTONUP:
            ButtonUp(window, 1);
            break;
        case WM_RBUTTONUP:
            ButtonUp(window, 2);
            break;
        case WM_MBUTTONUP:
            ButtonUp(window, 4);
            break;
        case WM_MOUSEMOVE:
            Pet.mouseX = static_cast<int16_t>(LOWORD(lParam));
            Pet.mouseY = static_cast<int16_t>(HIWORD(lParam));
            Pet.mouseInside = true;
            break;
        case WM_MOUSEWHEEL:
            Pet.mouseWheel += static_cast<int16_t>(HIWORD(wParam));
            break;
        case WM_MOUSELEAVE:
            Pet.mouseInside = false;
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Creates the window; false (and nothing left behind) when that fails.
bool CreatePetWindow() {
    DWORD style;
    if (Pet.flags & FlagNoFrame)
        style = WS_POPUP;
    else if (Pet.flags & FlagNoSwitching)
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    else
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    DWORD exStyle = 0;
    if (Pet.flags & FlagShaped) {
        if (Pet.systemVersion <= 0x04FF) {
            SetFailure("see-through windows need Windows 2000 or later", 0);
            return false;
        }
        exStyle |= WS_EX_LAYERED;
    }

    RECT frame = {0, 0, Pet.width, Pet.height};
    AdjustWindowRect(&frame, style, FALSE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;

    HWND window = CreateWindowExA(exStyle, Pet.className, TitleBuffer, style | WS_VISIBLE, x, y,
                                  width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    if (window == nullptr) {
        SetFailure("Windows refused to create it", GetLastError());
        return false;
    }
    if (Pet.flags & FlagTopmost)
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOSENDCHANGING);
    SetForegroundWindow(window);
    if (Pet.flags & FlagShaped) {
        if (SetLayeredAttributes == nullptr) {
            SetFailure("this system has no see-through (layered) windows", 0);
            DestroyWindow(window);
            return false;
        }
        if (!SetLayeredAttributes(window, ColourKey, 0, LWA_COLORKEY)) {
            SetFailure("its colour key was refused", GetLastError());
            DestroyWindow(window);
            return false;
        }
    }

    BITMAPINFOHEADER& header = Pet.bitmap.bmiHeader;
    header = BITMAPINFOHEADER();
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = Pet.width;
    header.biHeight = -Pet.height;  // rows top-down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    if (ConvertedRows == nullptr) {
        SetFailure("there is no memory for its pixels", 0);
        DestroyWindow(window);
        return false;
    }
    Pet.window = window;
    return true;
}

bool AnyRowMarked() {
    for (bool marked : RowMarks)
        if (marked) return true;
    return false;
}

// One cycle: the marked rows drawn, the pending messages handled. True when
// it drew or moved the window, or left rows to draw.
bool RunCycle() {
    TakeLockForCycle();
    Pet.inCycle = true;
    Pet.moved = false;
    // Every mark announced so far is drawn in this cycle.
    ResetEvent(Pet.wake);
    bool drawn = false;
    // Without a device context the marks stay, for the next cycle.
    HDC dc = GetDC(Pet.window);
    if (dc != nullptr) {
        int32_t first = 0, last = 0;
        if (TakeMarkedBand(first, last)) {
            DrawRows(dc, first, last);
            drawn = true;
        }
        ReleaseDC(Pet.window, dc);
    }
    if (Pet.active) GetKeyboardState(Pet.keyState);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // Rows marked by the window procedure (activation, a display change) or
    // kept for want of a device context.
    const bool owed = AnyRowMarked();
    Pet.inCycle = false;
    Pet.cycles.fetch_add(1);
    LeaveLockAfterCycle();
    if (owed) SetEvent(Pet.wake);
    return drawn || Pet.moved || owed;
}

// Input, or a message sent by the logic thread (the taskbar removal, the
// caption), which it waits for until the window thread answers it.
bool InputWaiting() {
    return (HIWORD(GetQueueStatus(QS_INPUT | QS_SENDMESSAGE)) & (QS_INPUT | QS_SENDMESSAGE)) != 0;
}

unsigned __stdcall WindowThread(void*) {
    // The window's start sends it messages (activation) that the window
    // procedure answers under the lock, as in the cycle.
    PlatformLock();
    const bool created = CreatePetWindow();
    PlatformUnlock();
    if (!created) return 1;

    Pet.active = true;
    SetEvent(Pet.started);
    double lastBusy = -1e9;  // when the last cycle that drew or moved ended
    while (Pet.running) {
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(1, &Pet.wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!Pet.running) break;
        Pet.wakeups.fetch_add(1);
        // Woken by the queue alone (a move, most likely): the frame that
        // goes with the move is drawn in the same cycle. Keys and sent
        // messages skip that wait.
        if (woken == WAIT_OBJECT_0 + 1 && !InputWaiting()) WaitForSingleObject(Pet.wake, GatherMs);
        const double early = lastBusy + CycleSpacingMs - NowMs();
        if (early > 0) Sleep(static_cast<DWORD>(std::ceil(early)));
        if (RunCycle()) lastBusy = NowMs();
    }

    PlatformLock();
    HWND window = Pet.window;
    Pet.window = nullptr;
    DestroyWindow(window);
    PlatformUnlock();
    return 0;
}

void RestoreScreenSaver() {
    if (!Pet.screenSaverSaved) return;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(Pet.savedScreenSaver),
                          nullptr, 0);
    Pet.screenSaverSaved = false;
}

// Undoes what opening did, once the thread has ended.
void ReleaseOpening() {
    if (Pet.thread != nullptr) CloseHandle(Pet.thread);
    Pet.thread = nullptr;
    if (Pet.started != nullptr) CloseHandle(Pet.started);
    Pet.started = nullptr;
    if (Pet.wake != nullptr) CloseHandle(Pet.wake);
    Pet.wake = nullptr;
    if (Pet.cycleDone != nullptr) CloseHandle(Pet.cycleDone);
    Pet.cycleDone = nullptr;
    Pet.cycleWaiting = false;
    RestoreScreenSaver();
    if (Pet.classRegistered) UnregisterClassA(Pet.className, GetModuleHandleA(nullptr));
    Pet.classRegistered = false;
    if (Pet.timerRaised) timeEndPeriod(1);
    Pet.timerRaised = false;
    Pet.active = false;
}

}  // namespace

HWND PetWindowHandle() {
    return Pet.window;
}

bool PetWindowActive() {
    return Pet.active;
}

long PetWindowCycles() {
    return Pet.cycles.load();
}

long PetWindowWakeups() {
    return Pet.wakeups.load();
}

int32_t PlatformOpenWindow(int32_t width, int32_t height, int32_t flags) {
    if (Pet.thread != nullptr) return 1;
    Pet.width = width;
    Pet.height = height;
    Pet.flags = flags;
    Pet.cycles = 0;
    ScreenCriticalSection();

    HMODULE user32 = GetModuleHandleA("user32.dll");
    SetLayeredAttributes = user32 == nullptr
                               ? nullptr
                               : reinterpret_cast<SetLayeredWindowAttributesFunction>(
                                     reinterpret_cast<void (*)()>(
                                         GetProcAddress(user32, "SetLayeredWindowAttributes")));
    Pet.systemVersion = SystemVersion();
#ifdef POMFY_TEST_HOOKS
    // Test builds only: a system without layered windows.
    if (const char* failure = std::getenv("POMFY_TEST_OPEN_FAILURE"))
        if (std::strcmp(failure, "layered") == 0) SetLayeredAttributes = nullptr;
#endif

    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::snprintf(Pet.className, sizeof Pet.className, "%s%s", ClassPrefix, TitleBuffer);
    Pet.arrow = LoadCursorA(nullptr, IDC_ARROW);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = PetWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = Pet.arrow;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = Pet.className;
    Pet.classRegistered = RegisterClassA(&windowClass) != 0;
    if (!Pet.classRegistered) {
        SetFailure("Windows refused its window class", GetLastError());
        ReleaseOpening();
        return 1;
    }

    // The screen saver stays off while the pet is on the desktop (for this
    // session only: nothing is written to the user's profile). After the
    // class is registered: under Wine the display driver, which carries the
    // setting to the X server, is loaded by then.
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &Pet.savedScreenSaver, 0)) {
        Pet.screenSaverSaved = true;
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    }

    // Pauses last what they say: the default timer tick of about 15.6 ms
    // would stretch every short Sleep.
    Pet.timerRaised = timeBeginPeriod(1) == TIMERR_NOERROR;

    Pet.started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Pet.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Pet.cycleDone = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (Pet.started == nullptr || Pet.wake == nullptr || Pet.cycleDone == nullptr) {
        SetFailure("its window thread could not be prepared", GetLastError());
        ReleaseOpening();
        return 1;
    }
    Pet.running = true;
    // _beginthreadex rather than _beginthread: its handle stays valid after
    // the thread has ended, so waiting on it is safe.
    Pet.thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WindowThread, nullptr, 0, nullptr));
    if (Pet.thread == nullptr) {
        Pet.running = false;
        SetFailure("its window thread could not be started", 0);
        ReleaseOpening();
        return 1;
    }
    HANDLE waitFor[2] = {Pet.started, Pet.thread};
    const DWORD woken = WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0) {
        Pet.running = false;
        SetEvent(Pet.wake);  // a thread already in its loop leaves it
        WaitForSingleObject(Pet.thread, INFINITE);
        ReleaseOpening();
        return 1;
    }
    if (flags & FlagHighPriority) SetThreadPriority(Pet.thread, THREAD_PRIORITY_ABOVE_NORMAL);
    return 0;
}

void PlatformCloseWindow() {
    if (Pet.thread == nullptr) return;
    // The thread finishes its cycle, leaves its loop and destroys the window.
    Pet.running = false;
    SetEvent(Pet.wake);
    WaitForSingleObject(Pet.thread, INFINITE);
    ReleaseOpening();
}

void PlatformSetTitle(const char* title) {
    HWND window = Pet.window;
    // Sent to the window thread, which takes it in its message step.
    if (window != nullptr) SetWindowTextA(window, title);
}

void PlatformGetWindowPosition(int32_t& x, int32_t& y) {
    RECT rect = {};
    if (Pet.window != nullptr && GetWindowRect(Pet.window, &rect)) {
        x = rect.left;
        y = rect.top;
    } else {
        x = 0;
        y = 0;
    }
}

void PlatformQueueMove(int32_t x, int32_t y) {
    HWND window = Pet.window;
    if (window == nullptr) return;
    RECT rect = {};
    GetWindowRect(window, &rect);
    // Asynchronous: the request waits in the window thread's queue and is
    // carried out in its next message step, in the order given.
    SetWindowPos(window, nullptr, x, y, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_ASYNCWINDOWPOS | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOSIZE);
}

void PlatformGetDesktopSize(int32_t& width, int32_t& height) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        return;
    }
    width = GetDeviceCaps(screen, HORZRES);
    height = GetDeviceCaps(screen, VERTRES);
    (void)GetDeviceCaps(screen, BITSPIXEL);
    (void)GetDeviceCaps(screen, VREFRESH);
    ReleaseDC(nullptr, screen);
}

int32_t PlatformTaskbarTop() {
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    SHAppBarMessage(ABM_GETTASKBARPOS, &bar);
    return bar.rc.top;
}

void PlatformRemoveFromTaskbar(const char* title) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr) return;
    // Hiding the window hands the activation, and with it the foreground,
    // to some other program's window. While the pet still is the foreground
    // program (nobody has clicked elsewhere since it started), it makes
    // itself the owner of the last input, which lets it take the foreground
    // back once the window shows again, until the user types or clicks
    // somewhere else.
    const bool comeBack = window == Pet.window && GetForegroundWindow() == window;
    if (comeBack) AllowSetForegroundWindow(GetCurrentProcessId());
    // A tool window has no taskbar button; the window keeps its other
    // extended styles (WS_EX_LAYERED, and with it its colour key).
    ShowWindow(window, SW_HIDE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
    ShowWindow(window, SW_SHOW);
    // The window thread, whose window it is, asks for the foreground.
    if (comeBack) SendMessageA(window, BringToFront, 0, 0);
}

void PlatformLock() {
    // A cycle waiting for the lock goes first (see TakeLockForCycle).
    if (Pet.cycleWaiting.load()) WaitForSingleObject(Pet.cycleDone, INFINITE);
    EnterCriticalSection(&ScreenCriticalSection());
}

void PlatformUnlock() {
    LeaveCriticalSection(&ScreenCriticalSection());
}

void PlatformSleep(int32_t ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

double PlatformSeconds() {
    // The choice between the high-resolution counter and the tick count is
    // made at the first call and kept.
    static LARGE_INTEGER frequency = {};
    static int choice = 0;  // 0 not yet chosen, 1 counter, 2 tick count
    if (choice == 0) {
        choice = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 ? 1 : 2;
    }
    if (choice == 1) {
        LARGE_INTEGER now;
        if (QueryPerformanceCounter(&now))
            return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
    }
    return static_cast<double>(GetTickCount()) * 0.001;
}

void PlatformExit(int32_t code) {
    if (code != 0 && OpenFailure[0] != '\0') {
        // Nothing else would tell the user why the pet never appeared.
        char text[200];
        std::snprintf(text, sizeof text, "Pomfy could not open its window: %s.", OpenFailure);
#ifdef POMFY_TEST_HOOKS
        std::fprintf(stderr, "message box: %s\n", text);
        std::fflush(stderr);
#endif
        MessageBoxA(nullptr, text, "Pomfy", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    std::exit(code);
}

void PlatformRowsMarked() {
    if (Pet.wake != nullptr) SetEvent(Pet.wake);
}

void PlatformPauseStarts(int32_t) {}
