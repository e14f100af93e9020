// Where the program itself lies: the catalogue it reads by default sits
// beside it.
#ifndef KODEXA_CATALOGUE_PROGRAM_DIRECTORY_H
#define KODEXA_CATALOGUE_PROGRAM_DIRECTORY_H

#include <string>

namespace kodexa {

// Everything before the last '/' of path, followed by '/'; a path without
// a separator gives "/" (the root), as the program has always done.
std::string ProgramDirectory(const std::string& programPath);

// The running executable's real path (/proc/self/exe), or argv0 when that
// cannot be read.
std::string ExecutablePath(const char* argv0);

}  // namespace kodexa

#endif
