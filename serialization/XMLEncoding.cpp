// Recognising a UTF-8 document: byte-order mark, or the declaration's encoding.
#include "serialization/XMLEncoding.h"

#include <cctype>
#include <string>

namespace Cobalt {

namespace {

// TinyXML's tokenizing helpers are protected statics of TiXmlBase.
class Rules : public TiXmlBase {
public:
    using TiXmlBase::SkipWhiteSpace;
    using TiXmlBase::StringEqual;
};

bool startsWithByteOrderMark(const char *text) {
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    return bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
}

// The whole name in any letter case; "UTF8" is wrong but common.
bool namesUtf8(std::string name) {
    for (char &c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-8" || name == "UTF8";
}

} // namespace

TiXmlEncoding documentEncoding(const char *text) {
    if (!text || !*text)
        return TIXML_ENCODING_LEGACY;
    if (startsWithByteOrderMark(text))
        return TIXML_ENCODING_UTF8;
    // Only a declaration at the very start counts, as XML allows nothing before it.
    const char *p = Rules::SkipWhiteSpace(text, TIXML_ENCODING_LEGACY);
    if (!p || !*p || !Rules::StringEqual(p, "<?xml", true, TIXML_ENCODING_LEGACY))
        return TIXML_ENCODING_LEGACY;
    TiXmlDeclaration declaration;
    declaration.Parse(p, nullptr, TIXML_ENCODING_LEGACY);
    return namesUtf8(declaration.Encoding()) ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
}

} // namespace Cobalt
