// Output archive that builds an XML document and saves it through the file server when destroyed.
#pragma once

#include "serialization/OutputArchive.h"

#include <memory>
#include <string>

class TiXmlDocument;
class TiXmlNode;

namespace Cobalt {

class XMLOutputArchive : public OutputArchive {
public:
    // Starts a document with the declaration <?xml version="1.0" ?>; writes nothing yet.
    explicit XMLOutputArchive(const std::string &path);
    // Saves the document to the path, one tab of indent per level; a path that does not open
    // for writing (say, its folder is missing) saves nothing, silently.
    ~XMLOutputArchive() override;

    // Values are texts inside the current element: numbers in fixed point with four decimals,
    // vectors and rectangles in default formatting, characters as themselves. Nothing is written
    // (false) outside an element, since text beside the top elements would not read back.
    bool write(const Rect &value) override;
    bool write(const RectF &value) override;
    bool write(const Vector2 &value) override;
    bool write(const Vector3 &value) override;
    bool write(const Vector3d &value) override;
    bool write(const Vector4 &value) override;
    // A null pointer writes an empty text.
    bool write(const char *value) override;
    bool write(const std::string &value) override;
    bool write(double value) override;
    bool write(float value) override;
    bool write(bool value) override;
    bool write(unsigned int value) override;
    bool write(int value) override;
    bool write(unsigned char value) override;
    bool write(char value) override;

    // Attributes of the current element; false outside an element or for a name XML cannot hold.
    bool writeAttribute(const char *name, const Vector2 &value) override;
    bool writeAttribute(const char *name, const Vector3 &value) override;
    bool writeAttribute(const char *name, const Vector3d &value) override;
    bool writeAttribute(const char *name, const Vector4 &value) override;
    bool writeAttribute(const char *name, const std::string &value) override;
    bool writeAttribute(const char *name, const double &value) override;
    bool writeAttribute(const char *name, const float &value) override;
    bool writeAttribute(const char *name, const std::int16_t &value) override;
    bool writeAttribute(const char *name, const std::uint16_t &value) override;
    bool writeAttribute(const char *name, const unsigned int &value) override;
    bool writeAttribute(const char *name, const int &value) override;
    bool writeAttribute(const char *name, const unsigned char &value) override;
    bool writeAttribute(const char *name, const char &value) override;
    bool writeAttribute(const char *name, const bool &value) override;

    // False (nothing made) when name is not an XML name, which would not read back.
    bool enter(const std::string &name) override;
    // At the document itself there is no parent, and the document stays current.
    void leave() override;
    void writeClassName(const std::string &name) override;

private:
    bool appendText(const std::string &text);
    bool setAttribute(const char *name, const std::string &text);
    void save() const;

    std::unique_ptr<TiXmlDocument> document;
    TiXmlNode *current;
    std::string path;
};

} // namespace Cobalt
