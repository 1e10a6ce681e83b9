// Input archive over an XML document: nodes are elements, values their text, attributes theirs.
#pragma once

#include "serialization/InputArchive.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

namespace Cobalt {

namespace IO {
class Stream;
}

// Longest chain of archives that object references may open from one another. Real launcher
// files refer one or two files deep; a longer chain is a cycle ("this" within "this") that would
// otherwise open the same file again at every level a reader descends.
constexpr std::size_t MaximumReferenceChain = 16;

class XMLInputArchive : public InputArchive {
public:
    // Reads from stream (which may be null); the archive is named after the stream.
    explicit XMLInputArchive(std::unique_ptr<IO::Stream> stream);
    // Reads the file the engine's file server opens for path; none when it does not open.
    explicit XMLInputArchive(const std::string &path);
    // Destroys the delegate, the document and the stream, in that order.
    ~XMLInputArchive() override;

    // Reads and parses the whole stream; must precede every read. False when the stream does
    // not open, is empty, or does not parse (logged with row and column) or nests deeper than
    // MaximumXMLNesting elements (logged likewise); the archive then fails every read.
    bool load();

    bool read(Rect &value) override;
    bool read(RectF &value) override;
    bool read(Vector2 &value) override;
    bool read(Vector3 &value) override;
    bool read(Vector3d &value) override;
    bool read(Vector4 &value) override;
    bool read(std::string &value) override;
    bool read(double &value) override;
    bool read(float &value) override;
    bool read(bool &value) override;
    bool read(unsigned int &value) override;
    bool read(int &value) override;
    bool read(unsigned char &value) override;
    bool read(char &value) override;
    int getLastLine() override;

    bool readAttribute(const char *name, Vector2 &value) override;
    bool readAttribute(const char *name, Vector3 &value) override;
    bool readAttribute(const char *name, Vector3d &value) override;
    bool readAttribute(const char *name, Vector4 &value) override;
    bool readAttribute(const char *name, std::string &value) override;
    bool readAttribute(const char *name, double &value) override;
    bool readAttribute(const char *name, float &value) override;
    bool readAttribute(const char *name, std::uint16_t &value) override;
    bool readAttribute(const char *name, unsigned int &value) override;
    bool readAttribute(const char *name, int &value) override;
    bool readAttribute(const char *name, bool &value) override;

    // As InputArchive::beginObject; also false, with a log line, when following the reference
    // would make the chain of referenced archives longer than MaximumReferenceChain.
    bool beginObject(const std::string &name, InputArchive *&source) override;
    bool enter(const std::string &name) override;
    // At the document itself there is no parent, and the document stays current.
    void leave() override;
    NodeHandle nextElement(NodeHandle previous, const char *name) override;
    NodeHandle nextNode(NodeHandle previous) override;
    std::string getName() override;
    // As InputArchive::openArchive; none, with a log line, beyond MaximumReferenceChain.
    std::unique_ptr<InputArchive> openArchive(const std::string &source) override;
    bool readClassName(std::string &className) override;
    std::unique_ptr<InputArchive> openReference(std::string &name) override;

private:
    bool parse(const std::vector<char> &bytes);
    void logLoadFailure(const char *description, int row, int column) const;
    // Whether one more archive may join the chain of references; logs the refusal.
    bool referenceAllowed(const std::string &source) const;
    // The current node's text: its first child when that is text; null when there is none.
    const std::string *text() const;
    const TiXmlElement *currentElement() const;
    const char *attribute(const char *name) const;
    template <typename T> bool readNumber(T &value);
    template <typename T> bool readComposite(T &value);
    template <typename T> bool readCompositeAttribute(const char *name, T &value);

    std::unique_ptr<IO::Stream> stream;
    std::unique_ptr<TiXmlDocument> document;
    TiXmlNode *current = nullptr;
    std::unique_ptr<InputArchive> delegate;
    // How many references were followed to open this archive (0 for one opened directly).
    std::size_t referenceDepth = 0;
};

} // namespace Cobalt
