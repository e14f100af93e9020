// Breaking a line of text into lines no wider than a width, for labels
// that the toolkit would otherwise show on one line however long.
#ifndef KODEXA_UI_TEXT_WRAP_H
#define KODEXA_UI_TEXT_WRAP_H

#include <functional>
#include <string>

namespace kodexa {

// The width of a UTF-8 text as it is drawn.
using TextMeasure = std::function<int(const std::string&)>;

// text with '\n' put in place of the blanks where it must break so that no
// line is wider than width; a word wider than width on its own is broken
// between two characters (never inside a UTF-8 sequence). Line ends already
// in text are kept.
std::string WrapText(const std::string& text, int width, const TextMeasure& measure);

}  // namespace kodexa

#endif
