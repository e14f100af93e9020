// Codes as people write them, read into the form the catalogue keeps, and
// the diagnosis line of practice software: "E11.90 G", "S52.51 G L".
#ifndef KODEXA_CATALOGUE_CODE_FORM_H
#define KODEXA_CATALOGUE_CODE_FORM_H

#include <string>
#include <vector>

namespace kodexa {

// The mark a code carries in the codes file and in practice programs.
enum class CodeMark { None, Dagger, Star, Exclamation };

struct CodeForm {
    std::string code;       // as the catalogue keeps it: "E11.90", "A00", "H36.0"
    CodeMark mark = CodeMark::None;
    bool under = false;     // written with a trailing '-': "E11.2-" means the codes under E11.2
};

// Reads a code as users type or paste it: any case, with or without the dot
// ("e1190" is E11.90), with or without its mark ("H36.0*", "B95.6!",
// "A54.4+" or "A54.4" followed by a dagger), and "E11.2-" or "E11.-" for the
// codes under one. A code is a letter, two digits, and at most two more
// digits after the dot. False, with form untouched, for anything else.
bool ReadCodeForm(const std::string& text, CodeForm& form);

// The code with the mark the codes file writes ("H36.0*", "B95.6!", and
// the dagger in UTF-8); the bare code for CodeMark::None.
std::string WithMark(const std::string& code, CodeMark mark);

// Certainty ("Diagnosensicherheit") and side ("Seitenlokalisation") letters.
bool IsCertaintyLetter(char letter);  // G V Z A
bool IsSideLetter(char letter);       // R L B

// What reading a diagnosis line found wrong with its form; the checks of
// the code against the catalogue come after.
enum class LineProblem {
    None,
    Empty,           // nothing but blanks
    NoCode,          // the first word is not a code (written keeps it)
    NoCertainty,     // a code without certainty: there is no default
    BadCertainty,    // a second word other than G, V, Z, A
    BadSide,         // a third word other than R, L, B
    TooManyWords,    // more than code, certainty and side
};

struct DiagnosisLine {
    std::string written;  // the first word as given, for messages
    CodeForm form;        // valid unless the problem is Empty or NoCode
    char certainty = 0;   // 'G', 'V', 'Z', 'A' or 0
    char side = 0;        // 'R', 'L', 'B' or 0
};

// The words of a diagnosis line, split at blanks, tabs and line ends.
std::vector<std::string> LineWords(const std::string& text);

// Reads "CODE CERTAINTY [SIDE]", words separated by blanks or tabs, in any
// case. The fields it could read are filled even when a later one is wrong.
LineProblem ReadDiagnosisLine(const std::string& text, DiagnosisLine& line);

// "E11.90 G", "S52.51 G L": the bare code, then the letters it has.
std::string NormalisedLine(const DiagnosisLine& line);

}  // namespace kodexa

#endif
