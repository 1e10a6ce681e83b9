// Fuzz target: an XML document through XMLInputArchive. Loads it, walks every element, reads the
// text as every value type and every attribute as every type, and follows object references.
#include "io/MemoryStream.h"
#include "serialization/XMLInputArchive.h"

#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Cobalt::InputArchive;

// A target of every type the archive reads.
struct Values {
    Cobalt::Rect rect;
    Cobalt::RectF rectF;
    Cobalt::Vector2 vector2;
    Cobalt::Vector3 vector3;
    Cobalt::Vector3d vector3d;
    Cobalt::Vector4 vector4;
    std::string text;
    double realD = 0;
    float realF = 0;
    bool flag = false;
    unsigned int whole = 0;
    int integer = 0;
    std::uint16_t shortWhole = 0;
    unsigned char byte = 0;
    char character = 0;
};

void readValues(InputArchive &archive) {
    Values v;
    archive.read(v.rect);
    archive.read(v.rectF);
    archive.read(v.vector2);
    archive.read(v.vector3);
    archive.read(v.vector3d);
    archive.read(v.vector4);
    archive.read(v.text);
    archive.read(v.realD);
    archive.read(v.realF);
    archive.read(v.flag);
    archive.read(v.whole);
    archive.read(v.integer);
    archive.read(v.byte);
    archive.read(v.character);
    archive.getLastLine();
    archive.readClassName(v.text);
}

void readAttributes(InputArchive &archive, const char *name) {
    Values v;
    archive.readAttribute(name, v.vector2);
    archive.readAttribute(name, v.vector3);
    archive.readAttribute(name, v.vector3d);
    archive.readAttribute(name, v.vector4);
    archive.readAttribute(name, v.text);
    archive.readAttribute(name, v.realD);
    archive.readAttribute(name, v.realF);
    archive.readAttribute(name, v.shortWhole);
    archive.readAttribute(name, v.whole);
    archive.readAttribute(name, v.integer);
    archive.readAttribute(name, v.flag);
}

// The attribute names of the current element, taken from the node the handle stands for.
std::vector<std::string> attributeNames(Cobalt::NodeHandle handle) {
    std::vector<std::string> names;
    const auto *node = reinterpret_cast<const TiXmlNode *>(handle);
    if (const TiXmlElement *element = node ? node->ToElement() : nullptr)
        for (const TiXmlAttribute *a = element->FirstAttribute(); a; a = a->Next())
            names.push_back(a->Name());
    return names;
}

void walk(InputArchive &archive, int depth) {
    for (Cobalt::NodeHandle node = archive.nextNode(nullptr); node; node = archive.nextNode(node)) {
        readValues(archive);
        for (const std::string &name : attributeNames(node))
            readAttributes(archive, name.c_str());
        const std::string name = archive.getName();
        if (depth > 0)
            walk(archive, depth - 1);
        // An object of the same name, possibly held in another file.
        InputArchive *source = nullptr;
        archive.leave();
        if (!name.empty() && archive.beginObject(name, source)) {
            readValues(*source);
            source->leave();
        }
        archive.enter(name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Cobalt::XMLInputArchive archive(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(data, data + size)));
    if (!archive.load()) {
        readValues(archive);
        return 0;
    }
    walk(archive, 16);
    return 0;
}
