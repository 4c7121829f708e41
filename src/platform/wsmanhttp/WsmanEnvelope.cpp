#include "platform/wsmanhttp/WsmanEnvelope.h"

#include <cstdio>
#include <random>

namespace tarnwick::wsmanhttp {

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
            out += c;
        }
    }
    return out;
}

std::string NewMessageId() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    std::uint64_t a = engine(), b = engine();
    a = (a & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;
    b = (b & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
    char buf[64];
    std::snprintf(buf, sizeof buf, "uuid:%08X-%04X-%04X-%04X-%012llX", unsigned(a >> 32),
                  unsigned((a >> 16) & 0xFFFF), unsigned(a & 0xFFFF), unsigned(b >> 48),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return buf;
}

namespace {

std::string UrlDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        auto hex = [](char h) -> int {
            if (h >= '0' && h <= '9') return h - '0';
            if (h >= 'a' && h <= 'f') return h - 'a' + 10;
            if (h >= 'A' && h <= 'F') return h - 'A' + 10;
            return -1;
        };
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += char(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else if (c == '+') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string Header(TRequestHeader& h) {
    if (h.MessageId.empty()) h.MessageId = NewMessageId();
    std::string s;
    s.reserve(1500);
    s += "<s:Envelope xmlns:s=\"";
    s += ns::Soap;
    s += "\" xmlns:a=\"";
    s += ns::Addressing;
    s += "\" xmlns:n=\"";
    s += ns::Enumeration;
    s += "\" xmlns:w=\"";
    s += ns::Wsman;
    s += "\" xmlns:p=\"";
    s += ns::MsWsman;
    s += "\"><s:Header><a:To>" + XmlEscape(h.To) + "</a:To>";
    s += "<w:ResourceURI s:mustUnderstand=\"true\">" + XmlEscape(h.ResourceUri) + "</w:ResourceURI>";
    s += "<a:ReplyTo><a:Address s:mustUnderstand=\"true\">";
    s += ns::Anonymous;
    s += "</a:Address></a:ReplyTo>";
    s += "<a:Action s:mustUnderstand=\"true\">" + XmlEscape(h.Action) + "</a:Action>";
    s += "<w:MaxEnvelopeSize s:mustUnderstand=\"true\">" + std::to_string(h.MaxEnvelopeSize) +
         "</w:MaxEnvelopeSize>";
    s += "<a:MessageID>" + XmlEscape(h.MessageId) + "</a:MessageID>";
    s += "<w:Locale xml:lang=\"" + XmlEscape(h.Locale) + "\" s:mustUnderstand=\"false\"/>";
    s += "<p:DataLocale xml:lang=\"" + XmlEscape(h.Locale) + "\" s:mustUnderstand=\"false\"/>";
    char timeout[32];
    std::snprintf(timeout, sizeof timeout, "PT%u.%03uS", h.OperationTimeoutMs / 1000,
                  h.OperationTimeoutMs % 1000);
    s += "<w:OperationTimeout>";
    s += timeout;
    s += "</w:OperationTimeout>";
    if (!h.Selectors.empty()) {
        s += "<w:SelectorSet>";
        for (const auto& [name, value] : h.Selectors)
            s += "<w:Selector Name=\"" + XmlEscape(name) + "\">" + XmlEscape(value) + "</w:Selector>";
        s += "</w:SelectorSet>";
    }
    s += "</s:Header><s:Body>";
    return s;
}

constexpr const char* Tail = "</s:Body></s:Envelope>";

} // namespace

TResourceUri SplitResourceUri(std::string_view uri) {
    TResourceUri r;
    auto q = uri.find('?');
    r.Uri = std::string(uri.substr(0, q));
    if (q == std::string_view::npos) return r;
    std::string_view rest = uri.substr(q + 1);
    while (!rest.empty()) {
        auto amp = rest.find('&');
        std::string_view pair = rest.substr(0, amp);
        auto eq = pair.find('=');
        if (!pair.empty())
            r.Selectors.emplace_back(UrlDecode(pair.substr(0, eq)), eq == std::string_view::npos
                                                                        ? std::string()
                                                                        : UrlDecode(pair.substr(eq + 1)));
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return r;
}

std::string BuildEnumerate(TRequestHeader header, std::string_view filter, std::string_view dialect,
                           unsigned maxElements) {
    header.Action = actions::Enumerate;
    std::string s = Header(header);
    s += "<n:Enumerate><w:OptimizeEnumeration/><w:MaxElements>" + std::to_string(maxElements) +
         "</w:MaxElements>";
    if (!filter.empty()) {
        s += "<w:Filter";
        if (!dialect.empty()) s += " Dialect=\"" + XmlEscape(dialect) + "\"";
        s += ">" + XmlEscape(filter) + "</w:Filter>";
    }
    s += "</n:Enumerate>";
    return s + Tail;
}

std::string BuildPull(TRequestHeader header, std::string_view context, unsigned maxElements) {
    header.Action = actions::Pull;
    std::string s = Header(header);
    s += "<n:Pull><n:EnumerationContext>" + XmlEscape(context) + "</n:EnumerationContext><n:MaxElements>" +
         std::to_string(maxElements) + "</n:MaxElements></n:Pull>";
    return s + Tail;
}

std::string BuildRelease(TRequestHeader header, std::string_view context) {
    header.Action = actions::Release;
    std::string s = Header(header);
    s += "<n:Release><n:EnumerationContext>" + XmlEscape(context) + "</n:EnumerationContext></n:Release>";
    return s + Tail;
}

std::string BuildInvoke(TRequestHeader header, std::string_view body) {
    std::string s = Header(header);
    s += body;
    return s + Tail;
}

} // namespace tarnwick::wsmanhttp
