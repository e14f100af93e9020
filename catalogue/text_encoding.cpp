// Conversions between UTF-8, which the catalogue holds, and Latin-1, which
// older programs and terminals speak.
#include "catalogue/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace kodexa {

std::string ToLatin1(const std::string& utf8) {
    std::string latin1(utf8.size(), '\0');  // never longer than the UTF-8
    iconv_t converter = iconv_open("ISO-8859-1", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return utf8;
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* out = &latin1[0];
    size_t outLeft = latin1.size();
    while (inLeft > 0 && iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;
        *out++ = '?';
        --outLeft;
        do {
            ++in;
            --inLeft;
        } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    iconv_close(converter);
    latin1.resize(latin1.size() - outLeft);
    return latin1;
}

std::string FromLatin1(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size() * 2);
    for (char c : latin1) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

namespace {

// The bytes of the UTF-8 character at p, or 0 when none begins there.
size_t Utf8CharAt(const std::string& text, size_t p) {
    const auto at = [&text](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const auto within = [](unsigned byte, unsigned low, unsigned high) { return byte >= low && byte <= high; };
    const unsigned lead = at(p);
    if (lead < 0x80) return 1;
    if (within(lead, 0xC2, 0xDF)) return within(at(p + 1), 0x80, 0xBF) ? 2 : 0;
    // The second byte's range rules out overlong forms, surrogates and
    // code points beyond U+10FFFF.
    unsigned low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (within(lead, 0xE0, 0xEF))
        return within(at(p + 1), low, high) && within(at(p + 2), 0x80, 0xBF) ? 3 : 0;
    if (within(lead, 0xF0, 0xF4))
        return within(at(p + 1), low, high) && within(at(p + 2), 0x80, 0xBF) && within(at(p + 3), 0x80, 0xBF) ? 4 : 0;
    return 0;
}

}  // namespace

bool IsUtf8(const std::string& text) {
    for (size_t p = 0; p < text.size();) {
        const size_t length = Utf8CharAt(text, p);
        if (length == 0) return false;
        p += length;
    }
    return true;
}

}  // namespace kodexa
