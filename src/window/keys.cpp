// The key ring, PollKey, pauses, the clock and the random generator.
#include <cmath>
#include <cstdint>
#include <string>

#include "core.h"
#include "platform.h"

KeyRing KeyBuffer;
bool KeyHitFlag = false;

// Second character of PollKey for extended codes 256 to 276 (and beyond).
const char ExtendedKeyTable[21] = {107, 72, 80, 75, 77, 82, 83, 71, 79, 73, 81,
                                   59,  60, 61, 62, 63, 64, 65, 66, 67, 68};

void PutKey(int32_t code) {
    KeyBuffer.slot[KeyBuffer.write] = code;
    KeyBuffer.write = (KeyBuffer.write + 1) % 16;
    if (KeyBuffer.write == KeyBuffer.read) KeyBuffer.read = (KeyBuffer.read + 1) % 16;
    KeyHitFlag = true;
}

// Takes the oldest key, 0 for none; the hit flag is cleared either way.
static int32_t TakeKey() {
    int32_t code = 0;
    if (KeyBuffer.read != KeyBuffer.write) {
        code = KeyBuffer.slot[KeyBuffer.read];
        KeyBuffer.read = (KeyBuffer.read + 1) % 16;
    }
    KeyHitFlag = false;
    return code;
}

std::string PollKey() {
    if (!WindowOpen) return std::string();
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

// Reads and clears the key-hit flag, as one check of a long pause.
static bool KeyArrived() {
    // Without a window no key can arrive, and on some systems the lock itself
    // only exists while the window does.
    if (!WindowOpen) {
        const bool hit = KeyHitFlag;
        KeyHitFlag = false;
        return hit;
    }
    TakeScreenLock();
    const bool hit = KeyHitFlag;
    KeyHitFlag = false;
    ReleaseScreenLock();
    return hit;
}

void SleepMs(int32_t n) {
    PlatformPauseStarts(n);
    if (n == -1) {  // until a key arrives
        while (!KeyArrived()) PlatformSleep(50);
        return;
    }
    if (n < 100) {
        if (n > 0) PlatformSleep(n);
        return;
    }
    do {
        if (KeyArrived()) return;
        PlatformSleep(50);
        n -= 50;
    } while (n > 50);
    if (n > 0) PlatformSleep(n);
}

double SecondsTimer() {
    return PlatformSeconds();
}

// MT19937 with its own seeding: a linear congruential fill of the state.
static uint32_t MtState[624];
static int32_t MtPosition = 624;
static bool MtSeeded = false;

void SeedRandom(double seed, int32_t choice) {
    (void)choice;  // one generator only
    int64_t whole = 0;
    if (std::isnan(seed))
        whole = 0;
    else if (seed >= 9223372036854775807.0)
        whole = INT64_MAX;
    else if (seed <= -9223372036854775808.0)
        whole = INT64_MIN;
    else
        whole = static_cast<int64_t>(seed);  // truncated toward zero
    MtState[0] = static_cast<uint32_t>(static_cast<uint64_t>(whole));
    for (int i = 1; i < 624; ++i) MtState[i] = MtState[i - 1] * 1664525u + 1013904223u;
    MtPosition = 624;
    MtSeeded = true;
}

static void Regenerate() {
    for (int i = 0; i < 624; ++i) {
        const uint32_t y = (MtState[i] & 0x80000000u) | (MtState[(i + 1) % 624] & 0x7FFFFFFFu);
        MtState[i] = MtState[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    MtPosition = 0;
}

double RandomUnit() {
    if (!MtSeeded) SeedRandom(0.0, 0);
    if (MtPosition >= 624) Regenerate();
    uint32_t y = MtState[MtPosition++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y * (1.0 / 4294967296.0);
}

// Before any SeedRandom the generator runs as if seeded with 0.
void ResetKeysAndChance() {
    KeyBuffer = KeyRing();
    KeyHitFlag = false;
    SeedRandom(0.0, 0);
}
