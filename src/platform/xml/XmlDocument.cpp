#include "platform/xml/XmlDocument.h"

#include <pugixml.hpp>

#include <string>

namespace tarnwick::xml {

struct TXmlDocument::TImpl {
    pugi::xml_document Doc;
};

namespace {

pugi::xml_node NodeOf(void* handle) {
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(handle));
}

WideString Wide(const pugi::char_t* text) {
    return FromUtf8(text ? text : "");
}

// The characters XML 1.0 allows.
bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

[[noreturn]] void RefuseChar(char32_t c, std::size_t at, const char16_t* unit) {
    throw TXmlError(u"Character U+" + IntToHex(c, 4) + u" is not allowed in XML text (at " + unit + u" " +
                    UIntToStr(at) + u")");
}

void CheckLength(std::size_t length, const char16_t* unit) {
    if (length > MaxXmlTextLength)
        throw TXmlError(u"XML text is too long: " + UIntToStr(length) + u" " + unit + u" (at most " +
                        UIntToStr(MaxXmlTextLength) + u")");
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
void CheckUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const unsigned char b = static_cast<unsigned char>(text[i++]);
        char32_t c = 0;
        int more = 0;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F, more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F, more = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            c = b & 0x07, more = 3;
        } else {
            throw TXmlError(u"Invalid UTF-8 in XML text at byte " + UIntToStr(start));
        }
        for (int k = 0; k < more; ++k) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                throw TXmlError(u"Invalid UTF-8 in XML text at byte " + UIntToStr(start));
            c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
        }
        const bool overlong = (more == 2 && c < 0x800) || (more == 3 && c < 0x10000);
        if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            throw TXmlError(u"Invalid UTF-8 in XML text at byte " + UIntToStr(start));
        if (!IsXmlChar(c)) RefuseChar(c, start, u"byte");
    }
}

void CheckUtf16(WideStringView text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            throw TXmlError(u"Invalid UTF-16 in XML text at character " + UIntToStr(i));
        if (!IsXmlChar(c)) RefuseChar(c, i, u"character");
    }
}

// Walks the whole tree without recursion: refuses document type declarations
// wherever they stand and bounds the nesting.
void CheckTree(const pugi::xml_document& doc) {
    std::size_t depth = 0;
    pugi::xml_node node = doc.first_child();
    while (node) {
        if (node.type() == pugi::node_doctype)
            throw TXmlError(u"XML text with a document type declaration (DOCTYPE) is not accepted");
        if (pugi::xml_node child = node.first_child()) {
            if (++depth > MaxXmlDepth)
                throw TXmlError(u"XML text nests deeper than " + UIntToStr(MaxXmlDepth) + u" levels");
            node = child;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            if (node == doc) return;
            --depth;
        }
        if (node) node = node.next_sibling();
    }
}

// Exactly one element at the top, with nothing but comments and processing
// instructions around it (the parse accepts fragments).
void CheckTopLevel(const pugi::xml_document& doc) {
    int elements = 0;
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element)
            ++elements;
        else if (n.type() != pugi::node_comment && n.type() != pugi::node_pi &&
                 n.type() != pugi::node_declaration)
            throw TXmlError(u"XML text is not well-formed: text outside the document element");
    }
    if (elements == 0) throw TXmlError(u"XML text is not well-formed: no document element");
    if (elements > 1) throw TXmlError(u"XML text is not well-formed: more than one document element");
}

} // namespace

TXmlDocument::TXmlDocument() : FImpl(std::make_unique<TImpl>()) {}
TXmlDocument::~TXmlDocument() = default;

std::shared_ptr<TXmlDocument> TXmlDocument::Parse(WideStringView text) {
    CheckLength(text.size(), u"characters");
    CheckUtf16(text);
    return ParseChecked(ToUtf8(text));
}

std::shared_ptr<TXmlDocument> TXmlDocument::ParseUtf8(std::string_view text) {
    CheckLength(text.size(), u"bytes");
    CheckUtf8(text);
    return ParseChecked(text);
}

std::shared_ptr<TXmlDocument> TXmlDocument::ParseChecked(std::string_view text) {
    std::shared_ptr<TXmlDocument> result(new TXmlDocument());
    // Whitespace-only text is dropped (no parse_ws_pcdata); other text is kept untrimmed.
    // parse_doctype keeps a declaration as a node so that CheckTree can refuse it;
    // parse_fragment keeps text outside the document element so CheckTopLevel sees it;
    // pugixml never resolves entities nor reads anything outside the buffer.
    const unsigned options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                             pugi::parse_wconv_attribute | pugi::parse_comments | pugi::parse_pi |
                             pugi::parse_doctype | pugi::parse_fragment;
    pugi::xml_parse_result parsed =
        result->FImpl->Doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!parsed) {
        if (parsed.status == pugi::status_bad_doctype)
            throw TXmlError(u"XML text with a document type declaration (DOCTYPE) is not accepted");
        throw TXmlError(u"XML text is not well-formed: " + Wide(parsed.description()) + u" at byte " +
                        IntToStr(parsed.offset));
    }
    CheckTree(result->FImpl->Doc);
    CheckTopLevel(result->FImpl->Doc);
    return result;
}

TXmlNode TXmlDocument::DocumentElement() const {
    pugi::xml_node root = FImpl->Doc.document_element();
    if (!root) return TXmlNode();
    return TXmlNode(shared_from_this(), root.internal_object());
}

TXmlNodeKind TXmlNode::Kind() const {
    switch (NodeOf(FHandle).type()) {
    case pugi::node_null:
        return TXmlNodeKind::Null;
    case pugi::node_element:
        return TXmlNodeKind::Element;
    case pugi::node_pcdata:
        return TXmlNodeKind::Text;
    case pugi::node_cdata:
        return TXmlNodeKind::CData;
    case pugi::node_comment:
        return TXmlNodeKind::Comment;
    case pugi::node_pi:
        return TXmlNodeKind::ProcessingInstruction;
    default:
        return TXmlNodeKind::Other;
    }
}

WideString TXmlNode::Name() const {
    switch (Kind()) {
    case TXmlNodeKind::Text:
        return u"#text";
    case TXmlNodeKind::CData:
        return u"#cdata-section";
    case TXmlNodeKind::Comment:
        return u"#comment";
    default:
        return Wide(NodeOf(FHandle).name());
    }
}

WideString TXmlNode::LocalName() const {
    return LocalNamePart(Name());
}

WideString TXmlNode::NamespaceUri() const {
    pugi::xml_node node = NodeOf(FHandle);
    if (node.type() != pugi::node_element) return WideString();
    const std::string name = node.name();
    const std::size_t colon = name.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
    if (prefix == "xml") return u"http://www.w3.org/XML/1998/namespace";
    const std::string attribute = prefix.empty() ? std::string("xmlns") : "xmlns:" + prefix;
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) return Wide(a.value());
    return WideString();
}

std::vector<TXmlNode> TXmlNode::Children() const {
    std::vector<TXmlNode> out;
    for (pugi::xml_node c = NodeOf(FHandle).first_child(); c; c = c.next_sibling())
        out.push_back(Wrap(c.internal_object()));
    return out;
}

std::size_t TXmlNode::ChildCount() const {
    std::size_t n = 0;
    for (pugi::xml_node c = NodeOf(FHandle).first_child(); c; c = c.next_sibling())
        ++n;
    return n;
}

TXmlNode TXmlNode::FirstChild() const {
    return Wrap(NodeOf(FHandle).first_child().internal_object());
}

bool TXmlNode::IsTextElement() const {
    pugi::xml_node node = NodeOf(FHandle);
    if (node.type() != pugi::node_element) return false;
    pugi::xml_node child = node.first_child();
    return child && child.type() == pugi::node_pcdata && !child.next_sibling();
}

WideString TXmlNode::Text() const {
    pugi::xml_node node = NodeOf(FHandle);
    if (node.type() != pugi::node_element) return Wide(node.value());
    // Text and CDATA of every descendant, in document order, without recursion.
    std::string out;
    pugi::xml_node n = node.first_child();
    while (n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != node && !n.next_sibling())
            n = n.parent();
        if (!n || n == node) break;
        n = n.next_sibling();
    }
    return FromUtf8(out);
}

WideString LocalNamePart(WideStringView name) {
    const std::size_t colon = name.find(u':');
    return WideString(colon == WideStringView::npos ? name : name.substr(colon + 1));
}

} // namespace tarnwick::xml
