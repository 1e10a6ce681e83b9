// The publisher's description of a release: groups, which files they hold, and special entries.
#pragma once

#include <istream>
#include <map>
#include <string>
#include <vector>

namespace Release {

struct GroupRule {
    std::string name;
    std::string packagePath;
    // Exact file names, folder prefixes ending in "/", or "*" for every file no other rule takes.
    std::vector<std::string> patterns;
};

struct ReleaseDescription {
    std::vector<GroupRule> groups;            // in manifest order
    std::map<std::string, std::string> execs; // name -> args
    std::vector<std::string> restoreOnly;

    // The description used without a file: one group "game" in "game.zip" holding every file.
    static ReleaseDescription everythingInOneGroup();

    // Reads the line format (see README): "group <name> <package>", "files <pattern>...",
    // "exec <file> [args]", "restore_only <file>", "#" comments and blank lines. Backslashes in
    // names become slashes. Throws ReleaseError naming the source and line for an unknown keyword,
    // a missing or extra word, "files" before any group, a repeated group name, package or
    // pattern, or a name or package that the launcher would refuse.
    static ReleaseDescription parse(std::istream &in, const std::string &sourceName);

    // The group whose most specific pattern matches name (exact, then longest folder, then "*");
    // -1 when none does.
    int groupOf(const std::string &name) const;
};

} // namespace Release
