// pomfy-win32-probe: the window layer of the Windows program, driven by
// commands on standard input, one per line, each answered by one line on
// standard output. The end-to-end tests look at the window it opens from a
// separate X client.
//
//   open                 OpenPetWindow, 35 x 35                  -> "open STATUS"
//   title TEXT           SetWindowTitle                          -> "ok"
//   frame                puts the test frame and waits for it    -> "ok"
//   shape                the frame's opaque pixels, 35 lines of '#' and '.', then "end"
//   pixel X Y            what the window shows there             -> "pixel RRGGBB"
//   move X Y             SetWindowPosition                       -> "ok"
//   pos                  GetWindowPosition                       -> "pos X Y"
//   untaskbar TITLE      RemoveFromTaskbar                       -> "ok"
//   keys                 every waiting key                       -> "keys C..." (255+C for two)
//   wait-key CODE MS     polls until key CODE arrives            -> "key CODE" or "timeout"
//   desktop              GetDesktopSize, GetTaskbarTop           -> "desktop W H TOP"
//   active               whether the window has the keyboard     -> "active 0|1"
//   wakeups              times the window thread woke so far     -> "wakeups N"
//   nap MS               SleepMs(MS)                             -> "ok"
//   screensaver [0|1]    SPI_GETSCREENSAVEACTIVE, after setting it when given
//                                                               -> "screensaver 0|1"
//   decoy TITLE          a topmost window of this process with that title, on
//                        a thread that answers its messages -> "ok"
//   decoy-state          its extended style and visibility -> "decoy EXSTYLE VISIBLE"
//   others TITLE         windows of other processes with that title, and of
//                        them the tool windows              -> "others N TOOLS"
//   quit STATUS          EndProgram(STATUS)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "core.h"
#include "settle.h"
#include "win32_window.h"
#include "window.h"

namespace {

// The test frame: opaque colours, the mask colour with and without its
// alpha byte (both transparent), and a colour one step off the mask colour
// (opaque).
uint32_t FramePixel(int x, int y) {
    if (x == 0 || y == 0 || x == 34 || y == 34) return MaskColour;
    if ((x * 3 + y * 5) % 7 < 2) return MaskColour;
    if ((x + y) % 9 == 0) return 0x00FF00FFu;
    if ((x * y) % 11 == 3) return 0xFFFF00FEu;
    return 0xFF000000u | static_cast<uint32_t>(x * 7) << 16 | static_cast<uint32_t>(y * 7) << 8 |
           0x20u;
}

bool Opaque(uint32_t pixel) {
    return (pixel & 0x00FFFFFFu) != 0x00FF00FFu;
}

std::string KeyText(const std::string& key) {
    if (key.size() == 1) return std::to_string(static_cast<unsigned char>(key[0]));
    return "255+" + std::to_string(static_cast<unsigned char>(key[1]));
}

int32_t KeyCode(const std::string& key) {
    if (key.size() == 1) return static_cast<unsigned char>(key[0]);
    if (key.size() == 2) return 0xFF | static_cast<unsigned char>(key[1]) << 8;
    return 0;
}

HWND Decoy = nullptr;

void RunDecoy(std::string title, HANDLE made) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PomfyProbeDecoy";
    RegisterClassA(&windowClass);
    Decoy = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, title.c_str(),
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 120, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    SetEvent(made);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string command;
        in >> command;
        std::string rest;
        std::getline(in >> std::ws, rest);
        if (command == "open") {
            std::printf("open %d\n", OpenPetWindow(35, 35));
        } else if (command == "title") {
            SetWindowTitle(rest.c_str());
            std::printf("ok\n");
        } else if (command == "frame") {
            Surface* frame = CreateSurface(35, 35);
            if (frame != nullptr) {
                for (int y = 0; y < 35; ++y)
                    for (int x = 0; x < 35; ++x)
                        SetPixel(frame, static_cast<float>(x), static_cast<float>(y), FramePixel(x, y));
                PutRect(0, 0, frame, 0, 0, 35, 35);
                DestroySurface(frame);
            }
            Settle();
            std::printf(frame != nullptr ? "ok\n" : "failed\n");
        } else if (command == "shape") {
            for (int y = 0; y < 35; ++y) {
                std::string row;
                for (int x = 0; x < 35; ++x) row += Opaque(FramePixel(x, y)) ? '#' : '.';
                std::printf("%s\n", row.c_str());
            }
            std::printf("end\n");
        } else if (command == "pixel") {
            int x = 0, y = 0;
            std::istringstream(rest) >> x >> y;
            HDC dc = GetDC(PetWindowHandle());
            const COLORREF c = GetPixel(dc, x, y);
            ReleaseDC(PetWindowHandle(), dc);
            std::printf("pixel %02X%02X%02X\n", GetRValue(c), GetGValue(c), GetBValue(c));
        } else if (command == "move") {
            int x = 0, y = 0;
            std::istringstream(rest) >> x >> y;
            SetWindowPosition(x, y);
            std::printf("ok\n");
        } else if (command == "pos") {
            int32_t x = 0, y = 0;
            GetWindowPosition(x, y);
            std::printf("pos %d %d\n", static_cast<int>(x), static_cast<int>(y));
        } else if (command == "untaskbar") {
            RemoveFromTaskbar(rest.c_str());
            std::printf("ok\n");
        } else if (command == "keys") {
            std::string out = "keys";
            for (std::string k = PollKey(); !k.empty(); k = PollKey()) out += " " + KeyText(k);
            std::printf("%s\n", out.c_str());
        } else if (command == "wait-key") {
            int code = 0, ms = 0;
            std::istringstream(rest) >> code >> ms;
            bool found = false;
            for (int waited = 0; waited <= ms && !found; waited += 10) {
                for (std::string k = PollKey(); !k.empty() && !found; k = PollKey())
                    found = KeyCode(k) == code;
                if (!found) Sleep(10);
            }
            if (found)
                std::printf("key %d\n", code);
            else
                std::printf("timeout\n");
        } else if (command == "desktop") {
            int32_t w = 0, h = 0;
            GetDesktopSize(w, h);
            std::printf("desktop %d %d %d\n", static_cast<int>(w), static_cast<int>(h),
                        static_cast<int>(GetTaskbarTop()));
        } else if (command == "nap") {
            SleepMs(std::atoi(rest.c_str()));
            std::printf("ok\n");
        } else if (command == "wakeups") {
            std::printf("wakeups %ld\n", PetWindowWakeups());
        } else if (command == "active") {
            std::printf("active %d\n", PetWindowActive() ? 1 : 0);
        } else if (command == "screensaver") {
            if (!rest.empty())
                SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, std::atoi(rest.c_str()), nullptr, 0);
            BOOL active = FALSE;
            SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
            std::printf("screensaver %d\n", active ? 1 : 0);
        } else if (command == "decoy") {
            HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            std::thread(RunDecoy, rest, made).detach();
            WaitForSingleObject(made, 10000);
            CloseHandle(made);
            std::printf(Decoy != nullptr ? "ok\n" : "failed\n");
        } else if (command == "decoy-state") {
            std::printf("decoy %lX %d\n", static_cast<unsigned long>(GetWindowLongA(Decoy, GWL_EXSTYLE)),
                        IsWindowVisible(Decoy) ? 1 : 0);
        } else if (command == "others") {
            int count = 0, tools = 0;
            for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, rest.c_str()); w != nullptr;
                 w = FindWindowExA(nullptr, w, nullptr, rest.c_str())) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == GetCurrentProcessId()) continue;
                ++count;
                if (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) ++tools;
            }
            std::printf("others %d %d\n", count, tools);
        } else if (command == "quit") {
            EndProgram(std::atoi(rest.c_str()));
        } else if (!command.empty()) {
            std::printf("unknown %s\n", command.c_str());
        }
    }
    return 0;
}
