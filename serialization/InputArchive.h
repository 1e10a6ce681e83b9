// Reading side of the archives: named, typed values in a tree of named nodes.
#pragma once

#include "serialization/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace Cobalt {

// Opaque, non-owning reference to a node of an archive's tree; valid while the archive lives.
class ArchiveNode;
using NodeHandle = ArchiveNode *;

// Reads values from the current node: its text ("read") or a named property ("readAttribute").
// A missing node or attribute, or text that does not parse, leaves the target unchanged and is
// reported by the result; no operation throws. An archive that never loaded fails everything.
class InputArchive {
public:
    virtual ~InputArchive() = default;
    InputArchive(const InputArchive &) = delete;
    InputArchive &operator=(const InputArchive &) = delete;

    // Value reads from the current node's text.
    virtual bool read(Rect &value) = 0;
    virtual bool read(RectF &value) = 0;
    virtual bool read(Vector2 &value) = 0;
    virtual bool read(Vector3 &value) = 0;
    virtual bool read(Vector3d &value) = 0;
    virtual bool read(Vector4 &value) = 0;
    virtual bool read(std::string &value) = 0;
    virtual bool read(double &value) = 0;
    virtual bool read(float &value) = 0;
    virtual bool read(bool &value) = 0;
    virtual bool read(unsigned int &value) = 0;
    virtual bool read(int &value) = 0;
    virtual bool read(unsigned char &value) = 0;
    virtual bool read(char &value) = 0;
    // A line number of the document (counted from 1) for messages; 0 when nothing is loaded.
    virtual int getLastLine() = 0;

    // Reads of the current node's attribute name; false when it is missing.
    virtual bool readAttribute(const char *name, Vector2 &value) = 0;
    virtual bool readAttribute(const char *name, Vector3 &value) = 0;
    virtual bool readAttribute(const char *name, Vector3d &value) = 0;
    virtual bool readAttribute(const char *name, Vector4 &value) = 0;
    virtual bool readAttribute(const char *name, std::string &value) = 0;
    virtual bool readAttribute(const char *name, double &value) = 0;
    virtual bool readAttribute(const char *name, float &value) = 0;
    // Stores the low 16 bits of the integer attribute.
    virtual bool readAttribute(const char *name, std::uint16_t &value) = 0;
    virtual bool readAttribute(const char *name, unsigned int &value) = 0;
    virtual bool readAttribute(const char *name, int &value) = 0;
    virtual bool readAttribute(const char *name, bool &value) = 0;

    // Enters the child name, which may carry its content in another file. On true, source is the
    // archive to read it from (this one or another file's, owned by this archive until the next
    // reference replaces it); call leave on source when done. False changes nothing.
    virtual bool beginObject(const std::string &name, InputArchive *&source) = 0;
    // Makes the first child node called name current; false (nothing changes) when there is none.
    virtual bool enter(const std::string &name) = 0;
    // Makes the current node's parent current.
    virtual void leave() = 0;
    // Steps through the children called name: start with a null previous; each step makes the
    // child current. Null at the end, with the parent current again (or nothing changed when
    // there was no such child at all).
    virtual NodeHandle nextElement(NodeHandle previous, const char *name) = 0;
    // As nextElement, over children of any name (comments skipped).
    virtual NodeHandle nextNode(NodeHandle previous) = 0;
    // The current node's name; empty when there is none.
    virtual std::string getName() = 0;
    // Opens and loads another file ("this" for this archive's own); null when it fails.
    virtual std::unique_ptr<InputArchive> openArchive(const std::string &source) = 0;
    // The current node's class name; false when it has none.
    virtual bool readClassName(std::string &className) = 0;
    // Sets name to the current node's referenced name and opens the file it refers to; null when
    // the node refers to no file or the file does not load.
    virtual std::unique_ptr<InputArchive> openReference(std::string &name) = 0;

    // The path or stream name the archive reads.
    const std::string &getArchiveName() const { return name; }

protected:
    explicit InputArchive(std::string archiveName) : name(std::move(archiveName)) {}

private:
    std::string name;
};

// Reads the child called name into value: true when the child exists and its read succeeded;
// a missing child leaves value untouched.
template <typename T> bool readNamed(InputArchive &archive, const std::string &name, T &value) {
    InputArchive *source = nullptr;
    if (!archive.beginObject(name, source))
        return false;
    const bool result = source->read(value);
    source->leave();
    return result;
}

// The text of the current node's attribute name, always a fresh text: empty when it is missing.
inline std::string attributeText(InputArchive &archive, const char *name) {
    std::string value;
    archive.readAttribute(name, value);
    return value;
}

} // namespace Cobalt
