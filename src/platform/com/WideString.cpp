#include "platform/com/WideString.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarnwick {

std::string ToUtf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // lone surrogate
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

WideString FromUtf8(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c;
        std::size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool ok = i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            unsigned char cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (cb & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || c < minimum[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += len;
    }
    return out;
}

WideString AsciiLowerCase(WideStringView text) {
    WideString out(text);
    for (auto& c : out)
        c = AsciiLower(c);
    return out;
}

WideString AsciiUpperCase(WideStringView text) {
    WideString out(text);
    for (auto& c : out)
        c = AsciiUpper(c);
    return out;
}

int CompareText(WideStringView a, WideStringView b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = AsciiLower(a[i]), y = AsciiLower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(WideStringView a, WideStringView b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::size_t FindText(WideStringView haystack, WideStringView needle, std::size_t from) {
    if (needle.size() > haystack.size()) return WideString::npos;
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (SameText(haystack.substr(i, needle.size()), needle)) return i;
    }
    return WideString::npos;
}

WideString TrimLeft(WideStringView text) {
    std::size_t b = 0;
    while (b < text.size() && text[b] <= 32)
        ++b;
    return WideString(text.substr(b));
}

WideString TrimRight(WideStringView text) {
    std::size_t e = text.size();
    while (e > 0 && text[e - 1] <= 32)
        --e;
    return WideString(text.substr(0, e));
}

WideString Trim(WideStringView text) {
    return TrimLeft(TrimRight(text));
}

static WideString Ascii(const char* s) {
    WideString out;
    while (*s)
        out += char16_t(*s++);
    return out;
}

WideString IntToStr(std::int64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
    return Ascii(buf);
}

WideString UIntToStr(std::uint64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(value));
    return Ascii(buf);
}

WideString IntToHex(std::uint64_t value, int digits) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
    return Ascii(buf);
}

WideString FloatToStr(double value) {
    if (std::isnan(value)) return u"NAN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::general, 15);
    *res.ptr = 0;
    for (char* p = buf; *p; ++p)
        if (*p == 'e') *p = 'E';
    return Ascii(buf);
}

WideString SingleToStr(float value) {
    if (std::isnan(value) || std::isinf(value)) return FloatToStr(value);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, value);
    *res.ptr = 0;
    for (char* p = buf; *p; ++p)
        if (*p == 'e') *p = 'E';
    return Ascii(buf);
}

static bool NarrowAscii(WideStringView text, std::string& out) {
    out.clear();
    for (char16_t c : text) {
        if (c == 0 || c > 127) return false;
        out += char(c);
    }
    return !out.empty();
}

bool TryStrToInt64(WideStringView text, std::int64_t& value) {
    std::string s;
    if (!NarrowAscii(text, s)) return false;
    std::size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    for (std::size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE) return false;
    value = v;
    return true;
}

bool TryStrToUInt64(WideStringView text, std::uint64_t& value) {
    std::string s;
    if (!NarrowAscii(text, s)) return false;
    std::size_t i = s[0] == '+' ? 1 : 0;
    if (i == s.size()) return false;
    for (std::size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    errno = 0;
    unsigned long long v = std::strtoull(s.c_str() + i, nullptr, 10);
    if (errno == ERANGE) return false;
    value = v;
    return true;
}

bool TryStrToFloat(WideStringView text, double& value) {
    std::string s;
    if (!NarrowAscii(text, s)) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            return false;
    // from_chars is locale-independent, unlike strtod; it takes no leading '+'.
    const char* first = s.c_str() + (s[0] == '+' ? 1 : 0);
    double v = 0;
    auto res = std::from_chars(first, s.c_str() + s.size(), v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != s.c_str() + s.size()) return false;
    value = v;
    return true;
}

WideString ReplaceAll(WideStringView text, WideStringView from, WideStringView to) {
    if (from.empty()) return WideString(text);
    WideString out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == WideStringView::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

void SecureWipe(WideString& text) noexcept {
    volatile char16_t* p = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        p[i] = 0;
    text.clear();
}

} // namespace tarnwick
