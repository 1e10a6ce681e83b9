// The files of a game folder as the release will list them.
#pragma once

#include "tools/release/ReleaseProgress.h"

#include <map>
#include <string>
#include <vector>

namespace Release {

// Every file below folder, read whole, keyed by its name in the installation: the path relative
// to folder with slashes. Links to files are followed. Throws ReleaseError when folder cannot be
// listed, a file cannot be read (a broken link or anything that is not a plain file counts), or
// a name is one the launcher would refuse or Windows cannot hold (portableNameProblem). Tells
// progress of each file read.
std::map<std::string, std::vector<char>>
readGameFolder(const std::string &folder, ReleaseProgress &progress = ReleaseProgress::none());

} // namespace Release
