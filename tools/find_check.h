// kodexa-find --check: diagnosis lines checked against the catalogue's facts.
#ifndef KODEXA_TOOLS_FIND_CHECK_H
#define KODEXA_TOOLS_FIND_CHECK_H

#include <string>
#include <vector>

namespace kodexa {

// The exit status when a line has a Fehler.
constexpr int kExitFehler = 4;

struct CheckOptions {
    std::vector<std::string> lines;  // none: one line each from standard input
    std::string sex, age;            // as given; empty when not
};

// Checks the lines of one case in the catalogue of dir and prints each
// normalised, its findings indented below it. Answers 0 without Fehler, 4
// with, 2 for a sex or age that cannot be read, 1 without catalogue or its
// facts, 3 for a damaged one.
int RunCheck(const std::string& dir, const CheckOptions& options);

}  // namespace kodexa

#endif
