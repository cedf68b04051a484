// A small program that opens the pet window through window.h and obeys one
// command per line on standard input, answering each with one line:
//   desktop | bar | open | clear | frame test|mask|N | move X|keep Y|keep
//   pos | keys | title TEXT | taskbar TEXT | sleep MS | end STATUS
// "keys" answers with every key taken, each as the hex codes of PollKey's
// characters ("keys 1b ff6b"). The end-to-end tests drive it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "probe_frame.h"
#include "window.h"

static Surface* Frame = nullptr;

static int32_t Coordinate(const std::string& word) {
    return word == "keep" ? KeepCoordinate : std::stoi(word);
}

static std::string Obey(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::string rest;
    std::getline(in >> std::ws, rest);
    if (command == "desktop") {
        int32_t w = 0, h = 0;
        GetDesktopSize(w, h);
        return std::to_string(w) + " " + std::to_string(h);
    }
    if (command == "bar") return std::to_string(GetTaskbarTop());
    if (command == "open") {
        const int32_t status = OpenPetWindow(35, 35);
        Frame = CreateSurface(35, 35);
        return std::to_string(status);
    }
    if (command == "clear") {
        SetColours(MaskColour, MaskColour);
        ClearScreen();
        return "ok";
    }
    if (command == "frame") {
        // "test", "mask", or a number that picks one of a few plain frames.
        const int32_t n = rest == "test" || rest == "mask" ? 0 : std::atoi(rest.c_str());
        for (int32_t y = 0; y < 35; ++y) {
            for (int32_t x = 0; x < 35; ++x) {
                uint32_t c = MaskColour;
                if (rest == "test") c = TestFramePixel(x, y);
                else if (rest != "mask" && (x + y + n) % 3 != 0) c = 0xFF000000u + 0x010203u * n;
                SetPixel(Frame, float(x), float(y), c);
            }
        }
        return std::to_string(PutRect(0, 0, Frame, 0, 0, 35, 35));
    }
    if (command == "move") {
        std::istringstream words(rest);
        std::string x, y;
        words >> x >> y;
        SetWindowPosition(Coordinate(x), Coordinate(y));
        return "ok";
    }
    if (command == "pos") {
        int32_t x = 0, y = 0;
        GetWindowPosition(x, y);
        return std::to_string(x) + " " + std::to_string(y);
    }
    if (command == "keys") {
        std::string out = "keys";
        for (std::string key = PollKey(); !key.empty(); key = PollKey()) {
            char hex[8];
            out += ' ';
            for (unsigned char c : key) {
                std::snprintf(hex, sizeof hex, "%02x", c);
                out += hex;
            }
        }
        return out;
    }
    if (command == "title") {
        SetWindowTitle(rest.c_str());
        return "ok";
    }
    if (command == "taskbar") {
        RemoveFromTaskbar(rest.c_str());
        return "ok";
    }
    if (command == "sleep") {
        SleepMs(std::atoi(rest.c_str()));
        return "ok";
    }
    if (command == "end") EndProgram(std::atoi(rest.c_str()));
    return "unknown command: " + command;
}

int main() {
    for (std::string line; std::getline(std::cin, line);) {
        std::cout << Obey(line) << std::endl;
    }
    return 0;
}
