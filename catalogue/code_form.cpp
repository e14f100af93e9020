#include "catalogue/code_form.h"

#include <cctype>
#include <vector>

namespace kodexa {

namespace {

const char kDagger[] = "\xe2\x80\xa0";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Takes the mark off the end of text, if it has one.
CodeMark TakeMark(std::string& text) {
    if (EndsWith(text, kDagger)) {
        text.resize(text.size() - (sizeof kDagger - 1));
        return CodeMark::Dagger;
    }
    if (text.empty()) return CodeMark::None;
    const char last = text.back();
    const CodeMark mark = last == '+'   ? CodeMark::Dagger
                          : last == '*' ? CodeMark::Star
                          : last == '!' ? CodeMark::Exclamation
                                        : CodeMark::None;
    if (mark != CodeMark::None) text.pop_back();
    return mark;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// A single letter, in any case, that is one of allowed; 0 otherwise.
char LetterOf(const std::string& word, const char* allowed) {
    if (word.size() != 1) return 0;
    const char letter = Upper(word[0]);
    for (const char* a = allowed; *a != '\0'; ++a)
        if (*a == letter) return letter;
    return 0;
}

}  // namespace

std::vector<std::string> LineWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}


bool ReadCodeForm(const std::string& text, CodeForm& form) {
    std::string rest = text;
    bool under = false;
    if (!rest.empty() && rest.back() == '-') {
        under = true;
        rest.pop_back();
        if (!rest.empty() && rest.back() == '.') rest.pop_back();  // "E11.-"
    }
    const CodeMark mark = under ? CodeMark::None : TakeMark(rest);
    if (rest.size() < 3 || !std::isalpha(static_cast<unsigned char>(rest[0])) || !IsDigit(rest[1]) ||
        !IsDigit(rest[2]))
        return false;
    std::string tail = rest.substr(3);
    if (!tail.empty() && tail[0] == '.') {
        tail.erase(0, 1);
        if (tail.empty()) return false;  // "E11." is no code
    }
    if (tail.size() > 2) return false;
    for (char c : tail)
        if (!IsDigit(c)) return false;
    form.code = std::string(1, Upper(rest[0])) + rest.substr(1, 2) + (tail.empty() ? "" : "." + tail);
    form.mark = mark;
    form.under = under;
    return true;
}

std::string WithMark(const std::string& code, CodeMark mark) {
    switch (mark) {
        case CodeMark::Dagger: return code + kDagger;
        case CodeMark::Star: return code + "*";
        case CodeMark::Exclamation: return code + "!";
        case CodeMark::None: break;
    }
    return code;
}

bool IsCertaintyLetter(char letter) { return letter == 'G' || letter == 'V' || letter == 'Z' || letter == 'A'; }

bool IsSideLetter(char letter) { return letter == 'R' || letter == 'L' || letter == 'B'; }

LineProblem ReadDiagnosisLine(const std::string& text, DiagnosisLine& line) {
    line = DiagnosisLine();
    const std::vector<std::string> words = LineWords(text);
    if (words.empty()) return LineProblem::Empty;
    line.written = words[0];
    if (!ReadCodeForm(words[0], line.form) || line.form.under) {
        line.form = CodeForm();
        return LineProblem::NoCode;
    }
    if (words.size() < 2) return LineProblem::NoCertainty;
    line.certainty = LetterOf(words[1], "GVZA");
    if (line.certainty == 0) return LineProblem::BadCertainty;
    if (words.size() < 3) return LineProblem::None;
    line.side = LetterOf(words[2], "RLB");
    if (line.side == 0) return LineProblem::BadSide;
    return words.size() > 3 ? LineProblem::TooManyWords : LineProblem::None;
}

std::string NormalisedLine(const DiagnosisLine& line) {
    std::string text = line.form.code.empty() ? line.written : line.form.code;
    if (line.certainty != 0) text += std::string(" ") + line.certainty;
    if (line.side != 0) text += std::string(" ") + line.side;
    return text;
}

}  // namespace kodexa
