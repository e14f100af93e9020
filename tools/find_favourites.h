// kodexa-find --favourites: the favourites the window keeps for the user
// running it, read from the window's settings file.
#ifndef KODEXA_TOOLS_FIND_FAVOURITES_H
#define KODEXA_TOOLS_FIND_FAVOURITES_H

#include <string>

namespace kodexa {

class Catalogue;

// Prints CODE<TAB>TITLE for every favourite in the settings file at path,
// in code order, the titles from catalogue (its codes open). Answers 0 when
// there was one, 1 when there was none, 3 when the file cannot be read.
int PrintFavourites(Catalogue& catalogue, const std::string& settingsPath);

}  // namespace kodexa

#endif
