// The launcher's configuration as the tests that run the launcher write it: the shipped file with
// tags replaced and the pauses a player reads messages by cut short, alone or beside a copy of the
// program.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Testing {

// <tag, value> pairs; a tag written "-tag" is taken out instead, and one written "+tag" added.
using Settings = std::vector<std::pair<std::string, std::string>>;

// The pauses of the version check and the game's start, and the wait before a retry, cut to a few
// hundredths of a second: a run of the program then waits for what happens, not for a reader.
extern const Settings QuickPauses;

// text with each <tag>value</tag> of settings in place of the tag's first occurrence; "-tag" is
// taken out, "+tag" added at the end of "launcher".
std::string withSettings(std::string text, const Settings &settings);
// The configuration the build puts beside the launcher program with QuickPauses, then settings.
std::string quickConfiguration(const Settings &settings = {});
// The launcher program (as "brightwell") and the shipped gameStates/ copied into folder (created),
// the configuration being quickConfiguration(settings).
void installLauncherCopy(const std::string &folder, const Settings &settings = {});

} // namespace Testing
