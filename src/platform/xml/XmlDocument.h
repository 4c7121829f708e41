#pragma once
// A thin DOM over parsed XML text, for the items a WS-Management service sends.
//
// Guarantees:
// - parsing never reads a file or fetches anything: a document type declaration
//   (and with it every entity definition) is refused, entities are never resolved;
// - text that is not well-formed, not valid UTF-16/UTF-8, carries characters XML
//   does not allow, nests deeper than MaxXmlDepth or is longer than
//   MaxXmlTextLength is refused with a TXmlError that says why;
// - whitespace-only text between elements is not kept; the order of the children
//   is the document's;
// - a TXmlNode keeps its document alive; an empty node is safe to ask (it answers
//   empty names, no children and empty text).
//
// After the parse the tree is kept in a compact form of its own (one text pool and
// one array of nodes), a few kilobytes for a typical item, so that a result of many
// rows can stay in memory. Nodes are not safe for use from several threads at once.

#include "platform/com/Exception.h"
#include "platform/com/WideString.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwick::xml {

inline constexpr std::size_t MaxXmlDepth = 256;
// Characters of UTF-16 text, or bytes of UTF-8 text.
inline constexpr std::size_t MaxXmlTextLength = 16 * 1024 * 1024;

class TXmlError : public Exception {
public:
    using Exception::Exception;
};

class TXmlDocument;

enum class TXmlNodeKind { Null, Element, Text, CData, Comment, ProcessingInstruction, Other };

class TXmlNode {
public:
    static constexpr std::uint32_t NoNode = 0xFFFFFFFF; // the index of no node

    TXmlNode() = default;

    bool IsNull() const { return FIndex == NoNode; }
    TXmlNodeKind Kind() const;
    bool IsElement() const { return Kind() == TXmlNodeKind::Element; }

    // The name as written (prefix:local), or the DOM's fixed names of other nodes:
    // "#text", "#cdata-section", "#comment"; a processing instruction's target.
    WideString Name() const;
    // Everything after the first colon of Name(); the whole name without one.
    WideString LocalName() const;
    // The namespace URI of the element's prefix (or of the default namespace),
    // declared on the element or its nearest ancestor; empty when there is none.
    WideString NamespaceUri() const;

    std::vector<TXmlNode> Children() const;
    std::size_t ChildCount() const;
    TXmlNode FirstChild() const;
    bool HasChildren() const { return !FirstChild().IsNull(); }

    // An element whose only child is a text node (CDATA, comments and elements do not count).
    bool IsTextElement() const;
    // A text node's value; for an element, the text of all its descendants in document order.
    WideString Text() const;

private:
    friend class TXmlDocument;
    TXmlNode(std::shared_ptr<const TXmlDocument> doc, std::uint32_t index)
        : FDoc(std::move(doc)), FIndex(index) {}
    TXmlNode Wrap(std::uint32_t index) const { return index == NoNode ? TXmlNode() : TXmlNode(FDoc, index); }

    std::shared_ptr<const TXmlDocument> FDoc;
    std::uint32_t FIndex = NoNode; // a node of FDoc's tree
};

class TXmlDocument : public std::enable_shared_from_this<TXmlDocument> {
public:
    // Parse a whole document; throws TXmlError (see the guarantees above).
    static std::shared_ptr<TXmlDocument> Parse(WideStringView text);
    static std::shared_ptr<TXmlDocument> ParseUtf8(std::string_view text);

    ~TXmlDocument();
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;

    TXmlNode DocumentElement() const;

private:
    friend class TXmlNode;
    struct TImpl;
    TXmlDocument();
    // The parse of valid UTF-8 within the length limit.
    static std::shared_ptr<TXmlDocument> ParseChecked(std::string_view text);
    std::unique_ptr<TImpl> FImpl;
};

// Everything after the first colon of a name; the name itself without one.
WideString LocalNamePart(WideStringView name);

} // namespace tarnwick::xml
