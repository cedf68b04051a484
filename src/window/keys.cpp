// The key ring and PollKey. The window thread puts keys, the logic thread
// takes them, both under the lock.
#include <atomic>
#include <cstdint>
#include <string>

#include "core.h"
#include "platform.h"

KeyRing Keys;
const WindowObserver* Observer = nullptr;

// Second character of PollKey for extended codes 256 to 276 (and beyond).
const char ExtendedKeyTable[21] = {107, 72, 80, 75, 77, 82, 83, 71, 79, 73, 81,
                                   59,  60, 61, 62, 63, 64, 65, 66, 67, 68};

void PutKey(int32_t code) {
    Keys.slot[Keys.write] = code;
    Keys.write = (Keys.write + 1) % 16;
    if (Keys.write == Keys.read) Keys.read = (Keys.read + 1) % 16;
    // Only a key that finds the flag clear has news for the logic thread: it
    // has not taken the earlier ones yet.
    if (Keys.hit) return;
    Keys.hitAt = NowNs();
    Keys.hit = true;
    KeyArrivedForLogic();
}

void CloseRequested() {
    PutKey(CloseKey);
}

// Takes the oldest key, 0 for none; the hit flag is cleared either way.
// The pet ignores close requests, and outside a walk it reads one key per
// behaviour: a close request's key with a key behind it is taken along with
// that key, so that it never holds back an Escape typed after it.
static int32_t TakeKey() {
    int32_t code = 0;
    while (Keys.read != Keys.write) {
        code = Keys.slot[Keys.read];
        Keys.read = (Keys.read + 1) % 16;
        if (Observer != nullptr) Observer->KeyTaken(code);
        if (code != CloseKey) break;
    }
    Keys.hit = false;
    return code;
}

std::string PollKey() {
    if (!PetWindow.open) return std::string();
    TakeScreenLock();
    const int32_t code = TakeKey();
    ReleaseScreenLock();

    if (code == 0) return std::string();
    if (code > 0 && code <= 255) return std::string(1, static_cast<char>(code));
    // Everything else is two characters, the first 255, so that no code but
    // 27 itself can read as Escape (negative codes included).
    std::string key(1, '\xFF');
    if ((code & 0xFF) == 0xFF) {
        key += static_cast<char>(code >> 8);
    } else {
        int64_t index = static_cast<int64_t>(code) - 256;
        if (index < 0) index = 0;
        if (index > 20) index = 20;
        key += ExtendedKeyTable[index];
    }
    return key;
}

void ResetKeys() {
    Keys.read = Keys.write = 0;
    Keys.hit = false;
    Keys.hitAt = 0;
}
