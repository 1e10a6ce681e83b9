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

void readValues(InputArchive &archive) {
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
    unsigned char byte = 0;
    char character = 0;
    archive.read(rect);
    archive.read(rectF);
    archive.read(vector2);
    archive.read(vector3);
    archive.read(vector3d);
    archive.read(vector4);
    archive.read(text);
    archive.read(realD);
    archive.read(realF);
    archive.read(flag);
    archive.read(whole);
    archive.read(integer);
    archive.read(byte);
    archive.read(character);
    archive.getLastLine();
    archive.readClassName(text);
}

void readAttributes(InputArchive &archive, const char *name) {
    Cobalt::Vector2 vector2;
    Cobalt::Vector3 vector3;
    Cobalt::Vector3d vector3d;
    Cobalt::Vector4 vector4;
    std::string text;
    double realD = 0;
    float realF = 0;
    std::uint16_t shortWhole = 0;
    unsigned int whole = 0;
    int integer = 0;
    bool flag = false;
    archive.readAttribute(name, vector2);
    archive.readAttribute(name, vector3);
    archive.readAttribute(name, vector3d);
    archive.readAttribute(name, vector4);
    archive.readAttribute(name, text);
    archive.readAttribute(name, realD);
    archive.readAttribute(name, realF);
    archive.readAttribute(name, shortWhole);
    archive.readAttribute(name, whole);
    archive.readAttribute(name, integer);
    archive.readAttribute(name, flag);
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
