#include "platform/message_box.h"

#include "platform/cp932.h"
#include "platform/dialog_window.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"

#include <SDL.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

extern char** environ;

namespace win {
namespace {

std::mutex g_boxLock;
// Counts the closes that have arrived; a box ends when it changes while the box is open.
std::atomic<unsigned> g_closes{0};
// How many boxes are before the user now.
std::atomic<int> g_openBoxes{0};
MessageBoxPresenter g_presenter;
// The program's entry serves boxes in a child process (ServeMessageBoxChild): its path.
std::string g_childProgram;
const char* const CHILD_VARIABLE = "MIRELDA4_MESSAGE_BOX_CHILD";
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

// The buttons of a box type, the default one first.
struct ButtonSet {
    int ids[3];
    size_t count;
    const int* begin() const { return ids; }
    const int* end() const { return ids + count; }
};

ButtonSet ButtonsOf(UINT type) {
    ButtonSet b{};
    switch (type & 0xF) {
    case MB_OKCANCEL:
        b = {{IDOK, IDCANCEL}, 2};
        break;
    case MB_YESNOCANCEL:
        b = {{IDYES, IDNO, IDCANCEL}, 3};
        break;
    case MB_YESNO:
        b = {{IDYES, IDNO}, 2};
        break;
    default:
        b = {{IDOK}, 1};
        break;
    }
    const size_t def = (type & MB_DEFBUTTON2) ? 1 : 0;
    if (def < b.count) std::swap(b.ids[0], b.ids[def]);
    return b;
}

std::vector<int> Buttons(UINT type) {
    return MessageBoxButtons(type);
}

// The UTF-8 form of a caption. Boxes come with a handful of constant captions, so the last one
// converted is kept with its form; both start as the empty caption, whose form is empty (used under
// g_boxLock).
std::string g_lastCaption;
std::string g_lastCaptionUtf8;

const std::string& CaptionUtf8(const char* caption) {
    if (g_lastCaption != caption) {
        g_lastCaption = caption;
        g_lastCaptionUtf8 = cp932::ToUtf8(caption);
    }
    return g_lastCaptionUtf8;
}

// The UTF-8 form of a box's text. A faulty flow command reports the same few texts again and again,
// so the forms of the last texts converted are kept, each with its text (used under g_boxLock; the
// form returned stays until the next box).
struct ConvertedText {
    std::string text;
    std::string utf8;
};
std::array<ConvertedText, 4> g_lastTexts;
std::size_t g_nextTextSlot = 0;

const std::string& TextUtf8(const char* text) {
    static const std::string empty;
    const std::string_view t(text);
    for (const ConvertedText& c : g_lastTexts)
        if (!c.utf8.empty() && c.text == t) return c.utf8;
    std::string utf8 = cp932::ToUtf8(t);
    if (utf8.empty()) return empty;
    ConvertedText& slot = g_lastTexts[g_nextTextSlot];
    g_nextTextSlot = (g_nextTextSlot + 1) % g_lastTexts.size();
    slot.text.assign(t);
    slot.utf8 = std::move(utf8);
    return slot.utf8;
}

} // namespace

std::vector<int> MessageBoxButtons(UINT type) {
    const ButtonSet b = ButtonsOf(type);
    return std::vector<int>(b.begin(), b.end());
}

int ClosedBoxAnswer(UINT type) {
    const std::vector<int> buttons = MessageBoxButtons(type);
    for (int id : {IDCANCEL, IDNO})
        if (std::find(buttons.begin(), buttons.end(), id) != buttons.end()) return id;
    return IDOK;
}

namespace {

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

// The last line written by WriteBoxLine with what it was made of: a faulty flow command raises the
// same box again and again, and its line is written again as it stands (used under g_boxLock).
struct BoxLine {
    bool made = false;
    std::string text, caption;
    int answer = 0;
    std::string line;
};
BoxLine g_boxLine;

// The box as one line on standard error, with the answer it got, written at once.
void WriteBoxLine(const std::string& text, const std::string& caption, int answer) {
    BoxLine& last = g_boxLine;
    if (!last.made || last.answer != answer || last.text != text || last.caption != caption) {
        std::string& line = last.line;
        line.assign("[").append(caption).append("] ").append(text);
        for (const char lineEnd : {'\n', '\r'})
            for (size_t at = line.find(lineEnd); at != std::string::npos; at = line.find(lineEnd, at + 1))
                line[at] = ' ';
        line.append(" -> ").append(AnswerName(answer)).append("\n");
        last.text = text;
        last.caption = caption;
        last.answer = answer;
        last.made = true;
    }
    std::fwrite(last.line.data(), 1, last.line.size(), stderr);
    std::fflush(stderr);
}

int HeadlessAnswer(const std::string& text, const std::string& caption, UINT type) {
    const ButtonSet buttons = ButtonsOf(type);
    int answer = buttons.ids[0];
    if (!g_answersRead) ReadAnswers();
    if (g_nextAnswer < g_answers.size()) {
        const int wanted = ParseAnswer(g_answers[g_nextAnswer++]);
        for (int b : buttons)
            if (b == wanted) answer = wanted;
    }
    WriteBoxLine(text, caption, answer);
    return answer;
}

// The SDL message box, on this thread until a button is pressed; 0 when it cannot be shown.
int ShowSdlBox(const std::string& utext, const std::string& ucaption, UINT type) {
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
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return 0;
    if (pressed < 0) return ClosedBoxAnswer(type); // closed without a button
    return pressed;
}

// The SDL box shown by a child process of this program, which is ended (with whatever it started)
// when a close arrives. 0 when it ended without an answer (it could not show the box, or it was
// killed), or -1 when no child could be started.
int ShowInChild(const MessageBoxRequest& box, const std::function<bool()>& closed) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A group of its own, so that a helper the box starts ends with it; the close signals, which
    // this process keeps for its watcher, are the child's to act on.
    sigset_t none, closeSignals;
    sigemptyset(&none);
    sigemptyset(&closeSignals);
    sigaddset(&closeSignals, SIGINT);
    sigaddset(&closeSignals, SIGTERM);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &closeSignals);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    const std::string typeText = std::to_string(box.type), ownerText = std::to_string(box.owner);
    char* argv[] = {const_cast<char*>(g_childProgram.c_str()), const_cast<char*>(box.text.c_str()),
                    const_cast<char*>(box.caption.c_str()),    const_cast<char*>(typeText.c_str()),
                    const_cast<char*>(ownerText.c_str()),      nullptr};
    std::vector<char*> env;
    std::string marker = std::string(CHILD_VARIABLE) + "=1";
    for (char** e = environ; e && *e; ++e)
        env.push_back(*e);
    env.push_back(marker.data());
    env.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, g_childProgram.c_str(), &actions, &attr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return -1;
    }
    std::string answer;
    for (;;) {
        if (closed()) {
            kill(-pid, SIGKILL);
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        char buf[32];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n > 0)
            answer.append(buf, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(out[0]);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return std::atoi(answer.c_str());
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

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::lock_guard<std::mutex> guard(g_boxLock);
    g_presenter = std::move(presenter);
}

bool MessageBoxOpen() {
    return g_openBoxes.load() > 0;
}

void EndOpenMessageBoxes() {
    g_closes.fetch_add(1);
}

int ServeMessageBoxChild(int argc, char** argv, BoxWindow window) {
    if (!std::getenv(CHILD_VARIABLE)) {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n > 0) g_childProgram.assign(self, static_cast<size_t>(n));
        return -1;
    }
#if defined(__linux__)
    // The box goes with the program that asked for it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (argc < 4) return 1;
    const MessageBoxRequest box{argv[1], argv[2], static_cast<UINT>(std::strtoul(argv[3], nullptr, 10)),
                                argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0};
    // The box is drawn with the program's own dialogs and fonts, so that its text reads right
    // whatever the locale and the display's fonts; the display's own box is the last resort.
    int pressed = window ? window(box) : 0;
    if (pressed == 0) pressed = ShowSdlBox(box.text, box.caption, box.type);
    std::printf("%d\n", pressed);
    return 0;
}

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
    std::lock_guard<std::mutex> guard(g_boxLock);
    const std::string& utext = TextUtf8(text ? text : "");
    const std::string& ucaption = CaptionUtf8(caption ? caption : "");
    if (!g_presenter && IsHeadless()) return HeadlessAnswer(utext, ucaption, type);

    // A close that arrives while the box is open (a close signal, the main window's close box, or
    // shut-down begun) ends the box as its own close box does: a question is never answered Yes by
    // it. The close goes on. On the window thread the window's events keep being turned into
    // messages meanwhile.
    const int closedAnswer = ClosedBoxAnswer(type);
    if (IsAborting()) { // shut-down has begun: nobody waits for an answer any more
        WriteBoxLine(utext, ucaption, closedAnswer);
        return closedAnswer;
    }
    const unsigned closesBefore = g_closes.load();
    // On the window thread the game window is kept painted meanwhile.
    const std::function<bool()> closed = [closesBefore] {
        PumpWindowEventsAndRepaint();
        return g_closes.load() != closesBefore || IsAborting();
    };
    const MessageBoxRequest request{utext, ucaption, type, MainWindowDisplayId()};
    // The keys held as the box opens: those still held once it is answered count as held.
    const std::bitset<256> heldBefore = HeldKeys();
    int answer = 0;
    {
        // The game window takes no input while the box is up.
        struct Open {
            Open() { ++g_openBoxes; }
            ~Open() { --g_openBoxes; }
        } open;
        if (g_presenter)
            answer = g_presenter(request, closed);
        else if (g_childProgram.empty() || (answer = ShowInChild(request, closed)) < 0)
            answer = ShowSdlBox(utext, ucaption, type); // cannot be ended from outside
    }
    if (closed()) {
        WriteBoxLine(utext, ucaption, closedAnswer);
        return closedAnswer;
    }
    // Also after a box that ended with no answer: a key held through it stays held.
    KeysAfterBox(heldBefore);
    if (answer == 0) {
        // The box ended with no answer (its process was killed, or no box could be shown): it counts
        // as closed, never as a button the user did not press.
        WriteBoxLine(utext, ucaption, closedAnswer);
        return closedAnswer;
    }
    return answer;
}

} // namespace win
