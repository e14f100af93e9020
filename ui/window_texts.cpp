#include "ui/window_texts.h"

namespace kodexa {

const char kDatafileBoxTitle[] = "Katalogdatei";
const char kCatalogueUnreadableLine[] = "Der Katalog kann nicht gelesen werden.";
const char kNoHitsLine[] = "Keine Ergebnisse";

namespace {

// One sentence per database, for its grammar.
std::string LostPart(CatalogueFile which) {
    switch (which) {
        case CatalogueFile::Groups:
            return "Die Gruppen des Katalogs k\xc3\xb6nnen nicht gelesen werden.";
        case CatalogueFile::Chapters:
            return "Die Kapitel des Katalogs k\xc3\xb6nnen nicht gelesen werden.";
        case CatalogueFile::Codes:
            return "Die Kodes des Katalogs k\xc3\xb6nnen nicht gelesen werden.";
        case CatalogueFile::AlphaIndex:
            return "Das Alphabetische Verzeichnis des Katalogs kann nicht gelesen werden.";
        case CatalogueFile::Facts:
            return "Die weiteren Angaben zu den Kodes k\xc3\xb6nnen nicht gelesen werden.";
        case CatalogueFile::Transitions:
            return "Die Umsteigertabelle des Katalogs (von der Vorjahresausgabe) kann nicht gelesen werden.";
    }
    return "";
}

}  // namespace

std::string OpenFailureText(CatalogueFile which, const std::vector<std::string>& missing,
                            const std::string& failedPath) {
    std::string why;
    if (missing.empty()) {
        why = "Die Datei " + failedPath + " l\xc3\xa4sst sich nicht \xc3\xb6" "ffnen oder ist besch\xc3\xa4" "digt.";
    } else if (missing.size() == 1) {
        why = "Die Datei " + missing[0] + " fehlt.";
    } else {
        why = "Die Dateien " + missing[0] + " und " + missing[1] + " fehlen.";
    }
    return LostPart(which) + "\n" + why + "\nBitte importieren Sie den Katalog neu (kodexa-import).";
}

}  // namespace kodexa
