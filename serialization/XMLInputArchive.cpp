// Input archive over a TinyXML document read whole from a stream.
#include "serialization/XMLInputArchive.h"

#include "app/DecimalText.h"
#include "app/Engine.h"
#include "app/Log.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "io/Stream.h"
#include "serialization/XMLEncoding.h"
#include "serialization/XMLNesting.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace Cobalt {

namespace {

std::unique_ptr<IO::Stream> openForReading(const std::string &path) {
    Engine *engine = Engine::instance();
    if (!engine)
        return nullptr;
    return engine->getFileServer()->open(path, IO::In);
}

NodeHandle toHandle(TiXmlNode *node) { return reinterpret_cast<NodeHandle>(node); }
TiXmlNode *toNode(NodeHandle handle) { return reinterpret_cast<TiXmlNode *>(handle); }

// Extracts one field; a failed extraction keeps the field (the standard would zero it).
template <typename T> void extract(std::istream &in, T &field) {
    T parsed{};
    if (in >> parsed)
        field = parsed;
}

// Rectangles are written left top right bottom, stored per axis.
template <typename AnyRect> void extractRectFields(std::istream &in, AnyRect &value) {
    extract(in, value.left);
    extract(in, value.top);
    extract(in, value.right);
    extract(in, value.bottom);
}
void extractFields(std::istream &in, Rect &value) { extractRectFields(in, value); }
void extractFields(std::istream &in, RectF &value) { extractRectFields(in, value); }
void extractFields(std::istream &in, Vector2 &value) {
    extract(in, value.x);
    extract(in, value.y);
}
template <typename AnyVector3> void extractVector3Fields(std::istream &in, AnyVector3 &value) {
    extract(in, value.x);
    extract(in, value.y);
    extract(in, value.z);
}
void extractFields(std::istream &in, Vector3 &value) { extractVector3Fields(in, value); }
void extractFields(std::istream &in, Vector3d &value) { extractVector3Fields(in, value); }
void extractFields(std::istream &in, Vector4 &value) {
    extract(in, value.x);
    extract(in, value.y);
    extract(in, value.z);
    extract(in, value.w);
}

// The words true and false in lower or upper case, else 1 or 0; anything else keeps value.
void convertBool(const std::string &text, bool &value) {
    if (text == "true" || text == "TRUE") {
        value = true;
    } else if (text == "false" || text == "FALSE") {
        value = false;
    } else {
        std::istringstream in(text);
        extract(in, value);
    }
}

// A double beyond float's range becomes an infinity instead of undefined behaviour.
float narrowToFloat(double value) {
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// Row and column (from 1) of an offset, for messages.
std::pair<int, int> locate(const std::vector<char> &bytes, std::size_t offset) {
    const auto end = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto lineStart = std::find(std::make_reverse_iterator(end), bytes.rend(), '\n').base();
    const auto row = 1 + std::count(bytes.begin(), end, '\n');
    return {static_cast<int>(row), static_cast<int>(end - lineStart) + 1};
}

} // namespace

XMLInputArchive::XMLInputArchive(std::unique_ptr<IO::Stream> source)
    : InputArchive(source ? source->getName() : std::string()), stream(std::move(source)) {}

XMLInputArchive::XMLInputArchive(const std::string &path)
    : InputArchive(path), stream(openForReading(path)) {}

XMLInputArchive::~XMLInputArchive() = default;

bool XMLInputArchive::load() {
    current = nullptr;
    if (!stream || !stream->open())
        return false;
    std::vector<char> bytes;
    if (!stream->read(bytes, stream->getSize()))
        return false;
    // A line feed, then zeros: TinyXML steps over a UTF-8 lead byte up to four bytes at a time,
    // even past a single terminator.
    bytes.insert(bytes.end(), {'\n', 0, 0, 0, 0});
    if (!parse(bytes))
        return false;
    current = document.get();
    stream->close();
    return true;
}

bool XMLInputArchive::parse(const std::vector<char> &bytes) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    document = std::make_unique<TiXmlDocument>();
    // TinyXML recurses once per element level, so a deep document must never reach it.
    const std::size_t tooDeep = findElementBeyond(bytes.data(), MaximumXMLNesting);
    if (tooDeep != NestingWithinLimit) {
        const auto [row, column] = locate(bytes, tooDeep);
        const std::string description =
            "Elements nested deeper than " + std::to_string(MaximumXMLNesting) + " levels";
        logLoadFailure(description.c_str(), row, column);
        return false;
    }
    document->Parse(bytes.data(), nullptr, documentEncoding(bytes.data()));
    if (document->Error()) {
        logLoadFailure(document->ErrorDesc(), document->ErrorRow(), document->ErrorCol());
        return false;
    }
    return true;
}

void XMLInputArchive::logLoadFailure(const char *description, int row, int column) const {
    Log &log = Log::instance();
    log.setLevel(Log::Information);
    log << description << " in row " << row << " col " << column << ", file " << stream->getName()
        << std::endl;
}

const std::string *XMLInputArchive::text() const {
    if (!current)
        return nullptr;
    const TiXmlNode *child = current->FirstChild();
    return child && child->ToText() ? &child->ValueStr() : nullptr;
}

const TiXmlElement *XMLInputArchive::currentElement() const {
    return current ? current->ToElement() : nullptr;
}

const char *XMLInputArchive::attribute(const char *name) const {
    const TiXmlElement *element = currentElement();
    return element && name ? element->Attribute(name) : nullptr;
}

template <typename T> bool XMLInputArchive::readComposite(T &value) {
    if (!current)
        return false;
    const std::string *content = text();
    std::istringstream in(content ? *content : std::string());
    extractFields(in, value);
    return true;
}

template <typename T> bool XMLInputArchive::readNumber(T &value) {
    if (!current)
        return false;
    const TiXmlNode *child = current->FirstChild();
    if (!child)
        return true;
    if (!child->ToText())
        return false;
    std::istringstream in(child->ValueStr());
    T parsed{};
    in >> parsed;
    // Stopping at the end of the text is fine; failing to extract is not.
    if (in.fail())
        return false;
    value = parsed;
    return true;
}

template <typename T> bool XMLInputArchive::readCompositeAttribute(const char *name, T &value) {
    std::string content;
    if (!readAttribute(name, content))
        return false;
    std::istringstream in(content);
    extractFields(in, value);
    return true;
}

bool XMLInputArchive::read(Rect &value) { return readComposite(value); }
bool XMLInputArchive::read(RectF &value) { return readComposite(value); }
bool XMLInputArchive::read(Vector2 &value) { return readComposite(value); }
bool XMLInputArchive::read(Vector3 &value) { return readComposite(value); }
bool XMLInputArchive::read(Vector3d &value) { return readComposite(value); }
bool XMLInputArchive::read(Vector4 &value) { return readComposite(value); }

bool XMLInputArchive::read(std::string &value) {
    if (!current)
        return false;
    const std::string *content = text();
    value = content ? *content : std::string();
    return true;
}

bool XMLInputArchive::read(double &value) { return readNumber(value); }
bool XMLInputArchive::read(float &value) { return readNumber(value); }

bool XMLInputArchive::read(bool &value) {
    if (!current)
        return false;
    const std::string *content = text();
    convertBool(content ? *content : std::string(), value);
    return true;
}

bool XMLInputArchive::read(unsigned int &value) { return readNumber(value); }
bool XMLInputArchive::read(int &value) { return readNumber(value); }
// Characters are extracted as characters: the first one that is not blank.
bool XMLInputArchive::read(unsigned char &value) { return readNumber(value); }
bool XMLInputArchive::read(char &value) { return readNumber(value); }

int XMLInputArchive::getLastLine() {
    if (!current)
        return 0;
    const TiXmlDocument *owner = current->GetDocument();
    const TiXmlNode *last = owner ? owner->LastChild() : nullptr;
    if (!last)
        return 0;
    const TiXmlNode *lastChild = last->LastChild();
    return (lastChild ? lastChild : last)->Row();
}

bool XMLInputArchive::readAttribute(const char *name, Vector2 &value) {
    return readCompositeAttribute(name, value);
}
bool XMLInputArchive::readAttribute(const char *name, Vector3 &value) {
    return readCompositeAttribute(name, value);
}
bool XMLInputArchive::readAttribute(const char *name, Vector3d &value) {
    return readCompositeAttribute(name, value);
}
bool XMLInputArchive::readAttribute(const char *name, Vector4 &value) {
    return readCompositeAttribute(name, value);
}

bool XMLInputArchive::readAttribute(const char *name, std::string &value) {
    const char *content = attribute(name);
    if (!content)
        return false;
    value = content;
    return true;
}

bool XMLInputArchive::readAttribute(const char *name, double &value) {
    const char *content = attribute(name);
    if (!content)
        return false;
    value = std::strtod(content, nullptr);
    return true;
}

bool XMLInputArchive::readAttribute(const char *name, float &value) {
    double wide = 0.0;
    if (!readAttribute(name, wide))
        return false;
    value = narrowToFloat(wide);
    return true;
}

bool XMLInputArchive::readAttribute(const char *name, std::uint16_t &value) {
    int whole = 0;
    if (!readAttribute(name, whole))
        return false;
    value = static_cast<std::uint16_t>(whole);
    return true;
}

// Takes the low 32 bits of the whole number, so that values above INT_MAX, as the output
// archive writes them, read back unchanged.
bool XMLInputArchive::readAttribute(const char *name, unsigned int &value) {
    const char *content = attribute(name);
    if (!content)
        return false;
    value = static_cast<unsigned int>(leadingInteger(content));
    return true;
}

bool XMLInputArchive::readAttribute(const char *name, int &value) {
    const char *content = attribute(name);
    if (!content)
        return false;
    value = atoiSaturated(content);
    return true;
}

bool XMLInputArchive::readAttribute(const char *name, bool &value) {
    std::string content;
    if (!readAttribute(name, content))
        return false;
    convertBool(content, value);
    return true;
}

bool XMLInputArchive::beginObject(const std::string &name, InputArchive *&source) {
    if (!enter(name))
        return false;
    const char *reference = attribute("source");
    if (reference && *reference && !referenceAllowed(reference)) {
        leave();
        return false;
    }
    std::string referenced = name;
    std::unique_ptr<InputArchive> other = openReference(referenced);
    if (!other) {
        source = this;
        return true;
    }
    leave();
    // A reference to a node the other file lacks is a missing node, not an empty one.
    if (!other->enter(referenced))
        return false;
    delegate = std::move(other);
    source = delegate.get();
    return true;
}

bool XMLInputArchive::enter(const std::string &name) {
    if (!current || name.empty())
        return false;
    TiXmlElement *child = current->FirstChildElement(name);
    if (!child)
        return false;
    current = child;
    return true;
}

void XMLInputArchive::leave() {
    if (current && current->Parent())
        current = current->Parent();
}

NodeHandle XMLInputArchive::nextElement(NodeHandle previous, const char *name) {
    if (!current || !name)
        return nullptr;
    if (!previous) {
        TiXmlElement *first = current->FirstChildElement(name);
        if (first)
            current = first;
        return toHandle(first);
    }
    TiXmlNode *node = toNode(previous);
    TiXmlElement *next = node->NextSiblingElement(name);
    current = next ? next : node->Parent();
    return toHandle(next);
}

NodeHandle XMLInputArchive::nextNode(NodeHandle previous) {
    if (!current)
        return nullptr;
    TiXmlNode *node = previous ? toNode(previous)->NextSibling() : current->FirstChildElement();
    if (!previous && !node)
        return nullptr;
    while (node && node->ToComment())
        node = node->NextSibling();
    current = node ? node : toNode(previous)->Parent();
    return toHandle(node);
}

std::string XMLInputArchive::getName() { return current ? current->ValueStr() : std::string(); }

std::unique_ptr<InputArchive> XMLInputArchive::openArchive(const std::string &source) {
    if (source.empty() || !referenceAllowed(source))
        return nullptr;
    auto archive = std::make_unique<XMLInputArchive>(source == "this" ? getArchiveName() : source);
    archive->referenceDepth = referenceDepth + 1;
    if (!archive->load())
        return nullptr;
    return archive;
}

bool XMLInputArchive::referenceAllowed(const std::string &source) const {
    if (referenceDepth < MaximumReferenceChain)
        return true;
    Log &log = Log::instance();
    log.setLevel(Log::Information);
    log << "References nested deeper than " << MaximumReferenceChain << " files at source \""
        << source << "\", file " << getArchiveName() << std::endl;
    return false;
}

bool XMLInputArchive::readClassName(std::string &className) {
    return readAttribute("className", className);
}

std::unique_ptr<InputArchive> XMLInputArchive::openReference(std::string &name) {
    const TiXmlElement *element = currentElement();
    if (!element)
        return nullptr;
    const char *referenced = element->Attribute("name");
    name = referenced ? referenced : element->ValueStr();
    const char *source = element->Attribute("source");
    return source ? openArchive(source) : nullptr;
}

} // namespace Cobalt
