// Reading the per-user settings file the toolkit writes, without the
// toolkit: kodexa-find runs where no window is, and reads the favourites
// from the file the window keeps them in.
//
// The file is lines of text:
//   [section]          a section; a line without the closing ']' is ignored
//   key = value        blanks around key and value are dropped
//   key = "value"      a quoted value, with \" \\ \n \t \r \xHH escapes
//   # or ;             comment lines
// Anything else is ignored, as the toolkit does; a key given twice in a
// section takes its later value.
#ifndef KODEXA_CATALOGUE_SETTINGS_FILE_H
#define KODEXA_CATALOGUE_SETTINGS_FILE_H

#include <string>

#include "catalogue/favourites.h"

namespace kodexa {

// The settings file of the window for the user running us:
// $HOME/.foxrc/Taviron/Kodexa (the toolkit's place, vendor and name).
std::string UserSettingsPath();

// The entries of section in text, in the order their keys first appear.
SettingsEntries SettingsSection(const std::string& text, const std::string& section);

// What reading the settings file found.
enum class SettingsRead { Read, Absent, Unreadable };

// The whole file at path, up to a bound far beyond any settings file the
// window writes (a damaged file larger than that is read up to it).
SettingsRead ReadSettingsText(const std::string& path, std::string& text);

}  // namespace kodexa

#endif
