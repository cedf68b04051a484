// pomfy-trace: its options and, where the tool is built, its output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

#include "harness.h"

using ::testing::ElementsAre;

namespace {

bool Parse(std::vector<std::string> args, RunOptions& o, std::string& error) {
    args.insert(args.begin(), "pomfy-trace");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    return ParseRunOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

}  // namespace

TEST(TraceOptions, ReadsEveryOption) {
    RunOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--desktop", "800x600", "--taskbar-top=0", "--seed", "12.9", "--behaviour",
                       "FallingEntrance", "--start", "-20,30", "--keys", "100:esc,250:a,300:close"},
                      o, error))
        << error;
    EXPECT_EQ(o.desktopWidth, 800);
    EXPECT_EQ(o.desktopHeight, 600);
    EXPECT_EQ(o.taskbarTop, 0);
    EXPECT_EQ(o.seed, 12.9);
    EXPECT_EQ(o.behaviour, "FallingEntrance");
    EXPECT_TRUE(o.hasStart);
    EXPECT_EQ(o.startX, -20);
    EXPECT_EQ(o.startY, 30);
    ASSERT_EQ(o.keys.size(), 3u);
    EXPECT_EQ(o.keys[0].t, 100);
    EXPECT_EQ(o.keys[0].code, 27);
    EXPECT_EQ(o.keys[1].code, 'a');
    EXPECT_EQ(o.keys[2].t, 300);
    EXPECT_EQ(o.keys[2].code, CloseKey);

    RunOptions s;
    ASSERT_TRUE(Parse({"--session", "60000"}, s, error)) << error;
    EXPECT_EQ(s.sessionMs, 60000);
    EXPECT_TRUE(s.behaviour.empty());
    EXPECT_EQ(s.desktopWidth, 1024);
    EXPECT_EQ(s.taskbarTop, 738);
    EXPECT_EQ(s.seed, 1);
}

TEST(TraceOptions, RefusesBadOptionsAndValues) {
    std::vector<std::vector<std::string>> bad = {
        {},
        {"--session", "10", "--behaviour", "Idle"},
        {"--session"},
        {"--session", "-5"},
        {"--session", "12ms"},
        {"--behaviour", "Dance"},
        {"--behaviour", "walkright"},
    };
    // Each of these values, given to its option, with a good behaviour.
    const std::vector<std::pair<std::string, std::vector<std::string>>> badValues = {
        {"--desktop", {"800", "0x600", "60x600", "800x600x2"}},
        {"--taskbar-top", {"-1"}},
        {"--seed", {"abc", "inf"}},
        {"--start", {"5", "5,x"}},
        {"--keys", {"10", "10:ab", "10:esc,", "-1:esc"}},
    };
    for (const auto& [option, values] : badValues) {
        for (const std::string& value : values) {
            bad.push_back({"--behaviour", "Idle", option, value});
        }
    }
    bad.push_back({"--behaviour", "Idle", "--bogus"});
    bad.push_back({"--behaviour", "Idle", "stray"});
    for (const auto& args : bad) {
        RunOptions o;
        std::string error;
        std::string shown;
        for (const std::string& a : args) {
            shown += a + " ";
        }
        EXPECT_FALSE(Parse(args, o, error)) << shown;
        EXPECT_FALSE(error.empty()) << shown;
        EXPECT_EQ(error.find('\n'), std::string::npos) << shown;
    }
}

#ifdef POMFY_TRACE_PATH

namespace {

struct ToolRun {
    int status = -1;
    std::vector<std::string> out;
    std::string err;
};

ToolRun RunTool(const std::string& args) {
    const std::string errFile = "pomfy-trace-test.err";
    const std::string command = std::string(POMFY_TRACE_PATH) + " " + args + " 2>" + errFile;
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::string text;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, got);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        run.out.push_back(line);
    }
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    std::remove(errFile.c_str());
    return run;
}

int64_t TimeOf(const std::string& line) {
    return std::stoll(line.substr(5, line.find(',') - 5));
}

}  // namespace

TEST(TraceTool, PrintsOneJsonObjectPerEventInTimeOrder) {
    const ToolRun run = RunTool("--behaviour HappyJump --start 100,650");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    ASSERT_EQ(run.out.size(), 1u + 8 * 3 + 1);
    EXPECT_THAT(std::vector<std::string>(run.out.begin(), run.out.begin() + 4),
                ElementsAre(R"({"t":0,"ev":"behaviour","name":"HappyJump"})",
                            R"({"t":0,"ev":"move","x":100,"y":706})",
                            R"({"t":0,"ev":"frame","sheet":"happyjump","mirrored":false,"frame":1})",
                            R"({"t":0,"ev":"sleep","ms":80})"));
    EXPECT_EQ(run.out.back(), R"({"t":640,"ev":"sleep","ms":500})");
    const std::regex any(
        R"(\{"t":[0-9]+,"ev":("behaviour","name":"[A-Za-z]+"|"move","x":-?[0-9]+,"y":-?[0-9]+|)"
        R"("frame","sheet":"[a-z]+","mirrored":(true|false),"frame":[0-9]+|"sleep","ms":-?[0-9]+|)"
        R"("exit","code":[0-9]+)\})");
    int64_t last = 0;
    for (const std::string& line : run.out) {
        EXPECT_TRUE(std::regex_match(line, any)) << line;
        EXPECT_GE(TimeOf(line), last) << line;
        last = TimeOf(line);
    }
}

TEST(TraceTool, DesktopTaskbarAndDefaultStart) {
    // Centred on a ground line near the top when there is no bar.
    const ToolRun run = RunTool("--behaviour HappyJump --desktop 800x600 --taskbar-top 0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out[1], R"({"t":0,"ev":"move","x":382,"y":3})");

    const ToolRun left = RunTool("--behaviour WalkLeft --seed 3");
    ASSERT_EQ(left.status, 0) << left.err;
    EXPECT_EQ(left.out[1], R"({"t":0,"ev":"move","x":491,"y":706})");
    EXPECT_EQ(left.out[2], R"({"t":0,"ev":"frame","sheet":"walking","mirrored":true,"frame":10})");
}

TEST(TraceTool, SessionsStopAtTheirTimeOrAtTheExit) {
    const ToolRun session = RunTool("--session 3000 --seed 4");
    ASSERT_EQ(session.status, 0) << session.err;
    EXPECT_EQ(session.out.front(), R"({"t":0,"ev":"frame","sheet":"standard","mirrored":false,"frame":2})");
    EXPECT_EQ(session.out[2], R"({"t":1500,"ev":"behaviour","name":"FallingEntrance"})");
    for (const std::string& line : session.out) {
        EXPECT_LT(TimeOf(line), 3000) << line;
    }
    EXPECT_GT(TimeOf(session.out.back()), 2000);

    const ToolRun ended = RunTool("--session 1000000 --seed 4 --keys 20000:esc");
    ASSERT_EQ(ended.status, 0) << ended.err;
    EXPECT_TRUE(std::regex_match(ended.out.back(), std::regex(R"(\{"t":[0-9]+,"ev":"exit","code":0\})")))
        << ended.out.back();
    EXPECT_LT(TimeOf(ended.out.back()), 60000);
}

TEST(TraceTool, BadOptionsGiveOneLineAndStatusTwo) {
    for (const char* args : {"--bogus", "--behaviour Dance", "--session 10 --behaviour Idle",
                             "--desktop 1024 --session 10", ""}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_TRUE(run.out.empty()) << args;
        ASSERT_FALSE(run.err.empty()) << args;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << args;
    }
}

#endif
