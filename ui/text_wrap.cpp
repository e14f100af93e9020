#include "ui/text_wrap.h"

#include <vector>

namespace kodexa {

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

// The length of the longest start of word, whole characters, that fits;
// at least one character, so that every step makes progress.
size_t FittingPrefix(const std::string& word, int width, const TextMeasure& measure) {
    size_t fits = 0;
    for (size_t end = 1; end <= word.size(); ++end) {
        if (end < word.size() && IsContinuationByte(word[end])) continue;
        if (measure(word.substr(0, end)) > width) break;
        fits = end;
    }
    if (fits > 0) return fits;
    size_t first = 1;
    while (first < word.size() && IsContinuationByte(word[first])) ++first;
    return first;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t blank = line.find(' ', start);
        const size_t end = blank == std::string::npos ? line.size() : blank;
        if (end > start) words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

void WrapLine(const std::string& line, int width, const TextMeasure& measure, std::string& out) {
    std::string current;
    for (std::string word : Words(line)) {
        if (!current.empty() && measure(current + " " + word) <= width) {
            current += " " + word;
            continue;
        }
        if (!current.empty()) out += current + "\n";
        current.clear();
        while (measure(word) > width) {
            const size_t cut = FittingPrefix(word, width, measure);
            if (cut >= word.size()) break;
            out += word.substr(0, cut) + "\n";
            word.erase(0, cut);
        }
        current = word;
    }
    out += current;
}

}  // namespace

std::string WrapText(const std::string& text, int width, const TextMeasure& measure) {
    std::string out;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        WrapLine(text.substr(start, end == std::string::npos ? std::string::npos : end - start), width, measure, out);
        if (end == std::string::npos) break;
        out += "\n";
        start = end + 1;
    }
    return out;
}

}  // namespace kodexa
