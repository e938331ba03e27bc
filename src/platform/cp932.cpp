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

// Bytes to drop at a sequence that cannot be converted: one whole character where its length can be
// told (a UTF-8 sequence, a CP932 lead and trail pair), else one byte.
size_t BadSequenceLength(bool fromUtf8, const unsigned char* p, size_t left) {
    size_t n = 1;
    if (fromUtf8) {
        if (p[0] >= 0xF0)
            n = 4;
        else if (p[0] >= 0xE0)
            n = 3;
        else if (p[0] >= 0xC0)
            n = 2;
        for (size_t i = 1; i < n; ++i)
            if (i >= left || (p[i] & 0xC0) != 0x80) return i;
        return n;
    }
    const bool lead = (p[0] >= 0x81 && p[0] <= 0x9F) || (p[0] >= 0xE0 && p[0] <= 0xFC);
    if (lead && left >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) return 2;
    return 1;
}

std::string Convert(Converter& conv, std::string_view text, bool* exact, bool fromUtf8) {
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
            const size_t skip = BadSequenceLength(fromUtf8, reinterpret_cast<unsigned char*>(in), inLeft);
            in += skip;
            inLeft -= skip;
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
    return Convert(ToUtf8Conv(), text, nullptr, false);
}

std::string FromUtf8(std::string_view text, bool* exact) {
    if (IsAscii(text)) {
        if (exact) *exact = true;
        return std::string(text);
    }
    return Convert(FromUtf8Conv(), text, exact, true);
}

} // namespace cp932
