// Scripted runs: a small list of input steps that GetMessageW takes one at a time whenever the
// queue runs dry, so a person or a test can drive the program without a display.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/win_window.h"

namespace mv {

namespace {

enum class StepKind { Tap, Press, Move, Release, SoftKey, Key, Type, Wait, Clock, Shot, Call, Quit };

struct Step {
    int line = 0;
    StepKind kind = StepKind::Quit;
    int x = 0;
    int y = 0;
    UINT vk = 0;
    bool ctrl = false;
    bool shift = false;
    int softKey = -1;
    std::wstring text;
    int64_t ms = 0;
    std::string arg;
};

constexpr long long kMaxClockStep = 100LL * 366 * 86400;

struct ScriptState {
    std::mutex mutex;
    std::deque<Step> steps;
    std::map<std::string, std::function<void()>> hooks;
};

ScriptState& S() {
    static ScriptState* state = new ScriptState;
    return *state;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ParseInt(const std::string& token, long long* value) {
    if (token.empty()) return false;
    char* end = nullptr;
    long long v = std::strtoll(token.c_str(), &end, 10);
    if (end == nullptr || *end != 0) return false;
    *value = v;
    return true;
}

// A key name: F1, F2, ENTER, BACK, ESC, TAB, UP, DOWN, LEFT, RIGHT, DELETE, SPACE, a letter or a
// digit, optionally with CTRL+ and/or SHIFT+ in front.
bool ParseKey(std::string name, Step* step) {
    name = Upper(name);
    for (bool more = true; more;) {
        more = false;
        if (name.rfind("CTRL+", 0) == 0) {
            step->ctrl = more = true;
            name = name.substr(5);
        } else if (name.rfind("SHIFT+", 0) == 0) {
            step->shift = more = true;
            name = name.substr(6);
        }
    }
    if (name == "F1" || name == "F2") {
        step->kind = StepKind::SoftKey;
        step->softKey = name == "F1" ? 0 : 1;
        return !step->ctrl && !step->shift;
    }
    static const std::map<std::string, UINT> kNames = {
        {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"BACK", VK_BACK},   {"BACKSPACE", VK_BACK},
        {"ESC", VK_ESCAPE},   {"ESCAPE", VK_ESCAPE}, {"TAB", VK_TAB},     {"UP", VK_UP},
        {"DOWN", VK_DOWN},    {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT}, {"DELETE", VK_DELETE},
        {"DEL", VK_DELETE},   {"SPACE", ' '}};
    auto it = kNames.find(name);
    if (it != kNames.end()) {
        step->vk = it->second;
        return true;
    }
    if (name.size() == 1 && (std::isupper(static_cast<unsigned char>(name[0])) ||
                             std::isdigit(static_cast<unsigned char>(name[0])))) {
        step->vk = static_cast<UINT>(name[0]);
        return true;
    }
    return false;
}

// Parses one line; returns an empty string when it is fine, else what is wrong with it.
std::string ParseLine(const std::string& raw, int lineNo, std::vector<Step>* out) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') return std::string();
    size_t space = trimmed.find_first_of(" \t");
    std::string command = Upper(trimmed.substr(0, space));
    std::string rest = space == std::string::npos ? std::string() : trimmed.substr(space + 1);
    Step step;
    step.line = lineNo;
    if (command == "TYPE") {
        // The text is the rest of the line after one separating blank, as written.
        size_t at = line.find_first_not_of(" \t");
        at = line.find_first_of(" \t", at);
        step.kind = StepKind::Type;
        step.text = at == std::string::npos ? std::wstring() : Utf8ToWide(line.substr(at + 1));
        if (step.text.empty()) return "type needs a text";
        out->push_back(step);
        return std::string();
    }
    // Elsewhere a '#' starts a comment.
    size_t hash = rest.find('#');
    if (hash != std::string::npos) rest = Trim(rest.substr(0, hash));
    std::istringstream in(rest);
    std::vector<std::string> args;
    for (std::string a; in >> a;) args.push_back(a);
    if (command == "TAP" || command == "PRESS" || command == "MOVE" || command == "RELEASE") {
        long long x, y;
        if (args.size() != 2 || !ParseInt(args[0], &x) || !ParseInt(args[1], &y))
            return Trim(command) + " needs two whole numbers X Y";
        if (x < -10000 || x > 10000 || y < -10000 || y > 10000) return "coordinates out of range";
        step.kind = command == "TAP"     ? StepKind::Tap
                    : command == "PRESS" ? StepKind::Press
                    : command == "MOVE"  ? StepKind::Move
                                         : StepKind::Release;
        step.x = static_cast<int>(x);
        step.y = static_cast<int>(y);
    } else if (command == "SOFTKEY") {
        std::string which = args.size() == 1 ? Upper(args[0]) : std::string();
        if (which != "LEFT" && which != "RIGHT") return "softkey needs left or right";
        step.kind = StepKind::SoftKey;
        step.softKey = which == "LEFT" ? 0 : 1;
    } else if (command == "KEY") {
        step.kind = StepKind::Key;
        if (args.size() != 1 || !ParseKey(args[0], &step)) return "unknown key \"" + rest + "\"";
    } else if (command == "WAIT") {
        long long ms;
        if (args.size() != 1 || !ParseInt(args[0], &ms) || ms < 0 || ms > 0x7FFFFFFF)
            return "wait needs a number of milliseconds";
        step.kind = StepKind::Wait;
        step.ms = ms;
    } else if (command == "CLOCK") {
        // Seconds to step the wall clock by, forward or (negative) back; at most about a century.
        long long seconds;
        if (args.size() != 1 || !ParseInt(args[0], &seconds) || seconds < -kMaxClockStep ||
            seconds > kMaxClockStep)
            return "clock needs a number of seconds (negative: back)";
        step.kind = StepKind::Clock;
        step.ms = seconds;
    } else if (command == "SHOT") {
        if (rest.empty()) return "shot needs a file name";
        step.kind = StepKind::Shot;
        step.arg = rest;
    } else if (command == "CALL") {
        if (args.size() != 1) return "call needs a hook name";
        step.kind = StepKind::Call;
        step.arg = args[0];
    } else if (command == "QUIT") {
        if (!args.empty()) return "quit takes nothing";
        step.kind = StepKind::Quit;
    } else {
        return "unknown command \"" + trimmed.substr(0, space) + "\"";
    }
    out->push_back(step);
    return std::string();
}

void ReportStep(const Step& step, const std::string& what) {
    std::fprintf(stderr, "movimetra: script line %d: %s\n", step.line, what.c_str());
}

}  // namespace

bool ScriptHasStep() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return !S().steps.empty();
}

void RunScriptStep() {
    Step step;
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (S().steps.empty()) return;
        step = S().steps.front();
        S().steps.pop_front();
    }
    switch (step.kind) {
        case StepKind::Tap:
            MvTap(step.x, step.y);
            break;
        case StepKind::Press:
            MvStylusDown(step.x, step.y);
            break;
        case StepKind::Move:
            MvStylusMove(step.x, step.y);
            break;
        case StepKind::Release:
            MvStylusUp(step.x, step.y);
            break;
        case StepKind::SoftKey:
            MvSoftKey(step.softKey);
            break;
        case StepKind::Key:
            MvKey(step.vk, step.ctrl, step.shift);
            break;
        case StepKind::Type:
            MvTypeText(step.text);
            break;
        case StepKind::Wait: {
            Lock lk(CoreState().mutex);
            CoreState().scriptWaitUntil = NowMs() + step.ms;
            break;
        }
        case StepKind::Clock:
            if (!MvStepWallClock(step.ms)) ReportStep(step, "clock needs the manual clock");
            break;
        case StepKind::Shot:
            if (!MvFramebufferWritePng(step.arg)) ReportStep(step, "cannot write \"" + step.arg + "\"");
            break;
        case StepKind::Call: {
            std::function<void()> hook;
            {
                std::lock_guard<std::mutex> lock(S().mutex);
                auto it = S().hooks.find(step.arg);
                if (it != S().hooks.end()) hook = it->second;
            }
            if (hook)
                hook();
            else
                ReportStep(step, "no hook named \"" + step.arg + "\"");
            break;
        }
        case StepKind::Quit: {
            HWND main;
            {
                Lock lk(CoreState().mutex);
                main = MainWindowLocked();
            }
            if (main != nullptr)
                PostMessageW(main, WM_CLOSE, 0, 0);
            else
                PostQuitMessage(0);
            break;
        }
    }
}

void ScriptLoadFromEnvironment(const std::string& inlineScript) {
    if (!inlineScript.empty()) {
        MvSetScript(inlineScript);
        return;
    }
    const char* path = std::getenv("MOVIMETRA_SCRIPT");
    if (path == nullptr || *path == 0) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "movimetra: cannot read the script \"%s\"\n", path);
        return;
    }
    std::stringstream text;
    text << in.rdbuf();
    MvSetScript(text.str());
}

void ScriptReset() {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().steps.clear();
}

}  // namespace mv

using namespace mv;

bool MvSetScript(const std::string& scriptText, std::string* error) {
    std::vector<Step> steps;
    std::istringstream in(scriptText);
    std::string line;
    std::string firstError;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::string problem = ParseLine(line, lineNo, &steps);
        if (problem.empty()) continue;
        std::string message = "script line " + std::to_string(lineNo) + ": " + problem;
        std::fprintf(stderr, "movimetra: %s\n", message.c_str());
        if (firstError.empty()) firstError = message;
    }
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        S().steps.assign(steps.begin(), steps.end());
    }
    {
        Lock lk(CoreState().mutex);
        CoreState().scriptWaitUntil = -1;
        WakeUiLocked();
    }
    if (error) *error = firstError;
    return firstError.empty();
}

void MvRegisterScriptHook(const std::string& name, std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (hook)
        S().hooks[name] = std::move(hook);
    else
        S().hooks.erase(name);
}
