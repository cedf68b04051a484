// The pet window on Win32: the window thread's mechanism.
//
// The core runs the window thread and its cycle; this file gives it the
// window and the means to sleep and to act:
// - The window is made, owned and destroyed by the window thread, which
//   also carries out the moves (SetWindowPos on its own window, so they take
//   effect at once) and sets the caption (SetWindowTextA, answered at once
//   for the same reason).
// - The thread sleeps in MsgWaitForMultipleObjectsEx on an auto-reset wake
//   event, a waitable timer, the timer of its own deadline (where the
//   system has high-resolution timers) and its message queue: it wakes for
//   the logic thread (Wake, SetTimer), its deadline and messages only, never
//   on a tick of its own. MWMO_INPUTAVAILABLE makes a message that was
//   already looked at, but not taken, end the wait too.
// - The logic thread's pauses sleep on a high-resolution timer and a key
//   event of their own (PreciseLogicSleep). Without high-resolution timers
//   (before Windows 10 1803) the system's timer resolution is raised to
//   1 ms for the run instead.
// - Messages are taken with PeekMessageA and handed to PetWindowProc, which
//   reports keys, activations, close requests, display changes and every
//   change of the window's place to the core.
//
// PetWindowProc runs on the window thread only, but not only within the
// core's cycle: also inside the window calls of creating and destroying the
// window, and under Wine inside the wait, where Wine handles the X server's
// events. It therefore takes the core's lock itself (ScreenLockOnWindowThread
// may be taken again by the thread that holds it).
#include "win32_window.h"

#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "platform.h"
#include "win32_keys.h"

namespace {

// The window thread's state. Only the window thread writes it, except where
// an atomic says that another thread reads it.
struct Win32WindowState {
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> active{false};
    // For the tests: what the thread has done, and whether it sleeps.
    std::atomic<long> wakeups{0};
    std::atomic<long> presents{0};
    std::atomic<bool> resting{false};
    BITMAPINFO bitmap = {};
    char className[160] = {};
    HCURSOR arrow = nullptr;
    bool classRegistered = false;
    // The power request that keeps the display on, and with it the screen
    // saver and the automatic lock away, while the window is open; null
    // where the system refused it.
    HANDLE displayRequest = nullptr;
    // Whether the message queue may hold messages not yet taken: set when
    // the wait ended for the queue, cleared when PeekMessageA finds none.
    // What arrives meanwhile ends the next wait at once (MWMO_INPUTAVAILABLE),
    // so the queue is never asked in between.
    bool queueUnread = true;
};

Win32WindowState Win32Window;

// What the two threads sleep on. Made once, by Win32Start, and kept for
// the whole run.
struct WaitObjects {
    HANDLE wake = nullptr;   // auto-reset event: Wake
    HANDLE timer = nullptr;  // synchronisation timer: SetTimer
    std::atomic<int64_t> armedAt{NoDeadline};  // when it was last set to go off
    // The window thread's own deadline in WaitForWork, a high-resolution
    // timer; null without them, and the wait's timeout serves.
    HANDLE deadline = nullptr;
    // The logic thread's pauses: an auto-reset event for keys and a timer
    // of their own, a high-resolution one.
    HANDLE logicWake = nullptr;
    HANDLE logicTimer = nullptr;
    // Whether the system's timer resolution was raised for the whole run,
    // because the timers could not be made high-resolution ones.
    bool resolutionRaised = false;
    ~WaitObjects() {
        for (HANDLE h : {wake, timer, deadline, logicWake, logicTimer})
            if (h != nullptr) CloseHandle(h);
        if (resolutionRaised) timeEndPeriod(1);
    }
};

WaitObjects Waits;

// When a timer set now must go off to go off at when on the backend's
// clock: relative, in units of 100 ns, since the timer runs on the system's
// own clock.
LARGE_INTEGER DueIn(int64_t when) {
    const int64_t left = when - Win32Backend.ClockNs();
    LARGE_INTEGER due;
    due.QuadPart = left <= 0 ? -1 : -((left + 99) / 100);
    return due;
}

typedef BOOL(WINAPI* SetLayeredWindowAttributesFunction)(HWND, COLORREF, BYTE, DWORD);

const COLORREF ColourKey = 0x00FF00FF;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which MinGW-w64's headers lack.
const DWORD HighResolutionTimer = 0x00000002;
const char ClassPrefix[] = "PomfyWindow ";
// Sent by the logic thread once the taskbar button is gone: the window
// thread brings the window back to the foreground.
const UINT BringToFront = WM_APP + 1;

// Why the last CreateWindow failed.
char Failure[160];

const char* Failed(const char* what, DWORD error) {
    if (error != 0)
        std::snprintf(Failure, sizeof Failure, "%s (error %lu)", what,
                      static_cast<unsigned long>(error));
    else
        std::snprintf(Failure, sizeof Failure, "%s", what);
    return Failure;
}

// Draws rows first..last of the converted rows at the same rows of the
// window.
void DrawRows(HDC dc, int32_t first, int32_t last) {
    if (PetWindow.convertedRows == nullptr || first > last) return;
    // The description of just this band, top-down, so that the band's first
    // row is the first row of the bits handed over.
    BITMAPINFO band = Win32Window.bitmap;
    const int32_t rows = last - first + 1;
    band.bmiHeader.biHeight = -rows;
    const int32_t width = PetWindow.deviceWidth;
    SetDIBitsToDevice(dc, 0, first, static_cast<DWORD>(width), static_cast<DWORD>(rows), 0, 0, 0,
                      static_cast<UINT>(rows),
                      PetWindow.convertedRows + static_cast<size_t>(first) * static_cast<size_t>(width),
                      &band, DIB_RGB_COLORS);
}

int32_t RepeatCount(LPARAM lParam) {
    const int32_t count = static_cast<int32_t>(lParam & 0xFFFF);
    return count < 1 ? 1 : count;
}

bool AltHeld(LPARAM lParam) {
    return (lParam & (static_cast<LPARAM>(1) << 29)) != 0;  // the context code
}

LRESULT CALLBACK PetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ScreenLockOnWindowThread hold;
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
            if (!Win32Window.active) break;
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
            // Every change of place, the pet's own moves and those of others
            // (the window manager under Wine), goes into the core's record.
            const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos != nullptr && !(pos->flags & SWP_NOMOVE)) WindowPlaced(pos->x, pos->y);
            break;
        }
        case WM_CLOSE:
            // A close request only tells the program; the window stays.
            CloseRequested();
            return 0;
        case WM_ACTIVATE:
            Win32Window.active = LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0;
            FocusChanged();
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MAXIMIZED && Win32Window.active) return 0;
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (dc != nullptr) DrawRows(dc, 0, PetWindow.deviceHeight - 1);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DISPLAYCHANGE: {
            HDC dc = GetDC(window);
            if (dc != nullptr) {
                DrawRows(dc, 0, PetWindow.deviceHeight - 1);
                ReleaseDC(window, dc);
            }
            MarkAllRows();
            return 0;
        }
        case WM_SETCURSOR:
            SetCursor(Win32Window.arrow);
            return TRUE;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Keeps the display on while the pet is on the desktop, so that neither the
// screen saver nor the automatic lock starts over it. The session's own
// setting is never changed: the request belongs to this process, and the
// system drops it when the process ends, however it ends. Without it the pet
// runs all the same.
void HoldDisplay() {
    REASON_CONTEXT reason = {};
    reason.Version = POWER_REQUEST_CONTEXT_VERSION;
    reason.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    wchar_t text[] = L"Pomfy is on the desktop";
    reason.Reason.SimpleReasonString = text;
    HANDLE request = PowerRequests.create(&reason);
    if (request == INVALID_HANDLE_VALUE || request == nullptr) return;
    if (PowerRequests.set(request, PowerRequestDisplayRequired))
        Win32Window.displayRequest = request;
    else
        CloseHandle(request);
}

void LetDisplayGo() {
    if (Win32Window.displayRequest == nullptr) return;
    PowerRequests.clear(Win32Window.displayRequest, PowerRequestDisplayRequired);
    CloseHandle(Win32Window.displayRequest);
    Win32Window.displayRequest = nullptr;
}

// Undoes what creating the window changed, each part only if it was done.
void ReleaseWindow() {
    HWND window = Win32Window.window.exchange(nullptr);
    if (window != nullptr) DestroyWindow(window);
    LetDisplayGo();
    if (Win32Window.classRegistered) UnregisterClassA(Win32Window.className, GetModuleHandleA(nullptr));
    Win32Window.classRegistered = false;
    Win32Window.active = false;
}

bool RegisterPetClass(const char* title) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::snprintf(Win32Window.className, sizeof Win32Window.className, "%s%s", ClassPrefix, title);
    Win32Window.arrow = LoadCursorA(nullptr, IDC_ARROW);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = PetWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = Win32Window.arrow;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = Win32Window.className;
    Win32Window.classRegistered = RegisterClassA(&windowClass) != 0;
    return Win32Window.classRegistered;
}

SetLayeredWindowAttributesFunction FindSetLayeredAttributes() {
#ifdef POMFY_TEST_HOOKS
    // Test builds only: a system without layered windows.
    if (const char* failure = std::getenv("POMFY_TEST_OPEN_FAILURE"))
        if (std::strcmp(failure, "layered") == 0) return nullptr;
#endif
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
}

// Everything but the class and the display request: a frameless layered
// window whose colour key hides the mask colour.
const char* MakeWindow(int32_t x, int32_t y) {
    const SetLayeredWindowAttributesFunction setLayeredAttributes = FindSetLayeredAttributes();
    HWND window = CreateWindowExA(WS_EX_LAYERED, Win32Window.className, PetWindow.title,
                                  WS_POPUP | WS_VISIBLE, x, y, PetWindow.deviceWidth, PetWindow.deviceHeight,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return Failed("Windows refused to create it", GetLastError());
    Win32Window.window = window;
    SetForegroundWindow(window);
    if (setLayeredAttributes == nullptr)
        return Failed("this system has no see-through (layered) windows", 0);
    if (!setLayeredAttributes(window, ColourKey, 0, LWA_COLORKEY))
        return Failed("its colour key was refused", GetLastError());

    BITMAPINFOHEADER& header = Win32Window.bitmap.bmiHeader;
    header = BITMAPINFOHEADER();
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = PetWindow.deviceWidth;
    header.biHeight = -PetWindow.deviceHeight;  // rows top-down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return nullptr;
}

const char* Win32CreateWindow(int32_t x, int32_t y) {
    if (!RegisterPetClass(PetWindow.title)) return Failed("Windows refused its window class", GetLastError());

    HoldDisplay();

    if (const char* failure = MakeWindow(x, y)) {
        ReleaseWindow();
        return failure;
    }
    Win32Window.active = true;
    return nullptr;
}

void Win32DestroyWindow() {
    ReleaseWindow();
}

bool Win32EventsWaiting() {
    return Win32Window.queueUnread;
}

void Win32HandleEvents(int32_t max) {
    MSG message;
    for (int32_t i = 0; i < max; ++i) {
        // Messages sent by other threads are answered inside PeekMessageA.
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Win32Window.queueUnread = false;
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Win32WaitForWork(int64_t until) {
    // What was drawn reaches the screen before the thread sleeps.
    GdiFlush();
    DWORD timeout = INFINITE;
    DWORD count = 2;
    if (until != NoDeadline && Waits.deadline != nullptr) {
        const LARGE_INTEGER due = DueIn(until);
        if (!SetWaitableTimer(Waits.deadline, &due, 0, nullptr, nullptr, FALSE))
            FatalError("could not set its window thread's deadline");
        count = 3;
    } else if (until != NoDeadline) {
        const int64_t left = until - Win32Backend.ClockNs();
        // Whole milliseconds, rounded up: never wakes before the deadline.
        timeout = left <= 0 ? 0 : static_cast<DWORD>((left + NsPerMs - 1) / NsPerMs);
        if (timeout == INFINITE) --timeout;
    }
    HANDLE objects[3] = {Waits.wake, Waits.timer, Waits.deadline};
    int64_t armed = Waits.armedAt;
    Win32Window.resting = true;
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(count, objects, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    Win32Window.resting = false;
    if (woken == WAIT_OBJECT_0 + count) Win32Window.queueUnread = true;
    // The wait took the timer's signal: nothing is left to cancel, unless
    // it has been set again since.
    if (woken == WAIT_OBJECT_0 + 1) Waits.armedAt.compare_exchange_strong(armed, NoDeadline);
    if (woken == WAIT_FAILED) {
        char line[80];
        std::snprintf(line, sizeof line, "could not wait for its window (error %lu)",
                      static_cast<unsigned long>(GetLastError()));
        FatalError(line);
    }
    Win32Window.wakeups.fetch_add(1);
}

void Win32Wake() {
    if (!SetEvent(Waits.wake)) FatalError("could not wake its window thread");
}

void Win32SetTimer(int64_t when) {
    if (when == NoDeadline) {
        const int64_t armed = Waits.armedAt.exchange(NoDeadline);
        if (armed == NoDeadline) return;
        CancelWaitableTimer(Waits.timer);
        // Cancelling leaves a timer that has gone off signalled, and the next
        // wait would return for it: a timer that may have gone off is reset.
        if (armed - NsPerMs <= Win32Backend.ClockNs()) WaitForSingleObject(Waits.timer, 0);
        return;
    }
    const LARGE_INTEGER due = DueIn(when);
    Waits.armedAt = when;
    if (!SetWaitableTimer(Waits.timer, &due, 0, nullptr, nullptr, FALSE))
        FatalError("could not set its window thread's timer");
}

void Win32Present(int32_t first, int32_t last) {
    HWND window = Win32Window.window;
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        // Tried again, whole, by a later cycle.
        MarkAllRows();
        return;
    }
    DrawRows(dc, first, last);
    ReleaseDC(window, dc);
    Win32Window.presents.fetch_add(1);
}

bool Win32Move(int32_t x, int32_t y) {
    // The window thread owns the window: the move is carried out before
    // SetWindowPos returns, and WM_WINDOWPOSCHANGED, sent from inside it,
    // has told the core where the window went. A move never activates the
    // window: the keyboard stays where the user put it.
    SetWindowPos(Win32Window.window, nullptr, x, y, 0, 0,
                 SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    return false;
}

void Win32SetTitle(const char* title) {
    // Its own window: the caption is the server's before the call returns.
    SetWindowTextA(Win32Window.window, title);
}

}  // namespace

PowerRequestCalls PowerRequests = {PowerCreateRequest, PowerSetRequest, PowerClearRequest};

const WindowMechanism Win32Mechanism = {
    Win32CreateWindow, Win32DestroyWindow, Win32EventsWaiting, Win32HandleEvents,
    Win32WaitForWork,  Win32Wake,          Win32SetTimer,      Win32Present,
    Win32Move,         nullptr,            Win32SetTitle,
};

namespace {

// Null before Windows 10 1803, which refuses the flag.
HANDLE HighResolutionTimerOrNull() {
    return CreateWaitableTimerExW(nullptr, nullptr, HighResolutionTimer, TIMER_ALL_ACCESS);
}

void LogicSleep(int64_t until) {
    HANDLE objects[2] = {Waits.logicWake, Waits.logicTimer};
    DWORD count = 1;
    if (until != NoDeadline) {
        const LARGE_INTEGER due = DueIn(until);
        if (!SetWaitableTimer(Waits.logicTimer, &due, 0, nullptr, nullptr, FALSE))
            FatalError("could not set its pauses' timer");
        count = 2;
    }
    if (WaitForMultipleObjects(count, objects, FALSE, INFINITE) == WAIT_FAILED)
        FatalError("could not pause");
    // Woken early: the timer must not end the next pause before its time.
    if (count == 2) CancelWaitableTimer(Waits.logicTimer);
}

void LogicWake() {
    if (!SetEvent(Waits.logicWake)) FatalError("could not wake its pause for a key");
}

const PreciseSleep Win32LogicSleep = {LogicSleep, LogicWake};

}  // namespace

bool MakeWaitObjects() {
    Waits.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Pauses and cycles keep their time. A high-resolution timer (Windows 10
    // 1803 and later) goes off on time by itself, and every timed wait of
    // either thread waits for one; elsewhere the default tick of about
    // 15.6 ms would stretch every short wait, and only raising the system's
    // timer resolution for the run avoids that.
    Waits.timer = HighResolutionTimerOrNull();
    Waits.deadline = HighResolutionTimerOrNull();
    Waits.logicTimer = HighResolutionTimerOrNull();
    Waits.logicWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (Waits.timer != nullptr && Waits.deadline != nullptr && Waits.logicTimer != nullptr &&
        Waits.logicWake != nullptr) {
        PreciseLogicSleep = &Win32LogicSleep;
    } else {
        // The old way, for the whole run.
        for (HANDLE* h : {&Waits.timer, &Waits.deadline, &Waits.logicTimer}) {
            if (*h != nullptr) CloseHandle(*h);
            *h = nullptr;
        }
        Waits.timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
        Waits.resolutionRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    }
    return Waits.wake != nullptr && Waits.timer != nullptr;
}

bool PetWindowHoldsDisplay() {
    return Win32Window.displayRequest != nullptr;
}

bool HighResolutionPauses() {
    return PreciseLogicSleep == &Win32LogicSleep;
}

HWND PetWindowHandle() {
    return Win32Window.window;
}

bool PetWindowActive() {
    return Win32Window.active;
}

long PetWindowWakeups() {
    return Win32Window.wakeups.load();
}

long PetWindowPresents() {
    return Win32Window.presents.load();
}

bool PetWindowResting() {
    return Win32Window.resting.load();
}

void BringPetWindowToFront() {
    if (HWND window = Win32Window.window) SendMessageA(window, BringToFront, 0, 0);
}
