// The description file's line format and the rule that places each file in one group.
#include "tools/release/ReleaseDescription.h"

#include "states/InstallName.h"
#include "tools/release/ReleaseError.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

namespace Release {

namespace {
std::string withSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// How specific a pattern is for name: 0 no match, then "*", folders by length, exact names.
std::size_t matchStrength(const std::string &pattern, const std::string &name) {
    if (pattern == "*")
        return 1;
    if (pattern.back() == '/')
        return name.compare(0, pattern.size(), pattern) == 0 ? 1 + pattern.size() : 0;
    return pattern == name ? std::string::npos : 0;
}

class LineReader {
public:
    LineReader(std::istream &in, const std::string &source) : in(in), source(source) {}

    // The next line's words; false at the end.
    bool next() {
        std::string line;
        while (std::getline(in, line)) {
            ++number;
            // Args keep their own blanks, so the raw line is kept beside the words.
            raw = line.substr(0, line.find('#'));
            std::istringstream split(raw);
            words.assign(std::istream_iterator<std::string>(split), {});
            if (!words.empty())
                return true;
        }
        return false;
    }

    [[noreturn]] void fail(const std::string &problem) const {
        throw ReleaseError(source + ", line " + std::to_string(number) + ": " + problem);
    }

    void expectWords(std::size_t least, std::size_t most) const {
        if (words.size() < least || words.size() > most)
            fail("\"" + words[0] + "\" takes " +
                 (least == most ? std::to_string(least - 1)
                                : std::to_string(least - 1) + " or more") +
                 " words");
    }

    // A file name of the installation, with slashes, refused when the launcher would refuse it.
    std::string installName(const std::string &word) const {
        const std::string name = withSlashes(word);
        if (!Kestrel::isSafeInstallName(name))
            fail("\"" + word + "\" names a file outside the installation");
        return name;
    }

    // The rest of the line after the first two words, without surrounding blanks.
    std::string tailAfterSecondWord() const {
        const auto second = raw.find(words[1], raw.find(words[0]) + words[0].size());
        const auto start = raw.find_first_not_of(" \t\r", second + words[1].size());
        if (start == std::string::npos)
            return std::string();
        return raw.substr(start, raw.find_last_not_of(" \t\r") + 1 - start);
    }

    std::vector<std::string> words;

private:
    std::istream &in;
    const std::string &source;
    std::string raw;
    int number = 0;
};
} // namespace

ReleaseDescription ReleaseDescription::everythingInOneGroup() {
    ReleaseDescription description;
    description.groups.push_back({"game", "game.zip", {"*"}});
    return description;
}

ReleaseDescription ReleaseDescription::parse(std::istream &in, const std::string &sourceName) {
    ReleaseDescription description;
    std::set<std::string> names, packages, patterns, specials;
    LineReader line(in, sourceName);
    while (line.next()) {
        const std::string &keyword = line.words[0];
        if (keyword == "group") {
            line.expectWords(3, 3);
            const std::string package = line.installName(line.words[2]);
            if (!names.insert(line.words[1]).second)
                line.fail("the group \"" + line.words[1] + "\" is described twice");
            if (!packages.insert(package).second)
                line.fail("two groups use the package \"" + package + "\"");
            description.groups.push_back({line.words[1], package, {}});
        } else if (keyword == "files") {
            line.expectWords(2, std::string::npos);
            if (description.groups.empty())
                line.fail("\"files\" comes before any \"group\"");
            for (auto word = line.words.begin() + 1; word != line.words.end(); ++word) {
                const std::string pattern = *word == "*" ? *word : line.installName(*word);
                if (!patterns.insert(pattern).second)
                    line.fail("\"" + pattern + "\" is given to two groups");
                description.groups.back().patterns.push_back(pattern);
            }
        } else if (keyword == "exec") {
            line.expectWords(2, std::string::npos);
            const std::string name = line.installName(line.words[1]);
            if (!specials.insert(name).second)
                line.fail("\"" + name + "\" is marked twice");
            description.execs[name] = line.tailAfterSecondWord();
        } else if (keyword == "restore_only") {
            line.expectWords(2, 2);
            const std::string name = line.installName(line.words[1]);
            if (!specials.insert(name).second)
                line.fail("\"" + name + "\" is marked twice");
            description.restoreOnly.push_back(name);
        } else {
            line.fail("unknown keyword \"" + keyword + "\"");
        }
    }
    if (description.groups.empty())
        throw ReleaseError(sourceName + ": describes no group");
    return description;
}

int ReleaseDescription::groupOf(const std::string &name) const {
    int best = -1;
    std::size_t bestStrength = 0;
    for (std::size_t group = 0; group < groups.size(); ++group)
        for (const std::string &pattern : groups[group].patterns) {
            const std::size_t strength = matchStrength(pattern, name);
            if (strength > bestStrength) {
                bestStrength = strength;
                best = static_cast<int>(group);
            }
        }
    return best;
}

} // namespace Release
