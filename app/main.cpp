// kodexa: browse the ICD-10-GM catalogue and copy codes and titles.
#include <cstdio>
#include <cstring>

#include "app/startup.h"
#include "kodexa_version.h"

namespace {

const char kUsage[] =
    "usage: kodexa [FOX options]\n"
    "Shows the ICD-10-GM catalogue that lies beside the program (data1 to data3,\n"
    ".dat and .ndx) as a tree, searches code titles, and copies a code, its title\n"
    "or both to the clipboard.\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "Settings: $HOME/.foxrc/Taviron/Kodexa\n";

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
    return kodexa::RunKodexa(argc, argv);
}
