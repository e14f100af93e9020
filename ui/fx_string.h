// Between the catalogue's std::string (UTF-8) and FOX's FXString, which
// holds the same bytes.
#ifndef KODEXA_UI_FX_STRING_H
#define KODEXA_UI_FX_STRING_H

#include <fx.h>

#include <string>

namespace kodexa {

inline FX::FXString ToFXString(const std::string& text) {
    return FX::FXString(text.c_str(), static_cast<FX::FXint>(text.size()));
}

inline std::string ToString(const FX::FXString& text) {
    return std::string(text.text(), static_cast<size_t>(text.length()));
}

}  // namespace kodexa

#endif
