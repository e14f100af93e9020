// kodexa-find's modes for the year change: what became of one code, a list
// of diagnoses recoded from the previous edition, and the changes of this
// edition; all from the catalogue's transition table (data6).
#ifndef KODEXA_TOOLS_FIND_TRANSITION_H
#define KODEXA_TOOLS_FIND_TRANSITION_H

#include <cstdio>
#include <string>

namespace kodexa {

class Catalogue;

// Exit status of --recode when a line needs a person's decision.
constexpr int kExitDecisionNeeded = 4;

// Each answers the exit status: 0 done, 1 nothing found or no table, 3 a
// file of the catalogue damaged.
int ShowTransition(Catalogue& catalogue, const std::string& dir, const std::string& written);
// 0 when every line was recoded without a choice, kExitDecisionNeeded when
// any line needs one.
int Recode(Catalogue& catalogue, const std::string& dir, std::FILE* in);
int ShowChanges(Catalogue& catalogue, const std::string& dir);

// "transitions: 2023 -> 2024 (FILE)" for --info, when the catalogue has a
// table; opens it read-only.
void PrintTransitionInfo(Catalogue& catalogue);

}  // namespace kodexa

#endif
