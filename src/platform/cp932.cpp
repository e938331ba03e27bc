#include "platform/cp932.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace cp932 {
namespace {

// One converter per direction, opened once and shared under a lock (iconv_t is not thread-safe).
struct Converter {
    iconv_t cd;
    std::mutex lock;
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

std::string Convert(Converter& conv, std::string_view text, bool* exact) {
    if (exact) *exact = true;
    std::string out;
    if (text.empty()) return out;
    std::lock_guard<std::mutex> guard(conv.lock);
    if (conv.cd == reinterpret_cast<iconv_t>(-1)) {
        if (exact) *exact = false;
        return std::string(text);
    }
    iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buf[1024];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(conv.cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, o - buf);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut-off sequence): replace one byte and go on.
            if (exact) *exact = false;
            out.push_back('?');
            ++in;
            --inLeft;
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* o = buf;
    size_t oLeft = sizeof buf;
    iconv(conv.cd, nullptr, nullptr, &o, &oLeft);
    out.append(buf, o - buf);
    return out;
}

Converter& ToUtf8Conv() {
    static Converter c("UTF-8", "CP932");
    return c;
}
Converter& FromUtf8Conv() {
    static Converter c("CP932", "UTF-8");
    return c;
}

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

} // namespace

std::string ToUtf8(std::string_view text) {
    // CP932 maps every byte below 0x80 to the same ASCII character (0x5C stays a backslash).
    if (IsAscii(text)) return std::string(text);
    return Convert(ToUtf8Conv(), text, nullptr);
}

std::string FromUtf8(std::string_view text, bool* exact) {
    if (IsAscii(text)) {
        if (exact) *exact = true;
        return std::string(text);
    }
    return Convert(FromUtf8Conv(), text, exact);
}

} // namespace cp932
