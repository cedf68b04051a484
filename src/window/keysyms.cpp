// Key codes of keysyms. The values are those of the X keysym table, which
// xkbcommon keeps.
#include "core.h"
#include "neutral.h"

namespace {
enum : uint32_t {
    SymNone = 0,
    SymHome = 0xFF50, SymLeft, SymUp, SymRight, SymDown, SymPrior, SymNext, SymEnd,
    SymInsert = 0xFF63,
    SymModeSwitch = 0xFF7E, SymNumLock = 0xFF7F,
    SymKpHome = 0xFF95, SymKpLeft, SymKpUp, SymKpRight, SymKpDown, SymKpPrior, SymKpNext,
    SymKpEnd, SymKpBegin, SymKpInsert, SymKpDelete,
    SymF1 = 0xFFBE, SymF10 = 0xFFC7, SymF11, SymF12,
    SymShiftL = 0xFFE1, SymHyperR = 0xFFEE,
    SymIsoLock = 0xFE01, SymIsoLevel5Lock = 0xFE13,
    SymDelete = 0xFFFF,
};

bool IsModifier(uint32_t keysym) {
    return (keysym >= SymShiftL && keysym <= SymHyperR) ||
           (keysym >= SymIsoLock && keysym <= SymIsoLevel5Lock) || keysym == SymModeSwitch ||
           keysym == SymNumLock;
}
}  // namespace

int32_t KeyCodeOfKeysym(uint32_t keysym, int32_t character) {
    // Keys that stand for movement and editing keep one code whether they
    // come from the main block or from the keypad with Num Lock off, and
    // Delete is a key, not the character 127.
    switch (keysym) {
        case SymUp: case SymKpUp: return KeyUp;
        case SymDown: case SymKpDown: return KeyDown;
        case SymLeft: case SymKpLeft: return KeyLeft;
        case SymRight: case SymKpRight: return KeyRight;
        case SymInsert: case SymKpInsert: return KeyInsert;
        case SymDelete: case SymKpDelete: return KeyDelete;
        case SymHome: case SymKpHome: return KeyHome;
        case SymEnd: case SymKpEnd: return KeyEnd;
        case SymPrior: case SymKpPrior: return KeyPageUp;
        case SymNext: case SymKpNext: return KeyPageDown;
        case SymF11: return KeyF11;
        case SymF12: return KeyF12;
        default: break;
    }
    if (keysym >= SymF1 && keysym <= SymF10) return KeyF1 + static_cast<int32_t>(keysym - SymF1);
    if (IsModifier(keysym)) return -1;
    if (character >= 0) return character & 0xFF;
    return keysym == SymNone ? -1 : KeyOther;
}
