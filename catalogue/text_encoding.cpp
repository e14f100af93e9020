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

}  // namespace kodexa
