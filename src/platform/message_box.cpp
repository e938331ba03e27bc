#include "platform/message_box.h"

#include "platform/cp932.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace win {
namespace {

std::mutex g_boxLock;
bool g_answersRead = false;
std::vector<std::string> g_answers;
size_t g_nextAnswer = 0;

int ParseAnswer(std::string word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
    if (word == "ok") return IDOK;
    if (word == "yes") return IDYES;
    if (word == "no") return IDNO;
    if (word == "cancel") return IDCANCEL;
    return 0;
}

void ReadAnswers() {
    g_answersRead = true;
    g_answers.clear();
    g_nextAnswer = 0;
    const char* env = std::getenv("MIRELDA4_ANSWERS");
    if (!env) return;
    std::string all(env);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(',', start);
        if (end == std::string::npos) end = all.size();
        std::string word = all.substr(start, end - start);
        while (!word.empty() && word.front() == ' ')
            word.erase(word.begin());
        while (!word.empty() && word.back() == ' ')
            word.pop_back();
        if (!word.empty()) g_answers.push_back(word);
        start = end + 1;
    }
}

// The buttons of a box type, the first entry being the default.
std::vector<int> Buttons(UINT type) {
    std::vector<int> b;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        b = {IDOK, IDCANCEL};
        break;
    case MB_YESNOCANCEL:
        b = {IDYES, IDNO, IDCANCEL};
        break;
    case MB_YESNO:
        b = {IDYES, IDNO};
        break;
    default:
        b = {IDOK};
        break;
    }
    const size_t def = (type & MB_DEFBUTTON2) ? 1 : 0;
    if (def < b.size()) std::swap(b[0], b[def]);
    return b;
}

const char* AnswerName(int id) {
    switch (id) {
    case IDOK:
        return "ok";
    case IDCANCEL:
        return "cancel";
    case IDYES:
        return "yes";
    case IDNO:
        return "no";
    default:
        return "?";
    }
}

const char* ButtonLabel(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

int HeadlessAnswer(const std::string& text, const std::string& caption, UINT type) {
    const std::vector<int> buttons = Buttons(type);
    int answer = buttons[0];
    if (!g_answersRead) ReadAnswers();
    if (g_nextAnswer < g_answers.size()) {
        const int wanted = ParseAnswer(g_answers[g_nextAnswer++]);
        for (int b : buttons)
            if (b == wanted) answer = wanted;
    }
    std::string line = "[" + caption + "] " + text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s -> %s\n", line.c_str(), AnswerName(answer));
    std::fflush(stderr);
    return answer;
}

} // namespace

bool IsHeadless() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return true;
    return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
}

bool TakeScriptedAnswer(std::string& answer) {
    std::lock_guard<std::mutex> guard(g_boxLock);
    if (!g_answersRead) ReadAnswers();
    if (g_nextAnswer >= g_answers.size()) return false;
    answer = g_answers[g_nextAnswer++];
    return true;
}

void ResetMessageBoxAnswersForTests() {
    std::lock_guard<std::mutex> guard(g_boxLock);
    g_answersRead = false;
}

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
    std::lock_guard<std::mutex> guard(g_boxLock);
    const std::string utext = cp932::ToUtf8(text ? text : "");
    const std::string ucaption = cp932::ToUtf8(caption ? caption : "");
    if (IsHeadless()) return HeadlessAnswer(utext, ucaption, type);

    const std::vector<int> buttons = Buttons(type);
    std::vector<SDL_MessageBoxButtonData> data;
    // SDL lays the buttons out from the array; keep the platform's order (Yes, No, Cancel / OK, Cancel).
    std::vector<int> order = buttons;
    std::sort(order.begin(), order.end(), [](int a, int b) {
        auto rank = [](int id) { return id == IDYES ? 0 : id == IDOK ? 0 : id == IDNO ? 1 : 2; };
        return rank(a) < rank(b);
    });
    for (int id : order) {
        SDL_MessageBoxButtonData d{};
        d.buttonid = id;
        d.text = ButtonLabel(id);
        if (id == buttons[0]) d.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (id == IDCANCEL || (id == IDNO && buttons.size() == 2))
            d.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(d);
    }
    SDL_MessageBoxData box{};
    const UINT icon = type & 0xF0;
    box.flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                         : SDL_MESSAGEBOX_INFORMATION;
    box.title = ucaption.c_str();
    box.message = utext.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return HeadlessAnswer(utext, ucaption, type);
    if (pressed < 0) { // closed without a button
        for (int id : {IDCANCEL, IDNO})
            if (std::find(buttons.begin(), buttons.end(), id) != buttons.end()) return id;
        return IDOK;
    }
    return pressed;
}

} // namespace win
