#include "platform/wsmanhttp/WsmanReply.h"

#include "platform/wsmanhttp/WinRmError.h"
#include "platform/wsmanhttp/WsmanEnvelope.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace tarnwick::wsmanhttp {

namespace {

std::string_view LocalName(const pugi::xml_node& node) {
    std::string_view name = node.name();
    auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The namespace URI bound to the node's prefix, looked up through its ancestors.
std::string_view NamespaceOf(const pugi::xml_node& node) {
    std::string_view name = node.name();
    auto colon = name.find(':');
    std::string attr = colon == std::string_view::npos ? std::string("xmlns")
                                                       : "xmlns:" + std::string(name.substr(0, colon));
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attr.c_str())) return a.value();
    return {};
}

bool Is(const pugi::xml_node& node, const char* uri, std::string_view local) {
    return node.type() == pugi::node_element && LocalName(node) == local && NamespaceOf(node) == uri;
}

pugi::xml_node Child(const pugi::xml_node& parent, const char* uri, std::string_view local) {
    for (pugi::xml_node c : parent.children())
        if (Is(c, uri, local)) return c;
    return {};
}

std::string TrimText(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && (static_cast<unsigned char>(s[e - 1]) <= ' ' || s[e - 1] == '.'))
        --e;
    std::string out(s.substr(b, e - b));
    for (char& c : out)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    // Fold the line wrapping of pretty-printed faults into single spaces.
    std::string folded;
    for (char c : out)
        if (!(c == ' ' && !folded.empty() && folded.back() == ' ')) folded += c;
    return folded;
}

std::uint32_t ParseCode(std::string_view text) {
    std::uint64_t v = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + unsigned(text[i] - '0');
        any = true;
        if (v > 0xFFFFFFFFull) return 0;
    }
    return any ? static_cast<std::uint32_t>(v) : 0;
}

// Depth-first: the innermost WSManFault with a code, its own message text.
void FindInnermost(const pugi::xml_node& node, int depth, int& bestDepth, TWsmanFault& fault) {
    if (depth > 64) return; // real faults nest a few levels; a hostile one must not exhaust the stack
    for (pugi::xml_node c : node.children()) {
        if (c.type() != pugi::node_element) continue;
        std::string_view local = LocalName(c);
        if (local == "WSManFault" && NamespaceOf(c) == std::string_view(ns::WsmanFault) &&
            depth > bestDepth) {
            if (std::uint32_t code = ParseCode(c.attribute("Code").value())) {
                bestDepth = depth;
                fault.WsmanCode = code;
                fault.Machine = c.attribute("Machine").value();
                if (pugi::xml_node m = Child(c, ns::WsmanFault, "Message")) {
                    std::string text;
                    for (pugi::xml_node t : m.children())
                        if (t.type() == pugi::node_pcdata || t.type() == pugi::node_cdata) text += t.value();
                    // f:Message may hold only a ProviderFault with plain text inside.
                    if (TrimText(text).empty())
                        if (pugi::xml_node pf = Child(m, ns::WsmanFault, "ProviderFault"))
                            for (pugi::xml_node t : pf.children())
                                if (t.type() == pugi::node_pcdata) text += t.value();
                    if (!TrimText(text).empty()) fault.Message = TrimText(text);
                }
            }
        } else if (local == "__ExtendedStatus") {
            for (pugi::xml_node p : c.children())
                if (LocalName(p) == "StatusCode") fault.WmiCode = ParseCode(p.text().get());
        } else if (local == "MSFT_WmiError") {
            for (pugi::xml_node p : c.children()) {
                if (LocalName(p) == "error_Code" && !fault.WsmanCode)
                    fault.WsmanCode = ParseCode(p.text().get());
                if (LocalName(p) == "Message" && fault.Message.empty())
                    fault.Message = TrimText(p.text().get());
            }
        }
        FindInnermost(c, depth + 1, bestDepth, fault);
    }
}

TWsmanFault ReadFault(const pugi::xml_node& f) {
    TWsmanFault fault;
    pugi::xml_node code = Child(f, ns::Soap, "Code");
    pugi::xml_node sub = Child(Child(code, ns::Soap, "Subcode"), ns::Soap, "Value");
    std::string_view subText = sub.text().get();
    if (auto colon = subText.find(':'); colon != std::string_view::npos) subText.remove_prefix(colon + 1);
    fault.Subcode = TrimText(subText);
    fault.Reason = TrimText(Child(Child(f, ns::Soap, "Reason"), ns::Soap, "Text").text().get());
    int best = -1;
    if (pugi::xml_node detail = Child(f, ns::Soap, "Detail")) FindInnermost(detail, 0, best, fault);
    return fault;
}

// Serialises one item with every namespace it uses declared on itself.
std::string ItemText(const pugi::xml_node& item) {
    pugi::xml_document doc;
    pugi::xml_node copy = doc.append_copy(item);
    for (pugi::xml_node n = item.parent(); n && n.type() == pugi::node_element; n = n.parent())
        for (pugi::xml_attribute a : n.attributes()) {
            std::string_view name = a.name();
            if ((name == "xmlns" || name.starts_with("xmlns:")) && !copy.attribute(a.name()))
                copy.append_attribute(a.name()) = a.value();
        }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

void ReadItems(const pugi::xml_node& items, TEnumerationReply& reply) {
    for (pugi::xml_node c : items.children())
        if (c.type() == pugi::node_element) reply.Items.push_back(ItemText(c));
}

[[noreturn]] void Bad(const std::string& what) {
    RaiseWinRm(codes::BadReply, "The WinRM service sent a reply that is not valid WS-Management: " + what);
}

} // namespace

com::HRESULT TWsmanFault::ErrorCode() const {
    if (WmiCode >= 0x80040000u && WmiCode <= 0x8004FFFFu) return static_cast<com::HRESULT>(WmiCode);
    if (WsmanCode >= 0x80000000u) return static_cast<com::HRESULT>(WsmanCode);
    if (WsmanCode != 0 && WsmanCode < 0x10000u) return static_cast<com::HRESULT>(0x80070000u | WsmanCode);
    return com::Hr(0x80338000); // ERROR_WSMAN_... base: a fault without a usable code
}

std::string TWsmanFault::Text() const {
    std::string text = !Message.empty()  ? Message
                       : !Reason.empty() ? Reason
                                         : std::string("The WinRM service failed");
    char code[64];
    std::snprintf(code, sizeof code, "WS-Management fault 0x%08X", unsigned(WsmanCode));
    text += " (";
    text += code;
    if (!Subcode.empty()) text += " " + Subcode;
    if (WmiCode) {
        std::snprintf(code, sizeof code, ", WMI 0x%08X", unsigned(WmiCode));
        text += code;
    }
    text += ")";
    return text;
}

bool TWsmanFault::IsTimedOut() const {
    return Subcode == "TimedOut" || WsmanCode == 2150858793u || WsmanCode == 2150858780u;
}

const TEnumerationReply& TWsmanReply::Enumeration() const {
    if (!FEnumeration) Bad("expected an EnumerateResponse or PullResponse, got action \"" + FAction + "\"");
    return *FEnumeration;
}

TWsmanReply TWsmanReply::Parse(std::string_view xml) {
    if (xml.empty()) Bad("the body is empty");
    pugi::xml_document doc;
    unsigned flags =
        (pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_doctype) & ~pugi::parse_pi;
    pugi::xml_parse_result r = doc.load_buffer(xml.data(), xml.size(), flags, pugi::encoding_utf8);
    if (!r) Bad(std::string(r.description()) + " at byte " + std::to_string(r.offset));
    for (pugi::xml_node c : doc.children())
        if (c.type() == pugi::node_doctype) Bad("it declares a DOCTYPE");
    pugi::xml_node env = doc.document_element();
    if (!Is(env, ns::Soap, "Envelope")) Bad("the document is not a SOAP 1.2 envelope");
    pugi::xml_node header = Child(env, ns::Soap, "Header");
    pugi::xml_node body = Child(env, ns::Soap, "Body");
    if (!body) Bad("the envelope has no Body");

    TWsmanReply reply;
    reply.FAction = TrimText(Child(header, ns::Addressing, "Action").text().get());
    reply.FRelatesTo = TrimText(Child(header, ns::Addressing, "RelatesTo").text().get());
    if (pugi::xml_node f = Child(body, ns::Soap, "Fault")) {
        reply.FFault = ReadFault(f);
        return reply;
    }
    pugi::xml_node payload;
    for (pugi::xml_node c : body.children())
        if (c.type() == pugi::node_element) {
            payload = c;
            break;
        }
    if (!payload) return reply;
    if (Is(payload, ns::Enumeration, "EnumerateResponse") || Is(payload, ns::Enumeration, "PullResponse")) {
        TEnumerationReply e;
        // Only direct children count: a WMI property may itself be named EndOfSequence.
        for (pugi::xml_node c : payload.children()) {
            if (c.type() != pugi::node_element) continue;
            std::string_view local = LocalName(c), uri = NamespaceOf(c);
            bool known = uri == ns::Enumeration || uri == ns::Wsman;
            if (!known) continue;
            if (local == "EnumerationContext" && uri == ns::Enumeration) {
                e.HasContext = true;
                e.Context = TrimText(c.text().get());
            } else if (local == "Items") {
                ReadItems(c, e);
            } else if (local == "EndOfSequence") {
                e.EndOfSequence = true;
            }
        }
        if (!e.EndOfSequence && e.Context.empty())
            Bad("the enumeration reply has neither a context nor EndOfSequence");
        reply.FEnumeration = std::move(e);
    } else {
        reply.FBodyText = ItemText(payload);
    }
    return reply;
}

} // namespace tarnwick::wsmanhttp
