#include "platform/xml/XmlDocument.h"

#include <pugixml.hpp>

#include <string>

namespace tarnwick::xml {

// The compact tree: every name and value is a slice of one UTF-16 pool.
struct TXmlDocument::TImpl {
    struct TSlice {
        std::uint32_t Offset = 0, Length = 0;
    };
    struct TNode {
        TXmlNodeKind Kind = TXmlNodeKind::Other;
        std::uint32_t Parent = TXmlNode::NoNode, FirstChild = TXmlNode::NoNode,
                      NextSibling = TXmlNode::NoNode;
        TSlice Name, Value;
        std::uint32_t FirstNs = 0, NsCount = 0; // this element's namespace declarations
    };
    struct TNamespace {
        TSlice Prefix, Uri; // an empty prefix is the default namespace
    };

    WideString Pool;
    std::vector<TNode> Nodes;
    std::vector<TNamespace> Namespaces;
    std::uint32_t Root = TXmlNode::NoNode;

    TSlice Add(std::string_view utf8) {
        WideString wide = FromUtf8(utf8);
        TSlice s{static_cast<std::uint32_t>(Pool.size()), static_cast<std::uint32_t>(wide.size())};
        Pool += wide;
        return s;
    }
    WideStringView View(TSlice s) const { return WideStringView(Pool).substr(s.Offset, s.Length); }
    const TNode& Node(std::uint32_t i) const { return Nodes[i]; }
    // Copies the document element and everything below it, without recursion.
    void Copy(pugi::xml_node root);
};

namespace {

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

TXmlNodeKind KindOf(pugi::xml_node_type type) {
    switch (type) {
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
    pugi::xml_document doc;
    // Whitespace-only text is dropped (no parse_ws_pcdata); other text is kept untrimmed.
    // parse_doctype keeps a declaration as a node so that CheckTree can refuse it;
    // parse_fragment keeps text outside the document element so CheckTopLevel sees it;
    // pugixml never resolves entities nor reads anything outside the buffer.
    const unsigned options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                             pugi::parse_wconv_attribute | pugi::parse_comments | pugi::parse_pi |
                             pugi::parse_doctype | pugi::parse_fragment;
    pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!parsed) {
        if (parsed.status == pugi::status_bad_doctype)
            throw TXmlError(u"XML text with a document type declaration (DOCTYPE) is not accepted");
        throw TXmlError(u"XML text is not well-formed: " + Wide(parsed.description()) + u" at byte " +
                        IntToStr(parsed.offset));
    }
    CheckTree(doc);
    CheckTopLevel(doc);
    std::shared_ptr<TXmlDocument> result(new TXmlDocument());
    result->FImpl->Copy(doc.document_element());
    return result;
}

void TXmlDocument::TImpl::Copy(pugi::xml_node root) {
    TImpl& impl = *this;
    struct TPending {
        pugi::xml_node Source;
        std::uint32_t Parent;
    };
    std::vector<TPending> stack{{root, TXmlNode::NoNode}};
    std::vector<std::uint32_t> lastChild; // per node: its last child copied so far
    while (!stack.empty()) {
        TPending item = stack.back();
        stack.pop_back();
        const auto index = static_cast<std::uint32_t>(impl.Nodes.size());
        TNode node;
        node.Kind = KindOf(item.Source.type());
        node.Parent = item.Parent;
        if (node.Kind == TXmlNodeKind::Element || node.Kind == TXmlNodeKind::ProcessingInstruction)
            node.Name = impl.Add(item.Source.name());
        if (node.Kind != TXmlNodeKind::Element) node.Value = impl.Add(item.Source.value());
        if (node.Kind == TXmlNodeKind::Element) {
            node.FirstNs = static_cast<std::uint32_t>(impl.Namespaces.size());
            for (pugi::xml_attribute a = item.Source.first_attribute(); a; a = a.next_attribute()) {
                std::string_view name = a.name();
                if (name == "xmlns")
                    impl.Namespaces.push_back({impl.Add(""), impl.Add(a.value())});
                else if (name.substr(0, 6) == "xmlns:")
                    impl.Namespaces.push_back({impl.Add(name.substr(6)), impl.Add(a.value())});
            }
            node.NsCount = static_cast<std::uint32_t>(impl.Namespaces.size()) - node.FirstNs;
        }
        impl.Nodes.push_back(node);
        lastChild.push_back(TXmlNode::NoNode);
        if (item.Parent == TXmlNode::NoNode) {
            impl.Root = index;
        } else {
            std::uint32_t& last = lastChild[item.Parent];
            if (last == TXmlNode::NoNode)
                impl.Nodes[item.Parent].FirstChild = index;
            else
                impl.Nodes[last].NextSibling = index;
            last = index;
        }
        // Children go on the stack last first, so they are copied in document order.
        std::vector<pugi::xml_node> children;
        for (pugi::xml_node c = item.Source.first_child(); c; c = c.next_sibling())
            children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back({*it, index});
    }
    impl.Pool.shrink_to_fit();
    impl.Nodes.shrink_to_fit();
    impl.Namespaces.shrink_to_fit();
}

TXmlNode TXmlDocument::DocumentElement() const {
    if (FImpl->Root == TXmlNode::NoNode) return TXmlNode();
    return TXmlNode(shared_from_this(), FImpl->Root);
}

TXmlNodeKind TXmlNode::Kind() const {
    return IsNull() ? TXmlNodeKind::Null : FDoc->FImpl->Node(FIndex).Kind;
}

WideString TXmlNode::Name() const {
    switch (Kind()) {
    case TXmlNodeKind::Null:
        return WideString();
    case TXmlNodeKind::Text:
        return u"#text";
    case TXmlNodeKind::CData:
        return u"#cdata-section";
    case TXmlNodeKind::Comment:
        return u"#comment";
    default:
        return WideString(FDoc->FImpl->View(FDoc->FImpl->Node(FIndex).Name));
    }
}

WideString TXmlNode::LocalName() const {
    return LocalNamePart(Name());
}

WideString TXmlNode::NamespaceUri() const {
    if (Kind() != TXmlNodeKind::Element) return WideString();
    const auto& impl = *FDoc->FImpl;
    WideStringView name = impl.View(impl.Node(FIndex).Name);
    const std::size_t colon = name.find(u':');
    WideStringView prefix = colon == WideStringView::npos ? WideStringView() : name.substr(0, colon);
    if (prefix == u"xml") return u"http://www.w3.org/XML/1998/namespace";
    for (std::uint32_t n = FIndex; n != NoNode; n = impl.Node(n).Parent) {
        const auto& node = impl.Node(n);
        for (std::uint32_t k = node.FirstNs; k < node.FirstNs + node.NsCount; ++k)
            if (impl.View(impl.Namespaces[k].Prefix) == prefix)
                return WideString(impl.View(impl.Namespaces[k].Uri));
    }
    return WideString();
}

std::vector<TXmlNode> TXmlNode::Children() const {
    std::vector<TXmlNode> out;
    for (TXmlNode c = FirstChild(); !c.IsNull(); c = Wrap(FDoc->FImpl->Node(c.FIndex).NextSibling))
        out.push_back(c);
    return out;
}

std::size_t TXmlNode::ChildCount() const {
    std::size_t n = 0;
    for (TXmlNode c = FirstChild(); !c.IsNull(); c = Wrap(FDoc->FImpl->Node(c.FIndex).NextSibling))
        ++n;
    return n;
}

TXmlNode TXmlNode::FirstChild() const {
    return IsNull() ? TXmlNode() : Wrap(FDoc->FImpl->Node(FIndex).FirstChild);
}

bool TXmlNode::IsTextElement() const {
    if (Kind() != TXmlNodeKind::Element) return false;
    const auto& impl = *FDoc->FImpl;
    std::uint32_t child = impl.Node(FIndex).FirstChild;
    return child != NoNode && impl.Node(child).Kind == TXmlNodeKind::Text &&
           impl.Node(child).NextSibling == NoNode;
}

WideString TXmlNode::Text() const {
    if (IsNull()) return WideString();
    const auto& impl = *FDoc->FImpl;
    if (impl.Node(FIndex).Kind != TXmlNodeKind::Element)
        return WideString(impl.View(impl.Node(FIndex).Value));
    // Text and CDATA of every descendant, in document order, without recursion.
    WideString out;
    std::uint32_t n = impl.Node(FIndex).FirstChild;
    while (n != NoNode) {
        const auto& node = impl.Node(n);
        if (node.Kind == TXmlNodeKind::Text || node.Kind == TXmlNodeKind::CData) out += impl.View(node.Value);
        if (node.FirstChild != NoNode) {
            n = node.FirstChild;
            continue;
        }
        while (n != NoNode && n != FIndex && impl.Node(n).NextSibling == NoNode)
            n = impl.Node(n).Parent;
        if (n == NoNode || n == FIndex) break;
        n = impl.Node(n).NextSibling;
    }
    return out;
}

WideString LocalNamePart(WideStringView name) {
    const std::size_t colon = name.find(u':');
    return WideString(colon == WideStringView::npos ? name : name.substr(colon + 1));
}

} // namespace tarnwick::xml
