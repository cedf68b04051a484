// The Win32 backend in a real window (under Wine on a test desktop): what
// opening makes, what the window procedure does with messages, presentation,
// moves, the caption, the taskbar removal, the desktop queries, pauses on
// this backend's clock and wait, and closing.
//
// One window serves every test of this program, as in the pet: it is opened
// once, before the first test, and closed by the last one.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core.h"
#include "platform.h"
#include "settle.h"
#include "win32_keys.h"
#include "win32_window.h"
#include "window.h"

namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

double NowMs() {
    return SecondsTimer() * 1000.0;
}

bool WaitForPosition(int32_t x, int32_t y) {
    for (int i = 0; i < 200; ++i) {
        int32_t px = 0, py = 0;
        GetWindowPosition(px, py);
        if (px == x && py == y) return true;
        Sleep(10);
    }
    return false;
}

std::string DrainKeys() {
    std::string all;
    for (std::string k = PollKey(); !k.empty(); k = PollKey()) all += k;
    return all;
}

// What the window shows at (x, y), as 0xRRGGBB.
uint32_t WindowPixel(int x, int y) {
    HDC dc = GetDC(PetWindowHandle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(PetWindowHandle(), dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

BOOL ScreenSaverActive() {
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    return active;
}

BOOL ScreenSaverBeforeOpening = FALSE;

// The window's power requests, as the system would see them.
struct PowerRecord {
    int made = 0;
    std::wstring reason;
    HANDLE request = nullptr;
    bool displayHeld = false;
    int otherTypes = 0;
};
PowerRecord Power;

HANDLE WINAPI FakeCreateRequest(PREASON_CONTEXT reason) {
    ++Power.made;
    if (reason != nullptr && reason->Flags == POWER_REQUEST_CONTEXT_SIMPLE_STRING)
        Power.reason = reason->Reason.SimpleReasonString;
    Power.request = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // closed by the window
    return Power.request;
}

BOOL WINAPI FakeSetRequest(HANDLE request, POWER_REQUEST_TYPE type) {
    if (request != Power.request) return FALSE;
    if (type == PowerRequestDisplayRequired)
        Power.displayHeld = true;
    else
        ++Power.otherTypes;
    return TRUE;
}

BOOL WINAPI FakeClearRequest(HANDLE request, POWER_REQUEST_TYPE type) {
    if (request != Power.request) return FALSE;
    if (type == PowerRequestDisplayRequired) Power.displayHeld = false;
    return TRUE;
}

struct PetWindowEnvironment : ::testing::Environment {
    void SetUp() override {
        ScreenSaverBeforeOpening = ScreenSaverActive();
        PowerRequests = {FakeCreateRequest, FakeSetRequest, FakeClearRequest};
        ASSERT_EQ(OpenPetWindow(35, 35), 0);
        ASSERT_NE(PetWindowHandle(), nullptr);
        ASSERT_TRUE(Settle());
    }
};

const ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new PetWindowEnvironment);

// --- Key codes, without the window ------------------------------------------

TEST(KeyCodes, CharactersComeInCodePage437) {
    EXPECT_EQ(CharacterCode(27, 1252), 27);
    EXPECT_EQ(CharacterCode(0, 1252), 0);
    EXPECT_EQ(CharacterCode('a', 1252), 'a');
    EXPECT_EQ(CharacterCode('~', 1252), '~');
    // The upper halves differ: é, ü and £ of Windows-1252 and their places
    // in code page 437.
    EXPECT_EQ(CharacterCode(0xE9, 1252), 0x82);
    EXPECT_EQ(CharacterCode(0xFC, 1252), 0x81);
    EXPECT_EQ(CharacterCode(0xA3, 1252), 0x9C);
    // Cyrillic Я of Windows-1251 has no place in 437.
    EXPECT_EQ(CharacterCode(0xDF, 1251), '?');
}

TEST(KeyCodes, KeysWithoutCharactersGetExtendedCodes) {
    EXPECT_EQ(ExtendedKeyCode(VK_UP, false), 257);
    EXPECT_EQ(ExtendedKeyCode(VK_DOWN, false), 258);
    EXPECT_EQ(ExtendedKeyCode(VK_LEFT, false), 259);
    EXPECT_EQ(ExtendedKeyCode(VK_RIGHT, false), 260);
    EXPECT_EQ(ExtendedKeyCode(VK_NEXT, false), 266);
    EXPECT_EQ(ExtendedKeyCode(VK_F1, false), 267);
    EXPECT_EQ(ExtendedKeyCode(VK_F4, false), 270);
    EXPECT_EQ(ExtendedKeyCode(VK_F10, false), 276);
    EXPECT_EQ(ExtendedKeyCode(VK_F12, false), 278);
    EXPECT_EQ(ExtendedKeyCode(VK_F4, true), CloseKey);
    // Their characters come with the character messages.
    EXPECT_EQ(ExtendedKeyCode('A', false), 0);
    EXPECT_EQ(ExtendedKeyCode(VK_ESCAPE, false), 0);
    EXPECT_EQ(ExtendedKeyCode(VK_RETURN, true), 0);
    EXPECT_EQ(ExtendedKeyCode(VK_SHIFT, false), 0);
}

// --- The window as opened -----------------------------------------------------

TEST(Opening, MakesAShapedFramelessWindowCentredOnTheScreen) {
    HWND window = PetWindowHandle();
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.right - rect.left, 35);
    EXPECT_EQ(rect.bottom - rect.top, 35);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 35) >> 1);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 35) >> 1);

    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_FALSE(exStyle & WS_EX_TOPMOST);

    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(key, static_cast<COLORREF>(0x00FF00FF));
    EXPECT_TRUE(flags & LWA_COLORKEY);

    EXPECT_EQ(ScreenSaverActive(), ScreenSaverBeforeOpening) << "the session's setting is left alone";
    EXPECT_EQ(Power.made, 1);
    EXPECT_FALSE(Power.reason.empty()) << "the request says why";
    EXPECT_TRUE(Power.displayHeld) << "no power request keeps the display on";
    EXPECT_EQ(Power.otherTypes, 0) << "the pet keeps only the display on, not the machine";
    EXPECT_TRUE(PetWindowHoldsDisplay());
    EXPECT_NE(OpenPetWindow(35, 35), 0) << "one window per program";
}

TEST(Opening, TheDesktopQueriesAnswerFromTheScreen) {
    int32_t width = 0, height = 0;
    GetDesktopSize(width, height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
    const int32_t top = GetTaskbarTop();
    if (UnderWine()) {
        // Wine's shell puts its taskbar on the screen's last row.
        EXPECT_EQ(top, height - 1);
    } else {
        EXPECT_GE(top, 0);
        EXPECT_LE(top, height);
    }
}

TEST(Opening, TheClockCountsSeconds) {
    const double start = SecondsTimer();
    Sleep(200);
    const double elapsed = SecondsTimer() - start;
    EXPECT_GT(elapsed, 0.19);
    EXPECT_LT(elapsed, 1.0);
}

// --- Presentation -------------------------------------------------------------

TEST(Presentation, ShowsTheFramebufferWithoutItsAlphaByte) {
    Surface* frame = CreateSurface(35, 35);
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 35; ++x)
            SetPixel(frame, static_cast<float>(x), static_cast<float>(y),
                     0xFF000000u | static_cast<uint32_t>(x * 7) << 16 |
                         static_cast<uint32_t>(y * 7) << 8 | 0x40u);
    ASSERT_EQ(PutRect(0, 0, frame, 0, 0, 35, 35), 0);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(WindowPixel(0, 0), 0x000040u);
    EXPECT_EQ(WindowPixel(34, 0), 0xEE0040u);
    EXPECT_EQ(WindowPixel(3, 20), 0x158C40u);
    EXPECT_EQ(WindowPixel(34, 34), 0xEEEE40u);

    // One marked row deep inside: only that row changes, in its own place.
    SetPixel(&PetWindow.framebuffer, 5, 20, 0x00123456u);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(WindowPixel(5, 20), 0x123456u);
    EXPECT_EQ(WindowPixel(5, 19), 0x238540u);
    EXPECT_EQ(WindowPixel(5, 0), 0x230040u);
    DestroySurface(frame);
}

TEST(Presentation, ARepaintRequestDrawsTheWholeWindowAgain) {
    SetColours(0xFF00FF00u, 0xFF204060u);
    ClearScreen();
    ASSERT_TRUE(Settle());
    ASSERT_EQ(WindowPixel(17, 17), 0x204060u);
    // Something else paints over the window; the repaint that follows draws
    // what was presented, although no row is marked.
    HDC dc = GetDC(PetWindowHandle());
    RECT all = {0, 0, 35, 35};
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(PetWindowHandle(), dc);
    ASSERT_EQ(WindowPixel(17, 17), 0x010203u);
    InvalidateRect(PetWindowHandle(), nullptr, FALSE);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(WindowPixel(17, 17), 0x204060u);
    EXPECT_EQ(WindowPixel(0, 34), 0x204060u);
}

// --- The window thread's cycle --------------------------------------------------

TEST(Cycle, SleepsWhileNothingChangesAndWakesForWork) {
    ASSERT_TRUE(Settle());
    const long wakeups = PetWindowWakeups();
    Sleep(400);
    EXPECT_EQ(PetWindowWakeups(), wakeups) << "woke while nothing changed";
    // Nor while the logic thread naps.
    SleepMs(600);
    EXPECT_EQ(PetWindowWakeups(), wakeups) << "woke during a pause";

    // A key posted while the thread sleeps is in the key buffer at once.
    DrainKeys();
    const double start = NowMs();
    PostMessageA(PetWindowHandle(), WM_CHAR, 'k', 1);
    std::string key;
    while (key.empty() && NowMs() - start < 1000) key = PollKey();
    EXPECT_EQ(key, "k");
    EXPECT_LT(NowMs() - start, 30.0);
    ASSERT_TRUE(Settle());
}

TEST(Cycle, FramesAndMovesInQuickSuccessionAreDrawnAtMostEvery10Ms) {
    ASSERT_TRUE(Settle());
    SetColours(0xFF000000u, 0xFF000000u);
    const long before = PetWindowPresents();
    const double start = NowMs();
    for (int i = 1; i <= 40; ++i) {
        SetWindowPosition(200 + i, 300);
        SetPixel(&PetWindow.framebuffer, 10, 10, 0xFF000000u | static_cast<uint32_t>(i));
        Sleep(2);
    }
    const double elapsed = NowMs() - start;
    ASSERT_TRUE(Settle());
    const long presents = PetWindowPresents() - before;
    EXPECT_GE(presents, 2);
    EXPECT_LE(presents, static_cast<long>(elapsed / 10.0) + 3) << "in " << elapsed << " ms";
    // The last state of the burst is what stays.
    EXPECT_EQ(WindowPixel(10, 10), 40u);
    EXPECT_TRUE(WaitForPosition(240, 300));
}

TEST(Cycle, AWaitingCycleGetsTheLockWhileASheetIsBuilt) {
    ASSERT_TRUE(Settle());
    Surface* sheet = CreateSurface(700, 35);
    ASSERT_NE(sheet, nullptr);
    SetWindowPosition(333, 222);
    // Pixel after pixel, each taking the lock, as a sheet is built: the
    // queued move is carried out meanwhile, not after the last pixel.
    const double start = NowMs();
    double movedAfter = -1;
    for (int i = 0; i < 20 * 24500 && movedAfter < 0; ++i) {
        SetPixel(sheet, static_cast<float>(i % 700), static_cast<float>(i / 700 % 35), 0xFF102030u);
        RECT rect;
        if (i % 245 == 0 && GetWindowRect(PetWindowHandle(), &rect) && rect.left == 333 &&
            rect.top == 222)
            movedAfter = NowMs() - start;
    }
    DestroySurface(sheet);
    EXPECT_GE(movedAfter, 0) << "the move waited for the drawing";
    EXPECT_LT(movedAfter, 100.0);
}

// --- The window procedure -------------------------------------------------------

TEST(Messages, ActivationRedrawsTheWholeWindow) {
    HWND window = PetWindowHandle();
    SetColours(0xFF00FF00u, 0xFF306090u);
    ClearScreen();
    ASSERT_TRUE(Settle());
    // Painted over behind the layer's back, without a repaint request: only
    // the redraw that an activation asks for brings the frame back.
    HDC dc = GetDC(window);
    RECT all = {0, 0, 35, 35};
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
    ValidateRect(window, nullptr);
    ASSERT_EQ(WindowPixel(20, 30), 0x010203u);
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(PetWindowActive());
    ASSERT_TRUE(Settle());
    EXPECT_EQ(WindowPixel(20, 30), 0x306090u);
    EXPECT_EQ(WindowPixel(0, 0), 0x306090u);

    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);  // minimised
    EXPECT_FALSE(PetWindowActive());
    SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_TRUE(PetWindowActive());
}

TEST(Messages, CharactersAndKeysFillTheKeyBuffer) {
    HWND window = PetWindowHandle();
    DrainKeys();
    SendMessageA(window, WM_CHAR, 27, 1);
    EXPECT_EQ(PollKey(), "\x1B");
    EXPECT_EQ(PollKey(), "");

    SendMessageA(window, WM_CHAR, 'q', 3);  // repeated three times
    EXPECT_EQ(DrainKeys(), "qqq");

    if (GetACP() == 1252) {
        SendMessageA(window, WM_CHAR, 0xE9, 1);
        EXPECT_EQ(DrainKeys(), "\x82");
    }

    SendMessageA(window, WM_KEYDOWN, VK_UP, 1);
    SendMessageA(window, WM_KEYDOWN, VK_F1, 2);
    SendMessageA(window, WM_KEYDOWN, 'A', 1);  // its character message brings it
    SendMessageA(window, WM_KEYUP, VK_UP, 1);
    EXPECT_EQ(DrainKeys(), "\xFFH\xFF;\xFF;");
}

TEST(Messages, ACloseRequestIsOnlyAKey) {
    HWND window = PetWindowHandle();
    DrainKeys();
    SendMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(Settle());
    // Each puts the close key into the ring; two in a row read as one.
    EXPECT_EQ(DrainKeys(), "\xFFk");
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(Messages, AltF4NeitherClosesNorFillsTheBufferWhileActive) {
    HWND window = PetWindowHandle();
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    DrainKeys();
    const LPARAM altDown = 1 | (static_cast<LPARAM>(1) << 29);
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, altDown);
    SendMessageA(window, WM_SYSKEYDOWN, VK_RETURN, altDown);
    SendMessageA(window, WM_SYSKEYDOWN, VK_UP, altDown);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(DrainKeys(), "");
    EXPECT_TRUE(IsWindow(window));

    // While inactive the keys get the default handling, in which Alt+F4
    // asks the window to close: that request ends as a key again.
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, altDown);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(DrainKeys(), "\xFFk");
    EXPECT_TRUE(IsWindow(window));
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
}

TEST(Messages, TheCursorIsTheArrowAndButtonsCaptureTheMouse) {
    HWND window = PetWindowHandle();
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(window, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(3, 3));
    SendMessageA(window, WM_LBUTTONUP, MK_RBUTTON, MAKELPARAM(3, 3));
    // Still held: the right button.
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(DrainKeys(), "") << "mouse buttons are not keys";
    EXPECT_TRUE(IsWindow(window));
}

// --- Moves, caption, taskbar ----------------------------------------------------

TEST(Moves, AreCarriedOutByTheWindowThreadInOrder) {
    SetWindowPosition(100, 200);
    EXPECT_TRUE(WaitForPosition(100, 200));
    // Several requests within one cycle: the last one wins.
    for (int i = 0; i < 20; ++i) SetWindowPosition(10 * i, 5 * i);
    EXPECT_TRUE(WaitForPosition(190, 95));
    SetWindowPosition(-40, 10);
    EXPECT_TRUE(WaitForPosition(-40, 10)) << "moves are not clamped to the screen";
    SetWindowPosition(KeepCoordinate, 300);
    EXPECT_TRUE(WaitForPosition(-40, 300));
    SetWindowPosition(2000, 800);
    EXPECT_TRUE(WaitForPosition(2000, 800));
    // Under Wine a window wholly off the screen is unmapped, and a window
    // manager may place it where it likes as it comes back; the move after
    // that takes it where it was asked to go.
    SetWindowPosition(190, 95);
    ASSERT_TRUE(Settle());
    SetWindowPosition(190, 95);
    EXPECT_TRUE(WaitForPosition(190, 95));
    RECT rect;
    GetWindowRect(PetWindowHandle(), &rect);
    EXPECT_EQ(rect.right - rect.left, 35);
    EXPECT_EQ(rect.bottom - rect.top, 35);
}

TEST(Caption, IsCutTo127CharactersAndFindsTheWindow) {
    const std::string longTitle(200, 'x');
    SetWindowTitle(longTitle.c_str());
    char caption[256] = {};
    GetWindowTextA(PetWindowHandle(), caption, sizeof caption);
    EXPECT_EQ(std::string(caption), std::string(127, 'x'));

    // Set while the logic thread holds the screen lock: the layer lets go of
    // it while the window thread takes the caption.
    TakeScreenLock();
    SetWindowTitle("Pomfy");
    ReleaseScreenLock();
    EXPECT_EQ(FindWindowA(nullptr, "Pomfy"), PetWindowHandle());
}

TEST(Taskbar, RemovalMakesAToolWindowAndKeepsShapeAndPlace) {
    HWND window = PetWindowHandle();
    SetWindowTitle("Pomfy");
    SetWindowPosition(300, 400);
    ASSERT_TRUE(WaitForPosition(300, 400));
    SetForegroundWindow(window);
    ASSERT_EQ(GetForegroundWindow(), window);
    RemoveFromTaskbar("Pomfy");
    EXPECT_EQ(GetForegroundWindow(), window) << "the window has the keyboard again";
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE(IsWindowVisible(window));
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(key, static_cast<COLORREF>(0x00FF00FF));
    int32_t x = 0, y = 0;
    GetWindowPosition(x, y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 400);
    // A title that no window has changes nothing.
    RemoveFromTaskbar("No such window, surely");
    EXPECT_TRUE(IsWindowVisible(window));
}

// --- Pauses ----------------------------------------------------------------

// Types a key into the window from another thread, as the user would, at
// atMs after it starts. Sent rather than posted: the key is in the key
// buffer when the call returns, so it arrived between before and after.
struct KeyTyper {
    double before = 0;
    double after = 0;
    std::thread thread;
    explicit KeyTyper(DWORD atMs)
        : thread([this, atMs] {
              Sleep(atMs);
              before = NowMs();
              SendMessageA(PetWindowHandle(), WM_CHAR, 'z', 1);
              after = NowMs();
          }) {}
    void Join() {
        if (thread.joinable()) thread.join();
    }
    ~KeyTyper() { Join(); }
};

// The first check point of a pause that began at start at or after t.
double CheckPointAfter(double start, double t) {
    const double steps = static_cast<double>(static_cast<long>((t - start) / 50.0 + 0.999999));
    return start + 50.0 * steps;
}

TEST(Pauses, AKeyEndsALongPauseAtTheNextCheckPoint) {
    // A pause that ends late because the machine is busy is measured again;
    // one that ends early, or late every time, is wrong.
    double start = 0, end = 0, before = 0, after = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        DrainKeys();
        {
            KeyTyper typer(725);
            start = NowMs();
            SleepMs(2000);
            end = NowMs();
            typer.Join();
            before = typer.before;
            after = typer.after;
        }
        ASSERT_GE(end, CheckPointAfter(start, before) - 0.5)
            << "ended " << end - start << " ms in, before the check point after the key ("
            << before - start << " ms)";
        EXPECT_EQ(DrainKeys(), "z") << "the key stays for PollKey";
        if (end < CheckPointAfter(start, after) + 50.0) break;
    }
    EXPECT_LT(end, CheckPointAfter(start, after) + 50.0)
        << "ended " << end - start << " ms in, the key came at " << before - start << " ms";
}

TEST(Pauses, AKeyDuringAShortPauseEndsTheNextLongOneAtOnce) {
    DrainKeys();
    double start = 0, shortPause = 0;
    {
        KeyTyper typer(20);
        start = NowMs();
        SleepMs(80);
        shortPause = NowMs() - start;
    }
    EXPECT_GE(shortPause, 79.5) << "a key shortened a pause under 100 ms";
    start = NowMs();
    SleepMs(2000);
    EXPECT_LT(NowMs() - start, 1000.0) << "the key typed before did not end the pause";
    start = NowMs();
    SleepMs(150);
    EXPECT_GE(NowMs() - start, 149.5) << "the key ended a second pause";
    EXPECT_EQ(DrainKeys(), "z");
}

// --- Closing (last) ---------------------------------------------------------------

TEST(Closing, EndsTheThreadAndRestoresWhatOpeningChanged) {
    HWND window = PetWindowHandle();
    char className[256] = {};
    ASSERT_GT(GetClassNameA(window, className, sizeof className), 0);
    WindowThreadDriver.Close();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(PetWindowHandle(), nullptr);
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), className, &info));
    EXPECT_EQ(ScreenSaverActive(), ScreenSaverBeforeOpening);
    EXPECT_FALSE(PetWindowHoldsDisplay());
    EXPECT_FALSE(Power.displayHeld) << "the display request outlives the window";
    EXPECT_EQ(WaitForSingleObject(Power.request, 0), WAIT_FAILED) << "its handle is left open";
    const long after = PetWindowWakeups();
    Sleep(50);
    EXPECT_EQ(PetWindowWakeups(), after) << "the thread still runs after closing";
}

}  // namespace
