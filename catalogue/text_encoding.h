// Conversions between UTF-8, which the catalogue holds, and Latin-1, which
// older programs and terminals speak (X's STRING target is Latin-1).
#ifndef KODEXA_CATALOGUE_TEXT_ENCODING_H
#define KODEXA_CATALOGUE_TEXT_ENCODING_H

#include <string>

namespace kodexa {

// A character Latin-1 lacks becomes '?', one for the whole UTF-8 sequence;
// so does a broken sequence.
std::string ToLatin1(const std::string& utf8);

}  // namespace kodexa

#endif
