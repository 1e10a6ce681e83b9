// Replays the element structure of TinyXML's parser in a loop, so that the depth of a hostile
// document is known before TinyXML recurses into it. Everything else (text, comments, CDATA,
// declarations, unknown tags, attributes) is read by TinyXML's own node parsers, so both walks
// skip exactly the same bytes, entities and UTF-8 sequences included.
#include "serialization/XMLNesting.h"

#include "serialization/XMLEncoding.h"

#include <tinyxml.h>

#include <set>
#include <string>
#include <vector>

namespace Cobalt {

namespace {

// TinyXML's tokenizing helpers are protected statics of TiXmlBase.
class Rules : public TiXmlBase {
public:
    using TiXmlBase::IsAlpha;
    using TiXmlBase::ReadName;
    using TiXmlBase::SkipWhiteSpace;
    using TiXmlBase::StringEqual;
};

enum class NodeKind { Declaration, Comment, CData, Unknown, Element };
enum class StartTag { Stop, Empty, Open };

// As TiXmlNode::Identify, for p at a '<'.
NodeKind identify(const char *p, TiXmlEncoding encoding) {
    if (Rules::StringEqual(p, "<?xml", true, encoding))
        return NodeKind::Declaration;
    if (Rules::StringEqual(p, "<!--", false, encoding))
        return NodeKind::Comment;
    if (Rules::StringEqual(p, "<![CDATA[", false, encoding))
        return NodeKind::CData;
    if (Rules::StringEqual(p, "<!", false, encoding))
        return NodeKind::Unknown;
    if (Rules::IsAlpha(static_cast<unsigned char>(p[1]), encoding) || p[1] == '_')
        return NodeKind::Element;
    return NodeKind::Unknown;
}

// Reads a node other than an element with TinyXML's parser; returns where TinyXML goes on, null
// where it stops.
const char *skipLeaf(NodeKind kind, const char *p, TiXmlEncoding encoding) {
    switch (kind) {
    case NodeKind::Declaration: {
        TiXmlDeclaration declaration;
        return declaration.Parse(p, nullptr, encoding);
    }
    case NodeKind::Comment: {
        TiXmlComment comment;
        return comment.Parse(p, nullptr, encoding);
    }
    case NodeKind::CData: {
        TiXmlText text("");
        text.SetCDATA(true);
        return text.Parse(p, nullptr, encoding);
    }
    default: {
        TiXmlUnknown unknown;
        return unknown.Parse(p, nullptr, encoding);
    }
    }
}

// The start tag as TiXmlElement::Parse reads it, up to its content.
StartTag readStartTag(const char *&p, TiXmlEncoding encoding, std::string &name) {
    std::set<std::string> attributeNames;
    p = Rules::SkipWhiteSpace(p, encoding);
    if (!p || *p != '<')
        return StartTag::Stop;
    p = Rules::SkipWhiteSpace(p + 1, encoding);
    if (p)
        p = Rules::ReadName(p, &name, encoding);
    while (p && *p) {
        p = Rules::SkipWhiteSpace(p, encoding);
        if (!p || !*p)
            return StartTag::Stop;
        if (*p == '/') {
            if (p[1] != '>')
                return StartTag::Stop;
            p += 2;
            return StartTag::Empty;
        }
        if (*p == '>') {
            ++p;
            return StartTag::Open;
        }
        TiXmlAttribute attribute;
        p = attribute.Parse(p, nullptr, encoding);
        // TinyXML stops at an attribute named twice.
        if (p && !attributeNames.insert(attribute.NameTStr()).second)
            return StartTag::Stop;
    }
    return StartTag::Stop;
}

// One element and everything inside it, as TiXmlElement::Parse and ReadValue walk it, with the
// recursion replaced by a stack of the open elements' end tags.
class ElementWalk {
public:
    ElementWalk(const char *document, TiXmlEncoding textEncoding, std::size_t maximumDepth)
        : text(document), encoding(textEncoding), limit(maximumDepth) {}

    // Returns where TinyXML goes on after the element, or null where it stops or the nesting
    // is too deep (fault is set then).
    const char *walk(const char *p) {
        bool atStartTag = true;
        while (p) {
            if (atStartTag) {
                atStartTag = false;
                if (!openElement(p))
                    return nullptr;
                if (endTags.empty())
                    return p;
                continue;
            }
            const char *withWhiteSpace = p;
            p = Rules::SkipWhiteSpace(p, encoding);
            if (!p || !*p)
                return nullptr;
            if (*p != '<') {
                TiXmlText content("");
                p = content.Parse(TiXmlBase::IsWhiteSpaceCondensed() ? p : withWhiteSpace, nullptr,
                                  encoding);
            } else if (Rules::StringEqual(p, "</", false, encoding)) {
                if (!closeElement(p))
                    return nullptr;
                if (endTags.empty())
                    return p;
            } else {
                const NodeKind kind = identify(p, encoding);
                if (kind == NodeKind::Element)
                    atStartTag = true;
                else
                    p = skipLeaf(kind, p, encoding);
            }
        }
        return nullptr;
    }

    std::size_t fault = NestingWithinLimit;

private:
    bool openElement(const char *&p) {
        const char *tag = p;
        std::string name;
        switch (readStartTag(p, encoding, name)) {
        case StartTag::Stop:
            return false;
        case StartTag::Empty:
            return true;
        case StartTag::Open:
            break;
        }
        if (endTags.size() == limit) {
            fault = static_cast<std::size_t>(tag - text);
            return false;
        }
        endTags.push_back("</" + name);
        return true;
    }

    bool closeElement(const char *&p) {
        const std::string &endTag = endTags.back();
        if (!Rules::StringEqual(p, endTag.c_str(), false, encoding))
            return false;
        p = Rules::SkipWhiteSpace(p + endTag.size(), encoding);
        if (!p || *p != '>')
            return false;
        ++p;
        endTags.pop_back();
        return true;
    }

    const char *text;
    TiXmlEncoding encoding;
    std::size_t limit;
    std::vector<std::string> endTags;
};

} // namespace

std::size_t findElementBeyond(const char *text, std::size_t limit) {
    if (!text || !*text)
        return NestingWithinLimit;
    const TiXmlEncoding encoding = documentEncoding(text);
    const char *p = Rules::SkipWhiteSpace(text, encoding);
    while (p && *p == '<') {
        const NodeKind kind = identify(p, encoding);
        if (kind == NodeKind::Element) {
            ElementWalk element(text, encoding, limit);
            p = element.walk(p);
            if (element.fault != NestingWithinLimit)
                return element.fault;
        } else {
            p = skipLeaf(kind, p, encoding);
        }
        p = Rules::SkipWhiteSpace(p, encoding);
    }
    return NestingWithinLimit;
}

} // namespace Cobalt
