// Versions, groups and packages of a release, and writing them where a server serves them.
#include "tools/release/ReleaseBuilder.h"

#include "app/Md5.h"
#include "app/Sha256.h"
#include "platform/NativeFile.h"
#include "platform/NewFile.h"
#include "states/FileAction.h"
#include "states/ManifestVersion.h"
#include "tools/release/PackageWriter.h"
#include "tools/release/ReleaseError.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

namespace Release {

namespace {
using Kestrel::FileActionKind;
using Kestrel::typeKeywordOf;

std::string typeOf(const ReleaseDescription &description, const std::string &name) {
    if (description.execs.count(name))
        return typeKeywordOf(FileActionKind::Execute);
    const auto &restore = description.restoreOnly;
    if (std::find(restore.begin(), restore.end(), name) != restore.end())
        return typeKeywordOf(FileActionKind::RestoreOnly);
    return typeKeywordOf(FileActionKind::Replace);
}

bool isRemoval(const std::string &type) {
    return Kestrel::fileActionKindOf(type) == FileActionKind::Delete;
}

void checkVersion(const std::string &version, const std::optional<PreviousManifest> &previous) {
    const std::int32_t number = Kestrel::parseManifestVersion(version);
    if (number <= 0)
        throw ReleaseError("the version \"" + version + "\" is not a number above 0");
    if (previous && number <= Kestrel::parseManifestVersion(previous->version))
        throw ReleaseError("the version \"" + version + "\" is not newer than the previous \"" +
                           previous->version + "\"");
}

// The version names the folder of the release's packages, so that no package name is ever
// used by two releases: it must be one plain name on every system.
void checkFolderName(const std::string &version) {
    const bool plain = std::all_of(version.begin(), version.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == '_';
    });
    // Windows drops a trailing dot from a folder name.
    if (!plain || version.back() == '.')
        throw ReleaseError("the version \"" + version +
                           "\" cannot name the release's folder: use letters, digits, \".\", \"-\" "
                           "and \"_\", and no \".\" at the end");
}

void checkMarkedFilesExist(const ReleaseDescription &description,
                           const std::map<std::string, std::vector<char>> &files) {
    std::vector<std::string> marked = description.restoreOnly;
    for (const auto &exec : description.execs)
        marked.push_back(exec.first);
    for (const std::string &name : marked)
        if (!files.count(name))
            throw ReleaseError(name + " is marked in the description but is not in the folder");
}

void keepVerIfUnchanged(ManifestFile &file, const std::optional<PreviousManifest> &previous) {
    if (!previous)
        return;
    const auto before = previous->entries.find(file.name);
    if (before != previous->entries.end() && before->second.md5 == file.md5 &&
        before->second.type == file.type && before->second.args == file.args)
        file.ver = before->second.ver;
}

// The group an entry goes to; removals of files no rule names go to the first group.
std::size_t groupIndex(const ReleaseDescription &description, const std::string &name,
                       bool removal) {
    const int group = description.groupOf(name);
    if (group >= 0)
        return static_cast<std::size_t>(group);
    if (removal)
        return 0;
    throw ReleaseError(name + " belongs to no group: add it to a \"files\" line");
}

// Programs run after the other files of their group are in place.
void orderEntries(std::vector<ManifestFile> &files) {
    std::stable_sort(files.begin(), files.end(), [](const ManifestFile &a, const ManifestFile &b) {
        const bool aRuns = a.type == typeKeywordOf(FileActionKind::Execute);
        const bool bRuns = b.type == typeKeywordOf(FileActionKind::Execute);
        return aRuns != bRuns ? bRuns : a.name < b.name;
    });
}

std::string newestVer(const ManifestGroup &group, const std::string &version) {
    if (group.files.empty())
        return version;
    const auto newest = std::max_element(
        group.files.begin(), group.files.end(), [](const ManifestFile &a, const ManifestFile &b) {
            return Kestrel::parseManifestVersion(a.ver) < Kestrel::parseManifestVersion(b.ver);
        });
    return newest->ver;
}

void package(ManifestGroup &group, const std::map<std::string, std::vector<char>> &files,
             ReleaseProgress &progress) {
    PackageWriter writer;
    for (const ManifestFile &file : group.files)
        if (!isRemoval(file.type)) {
            writer.add(file.name, files.at(file.name));
            progress.fileDone(files.at(file.name).size());
        }
    group.package = writer.finish();
    // The manifest states the size as a signed 32-bit number.
    if (group.package.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ReleaseError("the package " + group.path + " would be larger than 2 GiB");
}

void writeDurably(const std::filesystem::path &path, const std::vector<char> &bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    const std::string target = path.string();
    const std::string pending = target + ".writing";
    if (!Cobalt::Platform::writeFileDurably(pending, bytes.data(), bytes.size()) ||
        !Cobalt::Platform::replaceFile(pending, target)) {
        std::filesystem::remove(pending, ignored);
        throw ReleaseError("cannot write " + target);
    }
}

// A ZIP package ends with its end record's comment length, never a line end, so these are also
// the bytes the site download leaves.
std::string sha256Of(const std::vector<char> &package) {
    Cobalt::Sha256 digest;
    digest.update(package.data(), package.size());
    return Cobalt::Sha256::hex(digest.digest());
}

void addElement(TiXmlNode &parent, const char *name,
                const std::vector<std::pair<const char *, std::string>> &attributes) {
    TiXmlElement element(name);
    for (const auto &[key, value] : attributes)
        element.SetAttribute(key, value.c_str());
    parent.InsertEndChild(element);
}
} // namespace

ReleaseContents buildRelease(const ReleaseDescription &description,
                             const std::map<std::string, std::vector<char>> &files,
                             const std::optional<PreviousManifest> &previous,
                             const std::string &version, ReleaseProgress &progress) {
    checkVersion(version, previous);
    checkFolderName(version);
    checkMarkedFilesExist(description, files);
    ReleaseContents release;
    release.version = version;
    for (const GroupRule &rule : description.groups)
        release.groups.push_back({rule.name, "", version + '/' + rule.packagePath, {}, {}});

    std::uint64_t totalBytes = 0;
    for (const auto &entry : files)
        totalBytes += entry.second.size();
    progress.stepStarted(ReleaseStep::Hashing, files.size(), totalBytes);
    for (const auto &[name, bytes] : files) {
        ManifestFile file{name, version, Cobalt::md5Hex(bytes), typeOf(description, name), ""};
        progress.fileDone(bytes.size());
        if (file.type == typeKeywordOf(FileActionKind::Execute))
            file.args = description.execs.at(name);
        keepVerIfUnchanged(file, previous);
        release.groups[groupIndex(description, name, false)].files.push_back(file);
    }
    if (previous)
        for (const auto &[name, entry] : previous->entries) {
            const auto kind = Kestrel::fileActionKindOf(entry.type);
            if (files.count(name) || kind == FileActionKind::Folder)
                continue;
            ManifestFile removal{name, isRemoval(entry.type) ? entry.ver : version, "",
                                 typeKeywordOf(FileActionKind::Delete), ""};
            release.groups[groupIndex(description, name, true)].files.push_back(removal);
        }

    progress.stepStarted(ReleaseStep::Packing, files.size(), totalBytes);
    for (ManifestGroup &group : release.groups) {
        orderEntries(group.files);
        group.ver = newestVer(group, version);
        package(group, files, progress);
    }
    release.changes = ReleaseChanges::between(release, previous);
    return release;
}

std::string ReleaseContents::manifestText() const {
    TiXmlDocument document;
    document.InsertEndChild(TiXmlDeclaration("1.0", "", ""));
    TiXmlElement root("manifest");
    root.SetAttribute("version", version.c_str());
    if (!expires.empty())
        root.SetAttribute("expires", expires.c_str());
    for (const ManifestGroup &group : groups) {
        TiXmlElement element("group");
        for (const auto &[key, value] : {std::pair{"name", group.name},
                                         {"ver", group.ver},
                                         {"path", group.path},
                                         {"size", std::to_string(group.package.size())},
                                         {"sha256", sha256Of(group.package)}})
            element.SetAttribute(key, value.c_str());
        for (const ManifestFile &file : group.files) {
            std::vector<std::pair<const char *, std::string>> attributes = {
                {"name", file.name}, {"ver", file.ver}, {"md5", file.md5}};
            if (!file.type.empty())
                attributes.emplace_back("type", file.type);
            if (file.type == typeKeywordOf(FileActionKind::Execute))
                attributes.emplace_back("args", file.args);
            addElement(element, "file", attributes);
        }
        root.InsertEndChild(element);
    }
    document.InsertEndChild(root);
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    std::string text = printer.Str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void writeRelease(const ReleaseContents &release, const std::string &folder,
                  const std::string &manifestName, const Cobalt::Ed25519::SecretKey *signingKey,
                  ReleaseProgress &progress) {
    for (const ManifestGroup &group : release.groups)
        if (group.path == manifestName)
            throw ReleaseError("the package of " + group.name + " would overwrite the manifest");
    const std::filesystem::path root(folder);
    std::uint64_t packageBytes = 0;
    for (const ManifestGroup &group : release.groups)
        packageBytes += group.package.size();
    progress.stepStarted(ReleaseStep::Writing, release.groups.size(), packageBytes);
    // The manifest goes last: a server never offers a manifest whose packages are missing.
    for (const ManifestGroup &group : release.groups) {
        writeDurably(root / group.path, group.package);
        progress.fileDone(group.package.size());
    }
    const std::string text = release.manifestText();
    const std::vector<char> manifest(text.begin(), text.end());
    if (signingKey) {
        const std::string signature =
            Cobalt::Ed25519::toText(Cobalt::Ed25519::sign(manifest, *signingKey)) + "\n";
        writeDurably(root / (manifestName + ".sig"),
                     std::vector<char>(signature.begin(), signature.end()));
    }
    writeDurably(root / manifestName, manifest);
}

} // namespace Release
