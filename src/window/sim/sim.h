// The headless backend: the window layer without a display, on a virtual
// clock that only pauses advance. Tests and tools drive the real pet code
// with it and read back what it did.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Surface;

// One event of a run on this backend: the one shape of the trace that the
// tests, pomfy-trace and pomfy-preview read. The backend records what the
// window layer is asked to do; what the pet itself does (behaviours, sheets,
// frames, main-loop passes) a tool records through SimRecord. Each kind uses
// the fields named beside it; the others keep their defaults.
struct TraceEvent {
    enum class Kind {
        Behaviour,  // name: a behaviour procedure starts
        Sheet,      // name, mirrored, sheet: a sheet was built (sheet null when it
                    // could not be made)
        Frame,      // name, mirrored, frame, sheet: ShowFrame drew frame k of that
                    // sheet as loaded (name "?" for a sheet not seen built)
        Pass,       // a pass of the main loop ended, after its key poll
        Move,       // x, y: the move as carried out
        Present,    // firstRow, lastRow: a window cycle drew these rows
        Sleep,      // ms: SleepMs's argument, at the time the pause begins
        Key,        // key: a code taken from the key buffer by PollKey
        Title,      // text: the caption set
        Taskbar,    // text: the title given to RemoveFromTaskbar
        Exit,       // status: the program ended with this status
        Note,       // text: anything a test or tool records through SimNote
    };
    Kind kind = Kind::Note;
    int64_t t = 0;           // virtual milliseconds since SimReset
    const char* name = "";   // behaviour or sheet name, a string of the pet's own
    bool mirrored = false;
    int32_t frame = 0;
    const Surface* sheet = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    int32_t firstRow = 0;
    int32_t lastRow = 0;
    int32_t ms = 0;
    int32_t key = 0;
    int32_t status = 0;
    std::string text;
};

struct SimConfig {
    int32_t desktopWidth = 1024;
    int32_t desktopHeight = 768;
    int32_t taskbarTop = 738;  // 0: no bar at the bottom
    bool keepTrace = true;     // false: SimTrace stays empty (long soaks)
    double clockStart = 0.0;   // SecondsTimer at virtual time 0
    bool windowOpens = true;   // false: OpenPetWindow fails
};

// Thrown by EndProgram on this backend, so that a run can end without
// ending the process.
struct SimExit {
    int32_t code;
};

// Closes any window, resets the window core, the clock, the keys, the
// scheduled changes and the trace. The window, once opened, stands centred
// as on a real desktop.
void SimReset(const SimConfig& config = SimConfig());
int64_t SimNow();

// A key that the window thread puts into the key buffer at virtual time t
// (27 for Escape, a character code, CloseKey for a close request): it has
// arrived for every poll and every pause check made at a time >= t.
void SimTypeKey(int64_t t, int32_t code);
// From virtual time t on, the bar's top edge is top.
void SimSetTaskbarTopAt(int64_t t, int32_t top);
// Puts the window at (x, y) at once, without a trace event.
void SimPlaceWindow(int32_t x, int32_t y);

// Records an event at the current virtual time (its t is set here): hands it
// to SimListener and keeps it in the trace.
void SimRecord(TraceEvent event);
// Records a Note event.
void SimNote(const std::string& text);
// Everything recorded since SimReset, in time order.
const std::vector<TraceEvent>& SimTrace();
// Called with every event as it is recorded (also when keepTrace is false);
// null for none. Present events are reported while PetWindow.convertedRows
// holds the picture just drawn.
extern void (*SimListener)(const TraceEvent& event);

// Runs body to its end; returns -1 when it returned, or the status it ended
// the program with.
int32_t SimRun(void (*body)());
