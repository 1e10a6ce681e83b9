// Manifest text with escaped attributes, and packages through the test ZIP writer.
#include "tests/support/ReleaseWriter.h"

#include "app/Md5.h"
#include "app/Sha256.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace Testing {

namespace {
std::string escaped(const std::string &text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Left out when value is none.
std::string attribute(const char *name, const std::optional<std::string> &value) {
    return value ? std::string(" ") + name + "=\"" + escaped(*value) + '"' : std::string();
}

std::optional<std::string> unlessEmpty(const std::string &value) {
    return value.empty() ? std::nullopt : std::optional(value);
}

std::string fileElement(const ReleaseWriter::File &file) {
    const std::string digest =
        file.md5.value_or(Cobalt::md5Hex(std::vector<char>(file.data.begin(), file.data.end())));
    return "\t\t<file" + attribute("name", file.name) + attribute("ver", file.ver) +
           attribute("md5", digest) + attribute("type", unlessEmpty(file.type)) +
           attribute("args", file.args) + "/>\n";
}

std::string packageDigest(const ReleaseWriter::Group &group) {
    const auto bytes = group.package().bytes();
    Cobalt::Sha256 digest;
    digest.update(bytes.data(), bytes.size());
    return Cobalt::Sha256::hex(digest.digest());
}

void writeFile(const std::filesystem::path &path, const std::string &bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}
} // namespace

ReleaseWriter::File &ReleaseWriter::Group::add(const std::string &name, const std::string &data,
                                               const std::string &ver, const std::string &type) {
    File &file = files.emplace_back();
    file.name = name;
    file.data = data;
    file.ver = ver;
    file.type = type;
    return file;
}

ZipWriter ReleaseWriter::Group::package() const {
    ZipWriter zip;
    for (const File &file : files)
        if (file.inPackage)
            zip.add(file.name, file.data);
    return zip;
}

ReleaseWriter::ReleaseWriter(std::optional<std::string> version) : version(std::move(version)) {}

ReleaseWriter::Group &ReleaseWriter::addGroup(const std::string &name, const std::string &ver,
                                              const std::string &path) {
    Group &group = groups.emplace_back();
    group.name = name;
    group.ver = ver;
    group.path = path;
    return group;
}

std::string ReleaseWriter::manifest() const {
    std::string text =
        "<?xml version=\"1.0\" ?>\n<manifest" + attribute("version", version) +
        attribute("expires", expires) + ">\n";
    for (const Group &group : groups) {
        const std::string size =
            group.size.value_or(std::to_string(group.package().bytes().size()));
        text += "\t<group" + attribute("name", group.name) + attribute("ver", group.ver) +
                attribute("path", group.path) + attribute("size", unlessEmpty(size)) +
                (digests ? attribute("sha256", packageDigest(group)) : "") + ">\n";
        for (const File &file : group.files)
            text += fileElement(file);
        text += "\t</group>\n";
    }
    return text + "</manifest>\n";
}

void ReleaseWriter::writeTo(const std::string &folder, const std::string &manifestName) const {
    const std::filesystem::path root(folder);
    writeFile(root / manifestName, manifest());
    for (const Group &group : groups)
        if (group.packaged)
            writeFile(root / group.path, group.package().bytes());
}

} // namespace Testing
