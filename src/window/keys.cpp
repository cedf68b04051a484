// The key ring and PollKey. The window thread puts keys, the logic thread
// takes them, both under the lock.
#include <atomic>
#include <cstdint>
#include <string>

#include "core.h"
#include "platform.h"

KeyRing KeyBuffer;
std::atomic<bool> KeyHitFlag{false};

// When the key-hit flag was last set after being clear.
static std::atomic<int64_t> KeyHitAt{0};

int64_t KeyHitTime() {
    return KeyHitAt.load();
}

// Second character of PollKey for extended codes 256 to 276 (and beyond).
const char ExtendedKeyTable[21] = {107, 72, 80, 75, 77, 82, 83, 71, 79, 73, 81,
                                   59,  60, 61, 62, 63, 64, 65, 66, 67, 68};

void PutKey(int32_t code) {
    KeyBuffer.slot[KeyBuffer.write] = code;
    KeyBuffer.write = (KeyBuffer.write + 1) % 16;
    if (KeyBuffer.write == KeyBuffer.read) KeyBuffer.read = (KeyBuffer.read + 1) % 16;
    // Only a key that finds the flag clear has news for the logic thread: it
    // has not taken the earlier ones yet.
    if (KeyHitFlag) return;
    KeyHitAt = NowNs();
    KeyHitFlag = true;
    KeyArrivedForLogic();
}

// Takes the oldest key, 0 for none; the hit flag is cleared either way.
static int32_t TakeKey() {
    int32_t code = 0;
    if (KeyBuffer.read != KeyBuffer.write) {
        code = KeyBuffer.slot[KeyBuffer.read];
        KeyBuffer.read = (KeyBuffer.read + 1) % 16;
        const PlatformBackend& b = Backend();
        if (b.direct != nullptr) b.direct->KeyTaken(code);
    }
    KeyHitFlag = false;
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
    KeyBuffer = KeyRing();
    KeyHitFlag = false;
}
