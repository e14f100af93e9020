#include "tools/find_favourites.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "catalogue/favourites.h"
#include "catalogue/settings_file.h"
#include "tools/find_open.h"

namespace kodexa {

int PrintFavourites(Catalogue& catalogue, const std::string& settingsPath) {
    std::string text;
    const SettingsRead read = ReadSettingsText(settingsPath, text);
    if (read == SettingsRead::Unreadable) {
        std::fprintf(stderr, "kodexa-find: cannot read the settings file %s\n", settingsPath.c_str());
        return kExitDamaged;
    }
    const FavouriteLists lists = FavouriteLists::FromSettings(SettingsSection(text, kFavouritesSection), {});
    if (lists.Favourites().empty()) {
        std::fprintf(stderr, "kodexa-find: no favourites in %s\n", settingsPath.c_str());
        return kExitNothing;
    }
    Edition edition;
    catalogue.ReadEdition(edition);
    for (const std::string& code : lists.Favourites())
        std::printf("%s\t%s\n", code.c_str(), FavouriteTitle(catalogue, code, edition).c_str());
    std::fflush(stdout);
    return kExitFound;
}

}  // namespace kodexa
