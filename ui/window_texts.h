// Texts of the main window's boxes and lines that depend on what went
// wrong. No toolkit types: the words are tested on their own.
#ifndef KODEXA_UI_WINDOW_TEXTS_H
#define KODEXA_UI_WINDOW_TEXTS_H

#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace kodexa {

// Title of every box about a catalogue file that does not open or read.
extern const char kDatafileBoxTitle[];
// The result list's line when the codes cannot be searched at all.
extern const char kCatalogueUnreadableLine[];
// The result list's line when a search found nothing.
extern const char kNoHitsLine[];

// The box for a database that does not open: which part of the catalogue
// is lost, then the files that are missing or, when none is, the file that
// does not open.
std::string OpenFailureText(CatalogueFile which, const std::vector<std::string>& missing,
                            const std::string& failedPath);

}  // namespace kodexa

#endif
