#include "platform/com/WideString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tarnwick {
namespace {

TEST(Utf8, RoundTripsIncludingSurrogatePairs) {
    struct Case {
        const char* Name;
        WideString Wide;
        std::string Utf8;
    };
    const Case cases[] = {
        {"empty", u"", ""},
        {"ascii", u"root\\cimv2", "root\\cimv2"},
        {"two bytes", u"Gr\u00FC\u00DFe",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"three bytes", u"\u20AC 5", "\xE2\x82\xAC 5"},
        {"last of the BMP", u"\uFFFF", "\xEF\xBF\xBF"},
        {"surrogate pair", u"\U0001D11E", "\xF0\x9D\x84\x9E"},
        {"highest code point", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {"mixed", u"a\U0001F600b\u00E9",
         "a\xF0\x9F\x98\x80"
         "b\xC3\xA9"},
        {"embedded nul", WideString(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ToUtf8(c.Wide), c.Utf8);
        EXPECT_EQ(FromUtf8(c.Utf8), c.Wide);
    }
    EXPECT_EQ(WideString(u"\U0001D11E"), (WideString{char16_t(0xD834), char16_t(0xDD1E)}));
}

TEST(Utf8, LoneSurrogatesBecomeTheReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(ToUtf8(WideString{char16_t(0xD834)}), fffd) << "high surrogate at the end";
    EXPECT_EQ(ToUtf8(WideString{char16_t(0xDD1E), u'x'}), fffd + "x") << "low surrogate alone";
    EXPECT_EQ(ToUtf8(WideString{char16_t(0xD834), u'x'}), fffd + "x") << "high surrogate before a letter";
    EXPECT_EQ(ToUtf8(WideString{char16_t(0xD834), char16_t(0xD834), char16_t(0xDD1E)}),
              fffd + "\xF0\x9D\x84\x9E");
}

TEST(Utf8, InvalidInputIsReplacedNotDropped) {
    const WideString r = u"\uFFFD";
    struct Case {
        const char* Name;
        std::string Utf8;
        WideString Wide;
    };
    const Case cases[] = {
        {"stray continuation",
         "a\x80"
         "b",
         u"a" + r + u"b"},
        {"invalid lead byte",
         "a\xFF"
         "b",
         u"a" + r + u"b"},
        {"overlong slash", "\xC0\xAF", r + r},
        {"overlong three bytes", "\xE0\x80\xAF", r + r + r},
        {"encoded surrogate", "\xED\xA0\x80", r + r + r},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
        {"truncated at the end", "ok\xE2\x82", u"ok" + r + r},
        {"lead byte before ascii", "\xC3(", r + u"("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FromUtf8(c.Utf8), c.Wide);
    }
}

TEST(WideStringHelpers, SameTextFoldsAsciiOnly) {
    EXPECT_TRUE(SameText(u"Win32_Process", u"WIN32_PROCESS"));
    EXPECT_TRUE(SameText(u"", u""));
    EXPECT_FALSE(SameText(u"abc", u"abcd"));
    EXPECT_FALSE(SameText(u"\u00C4", u"\u00E4")) << "letters outside ASCII keep their case";
    EXPECT_FALSE(SameText(u"a[", u"A{")) << "punctuation is not folded";
    EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareText(u"abcd", u"ABC"), 0);
    EXPECT_EQ(CompareText(u"Name", u"nAME"), 0);
    EXPECT_EQ(FindText(u"SELECT * FROM Win32_Service", u"from"), 9u);
    EXPECT_EQ(FindText(u"abc", u"abcd"), WideString::npos);
    EXPECT_EQ(FindText(u"abab", u"AB", 1), 2u);
    EXPECT_EQ(AsciiUpperCase(u"r\u00E9sum\u00E9"), u"R\u00E9SUM\u00E9");
    EXPECT_EQ(AsciiLowerCase(u"ABC_1"), u"abc_1");
}

TEST(WideStringHelpers, TrimCutsCharactersUpToSpace) {
    EXPECT_EQ(Trim(u" \t\r\n value \r\n"), u"value");
    EXPECT_EQ(Trim(WideString(u"\0x\x1F", 3)), u"x");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Trim(u""), u"");
    EXPECT_EQ(Trim(u"\u00A0x\u00A0"), u"\u00A0x\u00A0") << "no-break space is not cut";
    EXPECT_EQ(Trim(u"a b"), u"a b");
    EXPECT_EQ(TrimLeft(u"  x  "), u"x  ");
    EXPECT_EQ(TrimRight(u"  x  "), u"  x");
}

TEST(WideStringHelpers, NumberTexts) {
    EXPECT_EQ(IntToHex(0x8004100A, 8), u"8004100A");
    EXPECT_EQ(IntToHex(0xA, 8), u"0000000A");
    EXPECT_EQ(IntToHex(0xabcdef, 2), u"ABCDEF") << "at least, not at most, the digits asked for";
    EXPECT_EQ(IntToHex(0, 4), u"0000");
    EXPECT_EQ(IntToHex(std::numeric_limits<std::uint64_t>::max(), 1), u"FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(UIntToStr(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615");
    EXPECT_EQ(FloatToStr(100.0), u"100");
    EXPECT_EQ(FloatToStr(-0.5), u"-0.5");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), u"0.333333333333333");
    EXPECT_EQ(FloatToStr(1e20), u"1E+20");
}

TEST(WideStringHelpers, IntegerParsersTakeTheWholeText) {
    struct Case {
        const char16_t* Text;
        bool Ok;
        std::int64_t Value;
    };
    const Case cases[] = {
        {u"0", true, 0},
        {u"+7", true, 7},
        {u"-42", true, -42},
        {u"9223372036854775807", true, std::numeric_limits<std::int64_t>::max()},
        {u"-9223372036854775808", true, std::numeric_limits<std::int64_t>::min()},
        {u"9223372036854775808", false, 0},
        {u"", false, 0},
        {u"+", false, 0},
        {u"-", false, 0},
        {u" 1", false, 0},
        {u"1 ", false, 0},
        {u"1a", false, 0},
        {u"0x10", false, 0},
        {u"1.0", false, 0},
        {u"\uFF11", false, 0}, // full-width digit one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        std::int64_t v = 12345;
        EXPECT_EQ(TryStrToInt64(c.Text, v), c.Ok);
        EXPECT_EQ(v, c.Ok ? c.Value : 12345) << "a failed parse leaves the value alone";
    }
    std::uint64_t u = 0;
    EXPECT_TRUE(TryStrToUInt64(u"18446744073709551615", u));
    EXPECT_EQ(u, std::numeric_limits<std::uint64_t>::max());
    EXPECT_FALSE(TryStrToUInt64(u"18446744073709551616", u));
    EXPECT_FALSE(TryStrToUInt64(u"-1", u));
    EXPECT_TRUE(TryStrToUInt64(u"+1", u));
    EXPECT_EQ(u, 1u);
}

TEST(WideStringHelpers, FloatParser) {
    double d = 0;
    EXPECT_TRUE(TryStrToFloat(u"1.5", d));
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(TryStrToFloat(u"+2e3", d));
    EXPECT_EQ(d, 2000.0);
    EXPECT_TRUE(TryStrToFloat(u".5", d));
    EXPECT_EQ(d, 0.5);
    for (const char16_t* bad : {u"", u"1e400", u"nan", u"inf", u"1,5", u" 1", u"e5", u"1.5x", u"0x1p3"}) {
        SCOPED_TRACE(ToUtf8(bad));
        EXPECT_FALSE(TryStrToFloat(bad, d));
    }
}

TEST(WideStringHelpers, ReplaceAll) {
    EXPECT_EQ(ReplaceAll(u"a.b.c", u".", u"::"), u"a::b::c");
    EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(ReplaceAll(u"", u"a", u"x"), u"");
}

TEST(SecureWipe, OverwritesTheBufferAndEmptiesTheText) {
    WideString secret(40, u's'); // longer than the small-string buffer: a heap block
    const char16_t* block = secret.data();
    SecureWipe(secret);
    EXPECT_TRUE(secret.empty());
    EXPECT_EQ(secret.data(), block); // the same block, now zeroed
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_EQ(block[i], u'\0') << i;
}

} // namespace
} // namespace tarnwick
