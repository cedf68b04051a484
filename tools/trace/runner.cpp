#include "runner.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "behaviours.h"
#include "pet.h"
#include "sim/sim.h"

// --- Options ------------------------------------------------------------------

namespace {

bool ParseInt64(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) {
        return false;
    }
    value = v;
    return true;
}

bool ParseInt32(const std::string& text, int32_t low, int32_t high, int32_t& value) {
    int64_t v = 0;
    if (!ParseInt64(text, low, high, v)) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

// "A<sep>B" with both parts whole numbers in [low, high].
bool ParsePair(const std::string& text, char sep, int32_t low, int32_t high, int32_t& a,
               int32_t& b) {
    const size_t at = text.find(sep);
    return at != std::string::npos && ParseInt32(text.substr(0, at), low, high, a) &&
           ParseInt32(text.substr(at + 1), low, high, b);
}

bool ParseKeys(const std::string& text, std::vector<TimedKey>& keys) {
    keys.clear();
    size_t from = 0;
    for (;;) {
        const size_t comma = text.find(',', from);
        const std::string item = text.substr(from, comma == std::string::npos ? std::string::npos
                                                                              : comma - from);
        const size_t colon = item.find(':');
        if (colon == std::string::npos) {
            return false;
        }
        int64_t t = 0;
        if (!ParseInt64(item.substr(0, colon), 0, INT64_MAX / 2, t)) {
            return false;
        }
        const std::string k = item.substr(colon + 1);
        int32_t code = 0;
        if (k == "esc") {
            code = 27;
        } else if (k == "close") {
            code = CloseKey;
        } else if (k.size() == 1 && k[0] != '\0') {
            code = static_cast<unsigned char>(k[0]);
        } else {
            return false;
        }
        keys.push_back({t, code});
        if (comma == std::string::npos) {
            return true;
        }
        from = comma + 1;
    }
}

}  // namespace

const char* RunOptionsUsage() {
    return "options:\n"
           "  --desktop WxH        desktop size, each at least 100 (default 1024x768)\n"
           "  --taskbar-top N      top edge of the bar along the bottom, 0 for none (default 738)\n"
           "  --seed S             the random seed (default 1)\n"
           "  --behaviour NAME     run only this behaviour\n"
           "  --session MS         run the whole program for MS virtual milliseconds\n"
           "  --start X,Y          the window's position before the run\n"
           "  --keys T:K,...       keys typed at virtual times T; K a character, esc or close\n";
}

void (*BehaviourNamed(const std::string& name))() {
    if (name == "FallingEntrance") {
        return FallingEntrance;
    }
    for (const Action& action : ActionTable) {
        if (name == action.name) {
            return action.run;
        }
    }
    return nullptr;
}

bool ParseRunOptions(int argc, char** argv, RunOptions& options, std::string& error) {
    bool session = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        const bool known = arg == "--desktop" || arg == "--taskbar-top" || arg == "--seed" ||
                           arg == "--behaviour" || arg == "--session" || arg == "--start" ||
                           arg == "--keys";
        if (!known) {
            error = arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unexpected argument " + arg;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        const std::string bad = "bad value for " + arg + ": '" + value + "'";
        if (arg == "--desktop") {
            // On a desktop much narrower than a walk's lap every walk turns
            // before it can end, one level deeper each time, without end.
            if (!ParsePair(value, 'x', 100, 32767, options.desktopWidth, options.desktopHeight)) {
                error = bad + " (want WxH, each from 100 to 32767)";
                return false;
            }
        } else if (arg == "--taskbar-top") {
            if (!ParseInt32(value, 0, 32767, options.taskbarTop)) {
                error = bad + " (want a whole number from 0)";
                return false;
            }
        } else if (arg == "--seed") {
            char* end = nullptr;
            errno = 0;
            const double s = value.empty() ? NAN : std::strtod(value.c_str(), &end);
            // SeedRandom truncates the seed to a 64-bit integer.
            if (value.empty() || errno != 0 || *end != '\0' || !std::isfinite(s) ||
                std::fabs(s) >= 9.2e18) {
                error = bad + " (want a number)";
                return false;
            }
            options.seed = s;
        } else if (arg == "--behaviour") {
            if (!BehaviourNamed(value)) {
                error = bad + " (not a behaviour)";
                return false;
            }
            options.behaviour = value;
        } else if (arg == "--session") {
            if (!ParseInt64(value, 0, INT64_MAX / 2, options.sessionMs)) {
                error = bad + " (want milliseconds from 0)";
                return false;
            }
            session = true;
        } else if (arg == "--start") {
            if (!ParsePair(value, ',', -32768, 32767, options.startX, options.startY)) {
                error = bad + " (want X,Y)";
                return false;
            }
            options.hasStart = true;
        } else if (arg == "--keys") {
            if (!ParseKeys(value, options.keys)) {
                error = bad + " (want T:K,... with K a character, esc or close)";
                return false;
            }
        }
    }
    if (session && !options.behaviour.empty()) {
        error = "--behaviour and --session exclude each other";
        return false;
    }
    if (!session && options.behaviour.empty()) {
        error = "give --behaviour NAME or --session MS";
        return false;
    }
    return true;
}

// --- The run --------------------------------------------------------------------

namespace {

// Thrown from a pet hook to end a run early; only pet code lies between the
// hook and the catch.
struct StopRun {};

// The sheets built most recently, to name the sheet of a frame. Only the
// standard sheet and the last few built can still be alive.
struct BuiltSheet {
    const Surface* sheet = nullptr;
    const char* name = "";
    bool mirrored = false;
};

struct RunState {
    const RunOptions* options = nullptr;
    const TraceSink* sink = nullptr;
    void (*behaviour)() = nullptr;
    BuiltSheet standard;
    BuiltSheet recent[16];
    int32_t next = 0;
    bool placed = false;
    int64_t passes = 0;
    bool stopDue = false;
    bool live = false;  // false while a behaviour's set-up runs
};

RunState Run;

// Every event of the run, the backend's and the pet's, comes through here.
void OnEvent(const TraceEvent& event) {
    if (event.kind == TraceEvent::Kind::Note || !Run.live) {
        return;
    }
    if (event.kind == TraceEvent::Kind::Pass) {
        ++Run.passes;
        if (Run.options->passes >= 0 && Run.passes >= Run.options->passes) {
            Run.stopDue = true;
        }
    }
    if (Run.options->sessionMs >= 0 && event.t >= Run.options->sessionMs) {
        Run.stopDue = true;
        return;
    }
    (*Run.sink)(event);
}

// Called at the pet's own steps, where no window call is under way.
void StopIfDue() {
    if (Run.options->sessionMs >= 0 && SimNow() >= Run.options->sessionMs) {
        Run.stopDue = true;
    }
    if (Run.stopDue) {
        throw StopRun{};
    }
}

// --- The pet's hooks: each records its event with the backend ------------------

void OnBehaviour(const char* name) {
    StopIfDue();
    TraceEvent e;
    e.kind = TraceEvent::Kind::Behaviour;
    e.name = name;
    SimRecord(e);
}

void OnSheet(const Surface* sheet, const char* name, bool mirrored) {
    if (std::strcmp(name, "standard") == 0 && !mirrored) {
        Run.standard = {sheet, name, mirrored};
        // A session's window goes where it was asked before anything shows.
        if (!Run.placed && Run.options->hasStart) {
            SimPlaceWindow(Run.options->startX, Run.options->startY);
            Run.placed = true;
        }
    } else {
        Run.recent[Run.next] = {sheet, name, mirrored};
        Run.next = (Run.next + 1) % 16;
    }
    TraceEvent e;
    e.kind = TraceEvent::Kind::Sheet;
    e.name = name;
    e.mirrored = mirrored;
    e.sheet = sheet;
    SimRecord(e);
}

void OnFrame(const Surface* sheet, int32_t k) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Frame;
    e.frame = k;
    e.sheet = sheet;
    e.name = "?";
    if (sheet == Run.standard.sheet) {
        e.name = Run.standard.name;
    } else {
        for (int32_t n = 1; n <= 16; ++n) {
            const BuiltSheet& b = Run.recent[(Run.next + 16 - n) % 16];
            if (b.sheet == sheet) {
                e.name = b.name;
                e.mirrored = b.mirrored;
                break;
            }
        }
    }
    SimRecord(e);
    StopIfDue();
}

void OnPass() {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Pass;
    SimRecord(e);
}

void RunBody() {
    try {
        if (Run.behaviour) {
            // As start-up would leave it, without the entrance.
            GetDesktopSize(DesktopWidth, DesktopHeight);
            SetUpPetWindow();
            SeedRandom(Run.options->seed);
            BuildStandardSheet();
            if (Run.options->hasStart) {
                SimPlaceWindow(Run.options->startX, Run.options->startY);
            } else {
                SimPlaceWindow((DesktopWidth - 35) >> 1, GroundY());
            }
            GetWindowPosition(PetX, PetY);
            Run.live = true;
            Run.behaviour();
        } else if (Run.options->startUpOnly) {
            Run.live = true;
            StartUp();
        } else {
            Run.live = true;
            PetMain();
        }
    } catch (const StopRun&) {
    }
}

}  // namespace

RunResult RunPet(const RunOptions& options, const TraceSink& sink) {
    // Start-up seeds with SecondsTimer() before any pause: the seed itself.
    SimReset({.desktopWidth = options.desktopWidth,
              .desktopHeight = options.desktopHeight,
              .taskbarTop = options.taskbarTop,
              .keepTrace = options.keepTrace,
              .clockStart = options.seed});
    for (const TimedKey& key : options.keys) {
        SimTypeKey(key.t, key.code);
    }
    for (const TaskbarChange& change : options.taskbarChanges) {
        SimSetTaskbarTopAt(change.t, change.top);
    }

    Run = RunState();
    Run.options = &options;
    Run.sink = &sink;
    if (!options.behaviour.empty()) {
        Run.behaviour = BehaviourNamed(options.behaviour);
        if (!Run.behaviour) {
            return RunResult();
        }
    }
    // Pet globals from an earlier run must not leak into this one.
    CurrentSheet = nullptr;
    StandardSheet = nullptr;
    PetX = PetY = 0;

    const PetHooks saved = Hooks;
    Hooks.behaviour = OnBehaviour;
    Hooks.sheet = OnSheet;
    Hooks.frame = OnFrame;
    Hooks.pass = OnPass;
    SimListener = OnEvent;

    RunResult result;
    const int32_t status = SimRun(RunBody);
    SimListener = nullptr;
    Hooks = saved;

    result.exited = status != -1;
    result.exitCode = status;
    result.stopped = !result.exited && Run.stopDue;
    result.endTime = SimNow();
    result.passes = Run.passes;
    // What a stopped or returned run still holds.
    FreeSheet(CurrentSheet);
    FreeSheet(StandardSheet);
    Run = RunState();
    return result;
}
