// Where the catalogues of other editions live beside the one that comes
// with the program: one directory each under the user's data directory,
// named after the edition ("ICD-10-GM-2025"), as kodexa-import builds them
// without a target and the window offers them for choosing.
#ifndef KODEXA_CATALOGUE_CATALOGUE_SHELF_H
#define KODEXA_CATALOGUE_CATALOGUE_SHELF_H

#include <string>
#include <vector>

#include "catalogue/code_facts.h"

namespace kodexa {

// $XDG_DATA_HOME/kodexa/catalogues, or $HOME/.local/share/kodexa/catalogues
// when that is not set (or not an absolute path); empty without a HOME.
std::string UserCatalogueRoot();

// Makes the root and the directories above it that are missing.
bool MakeUserCatalogueRoot(std::string& error);

// "ICD-10-GM-2025"; empty when the edition is not known.
std::string EditionDirectoryName(const Edition& edition);

// Whether dir holds a catalogue's codes database (data3.dat and .ndx).
bool HoldsCatalogue(const std::string& dir);

// The edition the catalogue in dir keeps, read-only; unknown without one.
Edition EditionOfCatalogue(const std::string& dir);

struct ShelvedCatalogue {
    std::string dir;       // without a trailing '/'
    Edition edition;       // unknown when the catalogue does not keep it
    bool bundled = false;  // the one that came with the program
};

// The bundled catalogue first (when bundledDir holds one), then every
// directory under the root that holds one, in name order.
std::vector<ShelvedCatalogue> ListCatalogues(const std::string& bundledDir);

// Two ways of writing one directory ("/a/b/" and "/a/b") compare equal.
bool SameDirectory(const std::string& a, const std::string& b);

}  // namespace kodexa

#endif
