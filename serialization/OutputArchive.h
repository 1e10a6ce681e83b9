// Writing side of the archives: builds a tree of named nodes holding typed values.
#pragma once

#include "serialization/Types.h"

#include <cstdint>
#include <string>

namespace Cobalt {

// Writes values as the current node's text ("write") or as a named property of it
// ("writeAttribute"). No operation throws; the document is finished when the archive is destroyed.
class OutputArchive {
public:
    virtual ~OutputArchive() = default;
    OutputArchive(const OutputArchive &) = delete;
    OutputArchive &operator=(const OutputArchive &) = delete;

    // Value writes append text to the current node; false when nothing was written.
    virtual bool write(const Rect &value) = 0;
    virtual bool write(const RectF &value) = 0;
    virtual bool write(const Vector2 &value) = 0;
    virtual bool write(const Vector3 &value) = 0;
    virtual bool write(const Vector3d &value) = 0;
    virtual bool write(const Vector4 &value) = 0;
    virtual bool write(const char *value) = 0;
    virtual bool write(const std::string &value) = 0;
    virtual bool write(double value) = 0;
    virtual bool write(float value) = 0;
    virtual bool write(bool value) = 0;
    virtual bool write(unsigned int value) = 0;
    virtual bool write(int value) = 0;
    virtual bool write(unsigned char value) = 0;
    virtual bool write(char value) = 0;

    // Attribute writes set (or replace) the current node's attribute name; false when nothing
    // was written.
    virtual bool writeAttribute(const char *name, const Vector2 &value) = 0;
    virtual bool writeAttribute(const char *name, const Vector3 &value) = 0;
    virtual bool writeAttribute(const char *name, const Vector3d &value) = 0;
    virtual bool writeAttribute(const char *name, const Vector4 &value) = 0;
    // An empty string writes nothing and returns false.
    virtual bool writeAttribute(const char *name, const std::string &value) = 0;
    virtual bool writeAttribute(const char *name, const double &value) = 0;
    virtual bool writeAttribute(const char *name, const float &value) = 0;
    virtual bool writeAttribute(const char *name, const std::int16_t &value) = 0;
    virtual bool writeAttribute(const char *name, const std::uint16_t &value) = 0;
    virtual bool writeAttribute(const char *name, const unsigned int &value) = 0;
    virtual bool writeAttribute(const char *name, const int &value) = 0;
    // Characters are written as their numeric code.
    virtual bool writeAttribute(const char *name, const unsigned char &value) = 0;
    virtual bool writeAttribute(const char *name, const char &value) = 0;
    virtual bool writeAttribute(const char *name, const bool &value) = 0;

    // Creates a child node called name and makes it current; false when name is unusable.
    virtual bool enter(const std::string &name) = 0;
    // Makes the current node's parent current.
    virtual void leave() = 0;
    // Records the current node's class name; an empty name does nothing.
    virtual void writeClassName(const std::string &name) = 0;

protected:
    OutputArchive() = default;
};

// Writes value as a child called name: true when the child was made and the write succeeded.
template <typename T>
bool writeNamed(OutputArchive &archive, const std::string &name, const T &value) {
    if (!archive.enter(name))
        return false;
    const bool result = archive.write(value);
    archive.leave();
    return result;
}

} // namespace Cobalt
