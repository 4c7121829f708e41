#include "platform/registry/RegistryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::registry {

namespace {

constexpr char16_t kHeader5[] = u"Windows Registry Editor Version 5.00";
constexpr char16_t kHeader4[] = u"REGEDIT4";

[[noreturn]] void Damaged(const WideString& origin, std::size_t line, const WideString& what) {
    throw ERegistryException(u"The registry file \"" + origin + u"\" is damaged (line " +
                             IntToStr(std::int64_t(line)) + u"): " + what);
}

WideString DecodeFileText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        WideString text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return FromUtf8(bytes);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    c = AsciiLower(c);
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(WideStringView text, std::size_t& pos, WideString& out) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char16_t c = text[pos];
        if (c == u'\\') {
            if (++pos >= text.size()) return false;
            out.push_back(text[pos]);
        } else if (c == u'"') {
            ++pos;
            return true;
        } else {
            out.push_back(c);
        }
    }
    return false;
}

bool ParseHexBytes(WideStringView text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    WideString t = Trim(text);
    if (t.empty()) return true;
    std::size_t pos = 0;
    while (true) {
        while (pos < t.size() && t[pos] <= u' ')
            ++pos;
        int hi = pos < t.size() ? HexDigit(t[pos]) : -1;
        int lo = pos + 1 < t.size() ? HexDigit(t[pos + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(std::uint8_t(hi * 16 + lo));
        pos += 2;
        while (pos < t.size() && t[pos] <= u' ')
            ++pos;
        if (pos == t.size()) return true;
        if (t[pos] != u',') return false;
        ++pos;
    }
}

std::string HexList(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ',';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string QuoteText(WideStringView text) {
    std::string out = "\"";
    for (char c : ToUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool HasControlCharacters(WideStringView text) {
    for (char16_t c : text)
        if (c < 32) return true;
    return false;
}

std::vector<std::uint8_t> Utf16Bytes(WideStringView text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool TextFromUtf16Bytes(const std::vector<std::uint8_t>& bytes, WideString& text) {
    if (bytes.size() % 2 != 0) return false;
    text.clear();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    while (!text.empty() && text.back() == 0)
        text.pop_back();
    return true;
}

void ParseValue(TRegKey& key, WideStringView line, const WideString& origin, std::size_t lineNo) {
    TRegValue value;
    std::size_t pos = 0;
    if (line[0] == u'@') {
        pos = 1;
    } else if (!ReadQuoted(line, pos, value.Name)) {
        Damaged(origin, lineNo, u"unterminated value name");
    }
    while (pos < line.size() && line[pos] <= u' ')
        ++pos;
    if (pos >= line.size() || line[pos] != u'=')
        Damaged(origin, lineNo, u"\"=\" expected after the value name");
    ++pos;
    while (pos < line.size() && line[pos] <= u' ')
        ++pos;
    WideStringView data = line.substr(pos);
    if (!data.empty() && data[0] == u'"') {
        std::size_t p = 0;
        if (!ReadQuoted(data, p, value.Text)) Damaged(origin, lineNo, u"unterminated text");
        if (!Trim(data.substr(p)).empty()) Damaged(origin, lineNo, u"unexpected characters after the text");
        value.Type = TRegDataType::String;
    } else if (data.size() > 6 && SameText(data.substr(0, 6), u"dword:")) {
        WideString digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8)
            Damaged(origin, lineNo, u"a dword needs 1 to 8 hexadecimal digits");
        std::uint32_t v = 0;
        for (char16_t c : digits) {
            int d = HexDigit(c);
            if (d < 0) Damaged(origin, lineNo, u"a dword needs 1 to 8 hexadecimal digits");
            v = v * 16 + std::uint32_t(d);
        }
        value.Type = TRegDataType::Integer;
        value.Integer = static_cast<std::int32_t>(v);
    } else if (data.size() >= 4 && SameText(data.substr(0, 3), u"hex")) {
        std::size_t colon = data.find(u':');
        if (colon == WideStringView::npos) Damaged(origin, lineNo, u"\":\" expected after \"hex\"");
        WideStringView kind = data.substr(3, colon - 3);
        std::uint32_t type = 3;
        if (!kind.empty()) {
            std::int64_t n = 0;
            if (kind.size() < 3 || kind.front() != u'(' || kind.back() != u')')
                Damaged(origin, lineNo, u"bad value type");
            WideString inner(kind.substr(1, kind.size() - 2));
            n = 0;
            for (char16_t c : inner) {
                int d = HexDigit(c);
                if (d < 0 || n > 0xFFFFFFF) Damaged(origin, lineNo, u"bad value type");
                n = n * 16 + d;
            }
            type = std::uint32_t(n);
        }
        std::vector<std::uint8_t> bytes;
        if (!ParseHexBytes(data.substr(colon + 1), bytes))
            Damaged(origin, lineNo, u"bad hexadecimal byte list");
        if (type == 1) {
            if (!TextFromUtf16Bytes(bytes, value.Text))
                Damaged(origin, lineNo, u"a text needs an even number of bytes");
            value.Type = TRegDataType::String;
        } else if (type == 4 && bytes.size() == 4) {
            value.Type = TRegDataType::Integer;
            value.Integer =
                static_cast<std::int32_t>(std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
                                          (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24));
        } else {
            value.Type = static_cast<TRegDataType>(type);
            value.Raw = std::move(bytes);
        }
    } else {
        Damaged(origin, lineNo, u"unknown value format");
    }
    if (TRegValue* existing = key.FindValue(value.Name))
        *existing = std::move(value);
    else
        key.Values.push_back(std::move(value));
}

} // namespace

TRegValue* TRegKey::FindValue(WideStringView name) {
    for (TRegValue& v : Values)
        if (SameText(v.Name, name)) return &v;
    return nullptr;
}

const TRegValue* TRegKey::FindValue(WideStringView name) const {
    return const_cast<TRegKey*>(this)->FindValue(name);
}

TRegistryFile TRegistryFile::Parse(std::string_view bytes, const WideString& origin) {
    TRegistryFile file;
    WideString text = DecodeFileText(bytes);
    TRegKey* key = nullptr;
    bool headerSeen = false;
    std::size_t lineNo = 0, pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(u'\n', pos);
        if (end == WideString::npos) end = text.size();
        WideString line = Trim(WideStringView(text).substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        std::size_t startLine = lineNo;
        // A hexadecimal list may continue on the next lines after a trailing backslash.
        while (!line.empty() && line.back() == u'\\' && FindText(line, u"=hex") != WideString::npos &&
               pos <= text.size()) {
            line.pop_back();
            end = text.find(u'\n', pos);
            if (end == WideString::npos) end = text.size();
            line += Trim(WideStringView(text).substr(pos, end - pos));
            pos = end + 1;
            ++lineNo;
        }
        if (line.empty() || line[0] == u';') continue;
        if (!headerSeen) {
            if (line != kHeader5 && line != kHeader4)
                Damaged(origin, startLine,
                        u"the first line must be \"Windows Registry Editor Version 5.00\"");
            headerSeen = true;
            continue;
        }
        if (line[0] == u'[') {
            if (line.back() != u']' || line.size() < 3)
                Damaged(origin, startLine, u"a key line must end with \"]\"");
            if (line[1] == u'-') Damaged(origin, startLine, u"key deletions are not supported");
            key = &file.CreateKey(WideStringView(line).substr(1, line.size() - 2));
            continue;
        }
        if (!key) Damaged(origin, startLine, u"a value before the first key");
        if (line[0] != u'"' && line[0] != u'@')
            Damaged(origin, startLine, u"a value line must begin with a quoted name");
        ParseValue(*key, line, origin, startLine);
    }
    if (!headerSeen && !Trim(text).empty()) Damaged(origin, 1, u"the header line is missing");
    return file;
}

std::string TRegistryFile::Serialize() const {
    std::string out = "Windows Registry Editor Version 5.00\n";
    for (const TRegKey& key : FKeys) {
        out += "\n[" + ToUtf8(key.Path) + "]\n";
        for (const TRegValue& v : key.Values) {
            out += v.Name.empty() ? std::string("@") : QuoteText(v.Name);
            out += '=';
            char buf[16];
            switch (v.Type) {
            case TRegDataType::String:
                out += HasControlCharacters(v.Text) ? "hex(1):" + HexList(Utf16Bytes(v.Text))
                                                    : QuoteText(v.Text);
                break;
            case TRegDataType::Integer:
                std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<std::uint32_t>(v.Integer));
                out += buf;
                break;
            case TRegDataType::Binary:
                out += "hex:" + HexList(v.Raw);
                break;
            default:
                std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.Type));
                out += buf + HexList(v.Raw);
                break;
            }
            out += '\n';
        }
    }
    return out;
}

TRegistryFile TRegistryFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT || !std::filesystem::exists(path)) return {};
        throw ERegistryException(u"The registry file \"" + FromUtf8(path) + u"\" cannot be read: " +
                                 FromUtf8(std::strerror(errno)));
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) throw ERegistryException(u"The registry file \"" + FromUtf8(path) + u"\" cannot be read");
    return Parse(buffer.str(), FromUtf8(path));
}

void TRegistryFile::Save(const std::string& path) const {
    auto fail = [&](const char* stage) {
        throw ERegistryException(u"The registry file \"" + FromUtf8(path) + u"\" cannot be written (" +
                                 FromUtf8(stage) + u"): " + FromUtf8(std::strerror(errno)));
    };
    std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) fail("create");
    struct TempFile { // removes the temporary file unless it was renamed
        int Fd;
        std::string Name;
        bool Keep = false;
        ~TempFile() {
            if (Fd >= 0) ::close(Fd);
            if (!Keep) ::unlink(Name.c_str());
        }
    } guard{fd, temp};
    ::fchmod(fd, 0600);
    std::string data = Serialize();
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write");
        }
        done += std::size_t(n);
    }
    if (::fsync(fd) != 0) fail("flush");
    int closeResult = ::close(guard.Fd);
    guard.Fd = -1;
    if (closeResult != 0) fail("close");
    if (::rename(temp.c_str(), path.c_str()) != 0) fail("rename");
    guard.Keep = true;
}

TRegKey* TRegistryFile::FindKey(WideStringView path) {
    for (TRegKey& k : FKeys)
        if (SameText(k.Path, path)) return &k;
    return nullptr;
}

TRegKey& TRegistryFile::CreateKey(WideStringView path) {
    if (TRegKey* k = FindKey(path)) return *k;
    FKeys.push_back(TRegKey{WideString(path), {}});
    return FKeys.back();
}

} // namespace tarnwick::registry
