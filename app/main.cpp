// kodexa: browse the ICD-10-GM catalogue and copy codes and titles.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "catalogue/catalogue_shelf.h"
#include "kodexa_version.h"

namespace {

const char kUsage[] =
    "usage: kodexa [--dir DIR] [FOX options]\n"
    "Shows the ICD-10-GM catalogue that lies beside the program (data1 to data3,\n"
    ".dat and .ndx) as a tree, searches code titles, and copies a code, its title\n"
    "or both to the clipboard. \"Datei > Katalog w\xc3\xa4hlen\" opens another\n"
    "catalogue (those kodexa-import built into ~/.local/share/kodexa/catalogues)\n"
    "and keeps the choice for the next start.\n"
    "  --dir DIR   open the catalogue in DIR, whatever was chosen before\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "Settings: $HOME/.foxrc/Taviron/Kodexa\n";

// Finds "--dir DIR" among the arguments; the toolkit's own options pass.
// Answers -1 when the arguments are fine, else the exit status.
int ReadCatalogueDir(int argc, char** argv, std::string& dir) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") != 0) continue;
        if (i + 1 >= argc) {
            std::fputs("kodexa: --dir needs a directory\nTry 'kodexa --help'.\n", stderr);
            return 2;
        }
        dir = argv[i + 1];
        if (!kodexa::HoldsCatalogue(dir)) {
            std::fprintf(stderr, "kodexa: no catalogue in %s (data3.dat and data3.ndx)\n", dir.c_str());
            return 1;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Taviron Kodexa " KODEXA_VERSION);
        return 0;
    }
    std::string dir;
    if (int status = ReadCatalogueDir(argc, argv, dir); status >= 0) return status;
    return kodexa::RunKodexa(argc, argv, dir);
}
