#include "harness.h"

#include <algorithm>

namespace {

std::string SheetLabel(const char* name, bool mirrored) {
    return std::string(name) + (mirrored ? "~" : "");
}

std::string Text(const PetEvent& e) {
    switch (e.kind) {
    case PetEvent::Kind::Behaviour:
        return std::string("behaviour ") + e.name;
    case PetEvent::Kind::Sheet:
        return "sheet " + SheetLabel(e.name, e.mirrored) + (e.sheet ? "" : " null");
    case PetEvent::Kind::Frame:
        return "frame " + SheetLabel(e.name, e.mirrored) + " " + std::to_string(e.frame);
    case PetEvent::Kind::Move:
        return "move " + std::to_string(e.x) + " " + std::to_string(e.y);
    case PetEvent::Kind::Sleep:
        return "sleep " + std::to_string(e.ms);
    case PetEvent::Kind::Key:
        return "key " + std::to_string(e.code);
    case PetEvent::Kind::Title:
        return std::string("title ") + e.text;
    case PetEvent::Kind::Taskbar:
        return std::string("taskbar ") + e.text;
    case PetEvent::Kind::Exit:
        return "exit " + std::to_string(e.code);
    case PetEvent::Kind::Present:
        break;
    }
    return "";
}

PetTrace Trace(const RunOptions& options, const PetProbe& probe) {
    PetTrace trace;
    trace.result = RunPet(options, [&](const PetEvent& e) {
        if (probe) {
            probe(e);
        }
        if (e.kind != PetEvent::Kind::Present) {
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
