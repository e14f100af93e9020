// What kodexa-find's modes share: their exit statuses and the opening of a
// database of the catalogue, with what failed told on standard error.
#ifndef KODEXA_TOOLS_FIND_OPEN_H
#define KODEXA_TOOLS_FIND_OPEN_H

#include <string>

#include "catalogue/catalogue.h"

namespace kodexa {

constexpr int kExitFound = 0;
constexpr int kExitNothing = 1;  // nothing found, or no catalogue
constexpr int kExitDamaged = 3;

// Opens one database read-only; when it cannot, says why and answers the
// exit status: no catalogue when files are missing, a damaged one when a
// file that is there does not open.
bool OpenForReading(Catalogue& catalogue, const std::string& dir, CatalogueFile which, int& status);

// "kodexa-find: cannot read FILE: REASON" for a database whose last open
// failed; answers kExitDamaged.
int TellUnreadable(const Catalogue& catalogue, CatalogueFile which);

}  // namespace kodexa

#endif
