#pragma once
// Text as the system keeps it: UTF-16. It becomes UTF-8 only at the edges
// (files, terminals, sockets). ASCII case folding, trimming and number texts live here too.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

using WideString = std::u16string;
using WideStringView = std::u16string_view;

std::string ToUtf8(WideStringView text);
// Invalid UTF-8 becomes U+FFFD; nothing is dropped silently.
WideString FromUtf8(std::string_view text);

constexpr char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}
constexpr char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}
WideString AsciiLowerCase(WideStringView text);
WideString AsciiUpperCase(WideStringView text);
// Comparisons that ignore the case of ASCII letters only.
bool SameText(WideStringView a, WideStringView b);
int CompareText(WideStringView a, WideStringView b);
// Position of the first occurrence of needle, ASCII case ignored; npos when absent.
std::size_t FindText(WideStringView haystack, WideStringView needle, std::size_t from = 0);

// Removes characters of code 32 and below from both ends (or one end).
WideString Trim(WideStringView text);
WideString TrimLeft(WideStringView text);
WideString TrimRight(WideStringView text);

WideString IntToStr(std::int64_t value);
WideString UIntToStr(std::uint64_t value);
// Upper-case hexadecimal, at least `digits` digits.
WideString IntToHex(std::uint64_t value, int digits);
// Shortest text of up to 15 significant digits, '.' as decimal separator.
WideString FloatToStr(double value);
// The shortest text that reads back as the same single-precision value (0.1f gives "0.1").
WideString SingleToStr(float value);

// Whole-text decimal parsers: an optional sign, digits, nothing else (no blanks).
bool TryStrToInt64(WideStringView text, std::int64_t& value);
bool TryStrToUInt64(WideStringView text, std::uint64_t& value);
bool TryStrToFloat(WideStringView text, double& value);

WideString ReplaceAll(WideStringView text, WideStringView from, WideStringView to);

// Overwrites the characters (in a way the compiler keeps) and empties the text; for
// passwords, before their buffer is freed or reused.
void SecureWipe(WideString& text) noexcept;

} // namespace tarnwick
