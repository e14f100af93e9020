// How far a search goes.
#ifndef KODEXA_CATALOGUE_SEARCH_SCOPE_H
#define KODEXA_CATALOGUE_SEARCH_SCOPE_H

namespace kodexa {

// AllSteps: the text as typed or pasted, step by step (see SearchQuery).
// Exact: the whole text as given, folded, and nothing else; no blanks are
// taken off and no other encoding is guessed.
enum class SearchScope { AllSteps, Exact };

}  // namespace kodexa

#endif
