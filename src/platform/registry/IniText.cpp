#include "platform/registry/IniText.h"

#include <cmath>

#include <cstdio>

namespace tarnwick::registry {

using TDocument = TIniFile::TDocument;
using namespace initext;

namespace {

// ---- text of the file ----------------------------------------------------------

WideString DecodeUtf16(std::string_view bytes, bool bigEndian) {
    WideString text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0));
    }
    return text; // an odd last byte is a truncated character and is dropped
}

WideString DecodeFile(std::string_view bytes) {
    WideString text;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        text = FromUtf8(bytes.substr(3));
    else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        text = DecodeUtf16(bytes.substr(2), false);
    else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        text = DecodeUtf16(bytes.substr(2), true);
    else
        text = FromUtf8(bytes);
    // Further byte-order marks at the start (a file saved twice with one) are marks too;
    // kept, they would read back as the mark of the UTF-8 file we write.
    std::size_t marks = 0;
    while (marks < text.size() && text[marks] == u'\uFEFF')
        ++marks;
    return text.erase(0, marks);
}

bool IsSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Whether text[i] is half of a surrogate pair that has its other half.
bool IsPairedSurrogate(WideStringView text, std::size_t i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF)
        return i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    return i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
}

bool HasUnwritableCharacters(WideStringView text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x20 || c == 0x7F || (IsSurrogate(c) && !IsPairedSurrogate(text, i))) return true;
    }
    return false;
}

bool BlankAtEnds(WideStringView text) {
    return !text.empty() && (text.front() <= u' ' || text.back() <= u' ');
}

enum class TToken { Section, Key, Value };

bool NeedsQuotes(WideStringView text, TToken kind) {
    if (HasUnwritableCharacters(text) || BlankAtEnds(text)) return true;
    if (text.empty()) return kind == TToken::Key;
    if (text.front() == u'"') return true;
    switch (kind) {
    case TToken::Section:
        return text.find(u']') != WideStringView::npos;
    case TToken::Key:
        return text.front() == u';' || text.front() == u'[' || text.find(u'=') != WideStringView::npos;
    case TToken::Value:
        return false;
    }
    return false;
}

void AppendHex(WideString& out, char16_t c, int digits) {
    static const char16_t hex[] = u"0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(hex[(c >> shift) & 0xF]);
}

WideString Quote(WideStringView text) {
    WideString out = u"\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        switch (c) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'"':
            out += u"\\\"";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\t':
            out += u"\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += u"\\x";
                AppendHex(out, c, 2);
            } else if (IsSurrogate(c) && !IsPairedSurrogate(text, i)) {
                out += u"\\u";
                AppendHex(out, c, 4);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back(u'"');
    return out;
}

WideString Encode(WideStringView text, TToken kind) {
    return NeedsQuotes(text, kind) ? Quote(text) : WideString(text);
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads a quoted text starting at text[pos] == '"'. On success `pos` is just past the
// closing quote; an unterminated text gives false.
bool Unquote(WideStringView text, std::size_t& pos, WideString& result) {
    result.clear();
    std::size_t i = pos + 1;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c == u'"') {
            pos = i + 1;
            return true;
        }
        if (c != u'\\' || i + 1 >= text.size()) {
            result.push_back(c);
            ++i;
            continue;
        }
        char16_t e = text[i + 1];
        int digits = e == u'x' ? 2 : e == u'u' ? 4 : 0;
        if (digits) {
            int value = 0;
            bool ok = i + 1 + digits < text.size();
            for (int d = 0; ok && d < digits; ++d) {
                int h = HexValue(text[i + 2 + d]);
                ok = h >= 0;
                value = value * 16 + h;
            }
            if (ok) {
                result.push_back(static_cast<char16_t>(value));
                i += 2 + digits;
                continue;
            }
        }
        switch (e) {
        case u'\\':
            result.push_back(u'\\');
            break;
        case u'"':
            result.push_back(u'"');
            break;
        case u'r':
            result.push_back(u'\r');
            break;
        case u'n':
            result.push_back(u'\n');
            break;
        case u't':
            result.push_back(u'\t');
            break;
        default: // not an escape of ours: kept as it stands
            result.push_back(u'\\');
            result.push_back(e);
        }
        i += 2;
    }
    return false;
}

WideString DecodeValue(WideStringView raw) {
    WideString text = Trim(raw);
    if (text.size() >= 2 && text.front() == u'"') {
        std::size_t pos = 0;
        WideString unquoted;
        if (Unquote(text, pos, unquoted) && pos == text.size()) return unquoted;
    }
    return text;
}

std::size_t SkipBlanks(WideStringView text, std::size_t pos) {
    while (pos < text.size() && text[pos] <= u' ')
        ++pos;
    return pos;
}

// `current` is the index of the section that the lines belong to.
void ParseLine(TDocument& doc, WideStringView line, std::size_t& current) {
    std::size_t start = SkipBlanks(line, 0);
    TDocument::TLine raw{false, {}, WideString(line)};
    if (start == line.size() || line[start] == u';') {
        doc.Sections[current].Lines.push_back(std::move(raw));
        return;
    }
    if (line[start] == u'[') {
        WideString name;
        std::size_t pos = SkipBlanks(line, start + 1);
        bool quoted = false;
        if (pos < line.size() && line[pos] == u'"') {
            std::size_t end = pos;
            if (Unquote(line, end, name) && SkipBlanks(line, end) < line.size() &&
                line[SkipBlanks(line, end)] == u']')
                quoted = true;
        }
        if (!quoted) {
            std::size_t close = line.find(u']', start + 1);
            name = Trim(line.substr(start + 1, close == WideStringView::npos ? WideStringView::npos
                                                                             : close - start - 1));
        }
        if (TDocument::TSection* existing = FindSection(doc, name)) {
            // A repeated header continues the earlier section; its line is not kept.
            current = std::size_t(existing - doc.Sections.data());
        } else {
            doc.Sections.push_back({true, std::move(name), {}});
            current = doc.Sections.size() - 1;
        }
        return;
    }
    WideString key;
    std::size_t eq = WideStringView::npos;
    if (line[start] == u'"') {
        std::size_t end = start;
        if (Unquote(line, end, key)) {
            end = SkipBlanks(line, end);
            if (end < line.size() && line[end] == u'=') eq = end;
        }
    } else {
        eq = line.find(u'=', start);
        if (eq != WideStringView::npos) key = Trim(line.substr(start, eq - start));
        if (key.empty()) eq = WideStringView::npos;
    }
    if (eq == WideStringView::npos) { // neither header nor entry: kept as it stands
        doc.Sections[current].Lines.push_back(std::move(raw));
        return;
    }
    doc.Sections[current].Lines.push_back({true, std::move(key), DecodeValue(line.substr(eq + 1))});
}

} // namespace

namespace initext {

TDocument::TSection* FindSection(TDocument& doc, WideStringView name) {
    for (std::size_t i = 1; i < doc.Sections.size(); ++i)
        if (SameText(doc.Sections[i].Name, name)) return &doc.Sections[i];
    return nullptr;
}

TDocument::TLine* FindEntry(TDocument::TSection* section, WideStringView key) {
    if (!section) return nullptr;
    for (auto& line : section->Lines)
        if (line.IsEntry && SameText(line.Key, key)) return &line;
    return nullptr;
}

bool ParseInteger(WideStringView text, std::int32_t& result) {
    WideString t = Trim(text);
    WideStringView digits;
    if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X'))
        digits = WideStringView(t).substr(2);
    else if (t.size() > 1 && t[0] == u'$')
        digits = WideStringView(t).substr(1);
    if (!digits.empty()) {
        if (digits.size() > 8) return false;
        std::uint32_t value = 0;
        for (char16_t c : digits) {
            int h = HexValue(c);
            if (h < 0) return false;
            value = value * 16 + std::uint32_t(h);
        }
        result = static_cast<std::int32_t>(value);
        return true;
    }
    std::int64_t value = 0;
    if (!TryStrToInt64(t, value) || value < INT32_MIN || value > INT32_MAX) return false;
    result = static_cast<std::int32_t>(value);
    return true;
}

bool ParseDateTime(WideStringView raw, bool dateOnly, TDateTime& result) {
    if (!TryStrToDateTime(Trim(raw), result)) return false;
    if (dateOnly) result = std::trunc(result);
    return true;
}

WideString FormatDateTime(TDateTime value, bool dateOnly) {
    TDateTimeParts p = DecodeDateTime(value);
    char buf[64];
    if (dateOnly)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.Year, p.Month, p.Day);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.Year, p.Month, p.Day, p.Hour,
                      p.Minute, p.Second, p.Millisecond);
    return FromUtf8(buf);
}

} // namespace initext

using namespace initext;

TIniFile::TDocument TIniFile::Parse(std::string_view bytes) {
    TDocument doc;
    doc.Sections.push_back({false, {}, {}});
    WideString text = DecodeFile(bytes);
    WideStringView view = text;
    std::size_t pos = 0, current = 0;
    while (pos < view.size()) {
        std::size_t end = view.find_first_of(u"\r\n", pos);
        if (end == WideStringView::npos) end = view.size();
        ParseLine(doc, view.substr(pos, end - pos), current);
        pos = end;
        if (pos < view.size()) // one line break: CR LF, CR or LF
            pos += (view[pos] == u'\r' && pos + 1 < view.size() && view[pos + 1] == u'\n') ? 2 : 1;
    }
    return doc;
}

std::string TIniFile::Serialize(const TDocument& document) {
    WideString out;
    for (const auto& section : document.Sections) {
        if (section.HasHeader) out += u"[" + Encode(section.Name, TToken::Section) + u"]\n";
        for (const auto& line : section.Lines) {
            if (line.IsEntry)
                out += Encode(line.Key, TToken::Key) + u"=" + Encode(line.Value, TToken::Value);
            else
                out += line.Value;
            out += u'\n';
        }
    }
    return ToUtf8(out);
}

} // namespace tarnwick::registry
