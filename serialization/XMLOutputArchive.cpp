// Output archive over a TinyXML document, printed with tab indents when the archive is destroyed.
#include "serialization/XMLOutputArchive.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "io/Stream.h"

#include <tinyxml.h>

#include <cctype>
#include <exception>
#include <iomanip>
#include <sstream>
#include <vector>

namespace Cobalt {

namespace {

std::string fixedPoint(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(4) << value;
    return text.str();
}

// Joins values with single blanks, each formatted by the stream's defaults.
template <typename... T> std::string defaultFormatted(const T &...values) {
    std::ostringstream text;
    const char *separator = "";
    ((text << separator << values, separator = " "), ...);
    return text.str();
}

template <typename... T> std::string fixedPoints(const T &...values) {
    std::string text;
    ((text += (text.empty() ? "" : " ") + fixedPoint(values)), ...);
    return text;
}

// The names TinyXML reads back: a letter, '_' or a non-ASCII byte first, then also digits,
// '-', '.' and ':'.
bool isXMLName(const char *name) {
    if (!name || !*name)
        return false;
    const auto first = static_cast<unsigned char>(*name);
    if (!(std::isalpha(first) || first == '_' || first >= 127))
        return false;
    for (const char *p = name + 1; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (!(std::isalnum(c) || c >= 127 || c == '_' || c == '-' || c == '.' || c == ':'))
            return false;
    }
    return true;
}

} // namespace

XMLOutputArchive::XMLOutputArchive(const std::string &path)
    : document(std::make_unique<TiXmlDocument>()), current(document.get()), path(path) {
    document->InsertEndChild(TiXmlDeclaration("1.0", "", ""));
}

XMLOutputArchive::~XMLOutputArchive() {
    // Saving happens here by design and has no one to report to; never let it escape.
    try {
        save();
    } catch (const std::exception &) {
    }
}

void XMLOutputArchive::save() const {
    Engine *engine = Engine::instance();
    if (!engine)
        return;
    std::unique_ptr<IO::Stream> stream = engine->getFileServer()->open(path, IO::Out | IO::Trunc);
    if (!stream || !stream->open())
        return;
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\n");
    document->Accept(&printer);
    const std::string &text = printer.Str();
    stream->write(std::vector<char>(text.begin(), text.end()), static_cast<int>(text.size()));
    stream->close();
}

bool XMLOutputArchive::appendText(const std::string &text) {
    if (!current->ToElement())
        return false;
    // Adjacent texts are one run of text once printed, so they are kept as one node: two text
    // nodes would print on separate, indented lines and read back differently.
    TiXmlNode *last = current->LastChild();
    if (last && last->ToText())
        last->SetValue(last->ValueStr() + text);
    else
        current->InsertEndChild(TiXmlText(text));
    return true;
}

bool XMLOutputArchive::setAttribute(const char *name, const std::string &text) {
    TiXmlElement *element = current->ToElement();
    if (!element || !isXMLName(name))
        return false;
    element->SetAttribute(name, text);
    return true;
}

bool XMLOutputArchive::write(const Rect &value) {
    return appendText(defaultFormatted(value.left, value.top, value.right, value.bottom));
}
bool XMLOutputArchive::write(const RectF &value) {
    return appendText(defaultFormatted(value.left, value.top, value.right, value.bottom));
}
bool XMLOutputArchive::write(const Vector2 &value) {
    return appendText(defaultFormatted(value.x, value.y));
}
bool XMLOutputArchive::write(const Vector3 &value) {
    return appendText(defaultFormatted(static_cast<double>(value.x), static_cast<double>(value.y),
                                       static_cast<double>(value.z)));
}
bool XMLOutputArchive::write(const Vector3d &value) {
    return appendText(defaultFormatted(value.x, value.y, value.z));
}
bool XMLOutputArchive::write(const Vector4 &value) {
    return appendText(defaultFormatted(value.x, value.y, value.z, value.w));
}
bool XMLOutputArchive::write(const char *value) { return appendText(value ? value : ""); }
bool XMLOutputArchive::write(const std::string &value) { return appendText(value); }
bool XMLOutputArchive::write(double value) { return appendText(fixedPoint(value)); }
bool XMLOutputArchive::write(float value) { return appendText(fixedPoint(value)); }
bool XMLOutputArchive::write(bool value) { return appendText(value ? "true" : "false"); }
bool XMLOutputArchive::write(unsigned int value) { return appendText(std::to_string(value)); }
bool XMLOutputArchive::write(int value) { return appendText(std::to_string(value)); }
bool XMLOutputArchive::write(unsigned char value) {
    return appendText(std::string(1, static_cast<char>(value)));
}
bool XMLOutputArchive::write(char value) { return appendText(std::string(1, value)); }

bool XMLOutputArchive::writeAttribute(const char *name, const Vector2 &value) {
    return setAttribute(name, fixedPoints(value.x, value.y));
}
bool XMLOutputArchive::writeAttribute(const char *name, const Vector3 &value) {
    return setAttribute(name, fixedPoints(value.x, value.y, value.z));
}
bool XMLOutputArchive::writeAttribute(const char *name, const Vector3d &value) {
    return setAttribute(name, fixedPoints(value.x, value.y, value.z));
}
bool XMLOutputArchive::writeAttribute(const char *name, const Vector4 &value) {
    return setAttribute(name, fixedPoints(value.x, value.y, value.z, value.w));
}
bool XMLOutputArchive::writeAttribute(const char *name, const std::string &value) {
    return !value.empty() && setAttribute(name, value);
}
bool XMLOutputArchive::writeAttribute(const char *name, const double &value) {
    return setAttribute(name, fixedPoint(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const float &value) {
    return setAttribute(name, fixedPoint(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const std::int16_t &value) {
    return setAttribute(name, std::to_string(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const std::uint16_t &value) {
    return setAttribute(name, std::to_string(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const unsigned int &value) {
    return setAttribute(name, std::to_string(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const int &value) {
    return setAttribute(name, std::to_string(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const unsigned char &value) {
    return setAttribute(name, std::to_string(value));
}
bool XMLOutputArchive::writeAttribute(const char *name, const char &value) {
    return setAttribute(name, std::to_string(static_cast<int>(value)));
}
bool XMLOutputArchive::writeAttribute(const char *name, const bool &value) {
    return setAttribute(name, value ? "true" : "false");
}

bool XMLOutputArchive::enter(const std::string &name) {
    if (!isXMLName(name.c_str()))
        return false;
    TiXmlNode *child = current->InsertEndChild(TiXmlElement(name));
    if (!child)
        return false;
    current = child;
    return true;
}

void XMLOutputArchive::leave() {
    if (current->Parent())
        current = current->Parent();
}

void XMLOutputArchive::writeClassName(const std::string &name) {
    if (!name.empty())
        setAttribute("className", name);
}

} // namespace Cobalt
