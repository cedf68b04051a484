#include "harness.h"

#include <algorithm>

#include "pet.h"

namespace {

std::string SheetLabel(const char* name, bool mirrored) {
    return std::string(name) + (mirrored ? "~" : "");
}

// The line of an event; "" for the kinds that have none (presents, passes,
// notes).
std::string Text(const TraceEvent& e) {
    switch (e.kind) {
    case TraceEvent::Kind::Behaviour:
        return std::string("behaviour ") + e.name;
    case TraceEvent::Kind::Sheet:
        return "sheet " + SheetLabel(e.name, e.mirrored) + (e.sheet ? "" : " null");
    case TraceEvent::Kind::Frame:
        return "frame " + SheetLabel(e.name, e.mirrored) + " " + std::to_string(e.frame);
    case TraceEvent::Kind::Move:
        return "move " + std::to_string(e.x) + " " + std::to_string(e.y);
    case TraceEvent::Kind::Sleep:
        return "sleep " + std::to_string(e.ms);
    case TraceEvent::Kind::Key:
        return "key " + std::to_string(e.key);
    case TraceEvent::Kind::Title:
        return "title " + e.text;
    case TraceEvent::Kind::Taskbar:
        return "taskbar " + e.text;
    case TraceEvent::Kind::Exit:
        return "exit " + std::to_string(e.status);
    case TraceEvent::Kind::Pass:
    case TraceEvent::Kind::Present:
    case TraceEvent::Kind::Note:
        break;
    }
    return "";
}

PetTrace Trace(const RunOptions& options, const PetProbe& probe) {
    PetTrace trace;
    trace.result = RunPet(options, [&](const TraceEvent& e) {
        if (probe) {
            probe(e);
        }
        if (e.kind == TraceEvent::Kind::Pass) {
            trace.passEnds.push_back(trace.lines.size());
        } else if (e.kind != TraceEvent::Kind::Present) {
            trace.lines.push_back({e.t, Text(e)});
        }
    });
    return trace;
}

std::string KindOf(const std::string& text) {
    return text.substr(0, text.find(' '));
}

}  // namespace

std::vector<std::string> PetTrace::Texts() const {
    std::vector<std::string> out;
    for (const TraceLine& line : lines) {
        out.push_back(line.text);
    }
    return out;
}

std::vector<std::string> PetTrace::Of(const std::string& kind) const {
    std::vector<std::string> out;
    for (const TraceLine& line : lines) {
        if (KindOf(line.text) == kind) {
            out.push_back(line.text);
        }
    }
    return out;
}

std::vector<std::string> PetTrace::Without(const std::vector<std::string>& kinds) const {
    std::vector<std::string> out;
    for (const TraceLine& line : lines) {
        if (std::find(kinds.begin(), kinds.end(), KindOf(line.text)) == kinds.end()) {
            out.push_back(line.text);
        }
    }
    return out;
}

std::vector<std::string> PetTrace::Timed() const {
    std::vector<std::string> out;
    for (const TraceLine& line : lines) {
        out.push_back(std::to_string(line.t) + " " + line.text);
    }
    return out;
}

int64_t PetTrace::PauseSum() const {
    int64_t sum = 0;
    for (const TraceLine& line : lines) {
        if (KindOf(line.text) == "sleep") {
            sum += std::stoll(line.text.substr(6));
        }
    }
    return sum;
}

int64_t PetTrace::TimeOf(const std::string& text, int32_t n) const {
    for (const TraceLine& line : lines) {
        if (line.text == text && n-- == 0) {
            return line.t;
        }
    }
    return -1;
}

int32_t PetTrace::Count(const std::string& text) const {
    return static_cast<int32_t>(std::count_if(lines.begin(), lines.end(),
                                              [&](const TraceLine& l) { return l.text == text; }));
}

RunOptions At(int32_t x, int32_t y, double seed) {
    RunOptions o;
    o.hasStart = true;
    o.startX = x;
    o.startY = y;
    o.seed = seed;
    return o;
}

RunOptions Narrowed(RunOptions options, int32_t width) {
    options.desktopWidth = width;
    return options;
}

int32_t FirstDraw(double seed, int32_t n) {
    SimReset();
    SeedRandom(seed);
    return RandomInt(n);
}

PetTrace TraceBehaviour(const std::string& name, RunOptions options, const PetProbe& probe) {
    options.behaviour = name;
    return Trace(options, probe);
}

PetTrace TraceProgram(RunOptions options, const PetProbe& probe) {
    options.behaviour.clear();
    options.startUpOnly = false;
    return Trace(options, probe);
}

PetTrace TraceStartUp(RunOptions options, const PetProbe& probe) {
    options.behaviour.clear();
    options.startUpOnly = true;
    return Trace(options, probe);
}

Script& Script::Behaviour(const std::string& name) {
    return Line("behaviour " + name);
}

Script& Script::Sheet(const std::string& name) {
    return Line("sheet " + name);
}

Script& Script::Frame(const std::string& sheet, int32_t k) {
    return Line("frame " + sheet + " " + std::to_string(k));
}

Script& Script::Sleep(int32_t ms) {
    return Line("sleep " + std::to_string(ms));
}

Script& Script::Show(const std::string& sheet, int32_t k, int32_t ms) {
    return Frame(sheet, k).Sleep(ms);
}

Script& Script::Move(int32_t x, int32_t y) {
    return Line("move " + std::to_string(x) + " " + std::to_string(y));
}

Script& Script::Line(const std::string& text) {
    lines.push_back(text);
    return *this;
}

Script& Script::Then(const Script& more) {
    lines.insert(lines.end(), more.lines.begin(), more.lines.end());
    return *this;
}
