// A code's facts and the catalogue's edition in the plain German the
// Details and About windows show. No toolkit types: the words are tested
// on their own.
#ifndef KODEXA_UI_CODE_FACTS_TEXT_H
#define KODEXA_UI_CODE_FACTS_TEXT_H

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"
#include "catalogue/diagnosis_check.h"

namespace kodexa {

// "als Primärkode", "nur als Sternkode", "nur als Zusatzkode", "nicht
// zulässig"; empty for a mark it does not know.
std::string UseWords(char mark);
// "nur bei Frauen", "nur bei Männern"; empty when the sex does not matter.
std::string SexWords(char sex);
// "Alter 12 bis 55 Jahre", "Alter bis 1 Jahr", "Alter ab 15 Jahren"; empty
// when there is no limit.
std::string AgeWords(const std::string& low, const std::string& high);
// " (sonst Kann-Fehler)", " (sonst Muss-Fehler)", or empty.
std::string RejectWords(char kind);

// The lines of the Details window, first the code, with mark, and its title;
// then the facts, the findings of the code's check ("Fehler: ...",
// "Hinweis: ..."), the origin and the edition. Damaged: the catalogue could
// not be read whole, so facts missing may be lost ones. Origin, when not
// empty, says where the code came from at the year change ("aus I21.4
// geteilt"). Without a mark given, the facts tell it.
std::vector<std::string> DetailLines(const CodeFacts& facts, const Edition& edition, bool damaged = false,
                                     const std::string& origin = "", CodeMark mark = CodeMark::None,
                                     const std::vector<Finding>& findings = {});
// What the terminal mark says the coder may do with a code: only a code
// allowed as it stands "kann so verschlüsselt werden".
std::string TerminalWords(const CodeFacts& facts);
// "ICD-10-GM Version 2024" for the About window; empty when not known.
std::string AboutEditionLine(const Edition& edition);

}  // namespace kodexa

#endif
