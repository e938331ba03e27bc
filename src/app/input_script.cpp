#include "app/input_script.h"

#include "app/input.h"
#include "app/log.h"
#include "platform/keyboard.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Decimal, or hexadecimal after 0x; a 16-bit word at most (frames: 32 bits).
bool ReadNumber(const std::string& word, std::uint64_t max, std::uint64_t& out) {
    if (word.empty()) return false;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    const char* begin = word.c_str() + (hex ? 2 : 0);
    if (*begin == '\0' || *begin == '-' || *begin == '+') return false;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(begin, &end, hex ? 16 : 10);
    if (*end != '\0' || v > max) return false;
    out = v;
    return true;
}

// What the script pressed on the previous frame, released when the next frame is sampled.
std::vector<int> g_HeldKeys;

struct ScriptState {
    std::unique_ptr<cInputScript> script;
    bool decided = false; // the environment has been looked at, or a script installed
};
ScriptState& State() {
    static ScriptState state;
    return state;
}

std::unique_ptr<cInputScript> LoadFromEnvironment() {
    const char* path = std::getenv("MIRELDA4_INPUT");
    if (!path || !*path) return nullptr;
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    auto script = std::make_unique<cInputScript>();
    std::string error;
    if (!in || !script->Parse(text.str(), &error)) {
        // A script that cannot be used leaves nothing pressed rather than falling back to devices.
        Report("MIRELDA4_INPUT %s: %s", path, in ? error.c_str() : "cannot be read");
        std::fprintf(stderr, "MIRELDA4_INPUT %s: %s\n", path, in ? error.c_str() : "cannot be read");
        return std::make_unique<cInputScript>();
    }
    return script;
}

} // namespace

int InputScriptKey(const std::string& word) {
    static const struct {
        const char* name;
        int vk;
    } keys[] = {{"space", 0x20}, {"f1", 0x70}, {"f2", 0x71},   {"f3", 0x72},   {"escape", 0x1B},
                {"enter", 0x0D}, {"up", 0x26}, {"down", 0x28}, {"left", 0x25}, {"right", 0x27}};
    for (const auto& k : keys)
        if (word == k.name) return k.vk;
    return 0;
}

bool cInputScript::Parse(const std::string& text, std::string* error) {
    m_Runs.clear();
    m_nRun = 0;
    m_nUsed = 0;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;)
            w.push_back(s);
        if (w.empty()) continue;
        Run run;
        std::uint64_t frames = 0, dir = 0, buttons = 0;
        bool ok = w.size() >= 3 && ReadNumber(w[0], 0xFFFFFFFFu, frames) && ReadNumber(w[1], 0xFFFF, dir) &&
                  ReadNumber(w[2], 0xFFFF, buttons);
        for (std::size_t i = 3; ok && i < w.size(); ++i) {
            const int vk = InputScriptKey(w[i]);
            ok = vk != 0;
            run.keys.push_back(vk);
        }
        if (!ok) {
            if (error) *error = "line " + std::to_string(number) + " cannot be read: " + line;
            m_Runs.clear();
            return false;
        }
        run.frames = static_cast<std::uint32_t>(frames);
        run.dir = static_cast<std::uint16_t>(dir);
        run.buttons = static_cast<std::uint16_t>(buttons);
        if (run.frames > 0) m_Runs.push_back(std::move(run));
    }
    return true;
}

void cInputScript::Append(const cInputScript& more) {
    m_Runs.insert(m_Runs.end(), more.m_Runs.begin(), more.m_Runs.end());
}

cInputScript::Frame cInputScript::Next() {
    if (Ended()) return {};
    const Run& run = m_Runs[m_nRun];
    Frame f{run.dir, run.buttons, m_nUsed == 0 && !run.keys.empty() ? &run.keys : nullptr};
    if (++m_nUsed >= run.frames) {
        ++m_nRun;
        m_nUsed = 0;
    }
    return f;
}

void SetInputScript(std::unique_ptr<cInputScript> script) {
    State().script = std::move(script);
    State().decided = true;
    for (int vk : g_HeldKeys)
        win::SetKeyDown(vk, false);
    g_HeldKeys.clear();
}

bool SampleScriptedInput(cInputRecord& rec) {
    ScriptState& state = State();
    if (!state.decided) {
        state.script = LoadFromEnvironment();
        state.decided = true;
    }
    if (!state.script) return false;
    for (int vk : g_HeldKeys)
        win::SetKeyDown(vk, false);
    g_HeldKeys.clear();
    const cInputScript::Frame f = state.script->Next();
    rec.wDir = f.dir;
    rec.nDirNumber = RecordedDirection(f.dir);
    rec.wButtons = f.buttons;
    if (f.keys) {
        for (int vk : *f.keys)
            win::SetKeyDown(vk, true);
        g_HeldKeys = *f.keys;
    }
    return true;
}
