// Conversions between UTF-8, which the catalogue holds, and Latin-1, which
// older programs and terminals speak (X's STRING target is Latin-1).
#ifndef KODEXA_CATALOGUE_TEXT_ENCODING_H
#define KODEXA_CATALOGUE_TEXT_ENCODING_H

#include <string>

namespace kodexa {

// A character Latin-1 lacks becomes '?', one for the whole UTF-8 sequence;
// so does a broken sequence.
std::string ToLatin1(const std::string& utf8);

// Every byte of a Latin-1 text as its UTF-8 character.
std::string FromLatin1(const std::string& latin1);

// Whether text is well-formed UTF-8: no stray or missing continuation
// byte, no overlong form, no surrogate, nothing beyond U+10FFFF.
bool IsUtf8(const std::string& text);

}  // namespace kodexa

#endif
