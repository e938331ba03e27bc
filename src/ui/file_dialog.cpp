#include "ui/file_dialog.h"

#include "platform/cp932.h"
#include "platform/message_box.h"

#include <cstring>
#include <string>

namespace {

bool ScriptedChoice(char* result, std::size_t bufferSize) {
    std::string answer;
    if (!win::TakeScriptedAnswer(answer) || answer.empty() || answer == "cancel") return false;
    const std::string path = cp932::FromUtf8(answer);
    if (!result || path.size() + 1 > bufferSize) return false;
    std::memcpy(result, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

bool OpenFileDialog(win::HWND, char* result, std::size_t bufferSize, const char*, const char*, const char*,
                    const char*) {
    return ScriptedChoice(result, bufferSize);
}

bool SaveFileDialog(win::HWND, char* result, std::size_t bufferSize, const char*, const char*, const char*,
                    const char*) {
    return ScriptedChoice(result, bufferSize);
}
