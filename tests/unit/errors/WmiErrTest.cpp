#include "errors/WmiErr.h"

#include "platform/osmessages/OsMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

namespace tarnwick::errors {
namespace {

constexpr WideStringView kXpPrefix = u"Windows XP: ";

bool InRange(std::uint32_t code, std::uint32_t first, std::uint32_t last) {
    return code >= first && code <= last;
}

// Every code the table must hold: 0x80041001-0x80041087 without the gaps, then the
// event and retry codes.
std::vector<std::uint32_t> ExpectedCodes() {
    std::vector<std::uint32_t> codes;
    for (std::uint32_t c = 0x80041001; c <= 0x80041087; ++c) {
        if (InRange(c, 0x8004104A, 0x8004104F) || c == 0x8004105E || InRange(c, 0x8004107B, 0x8004107F))
            continue;
        codes.push_back(c);
    }
    for (std::uint32_t c : {0x80042001u, 0x80042002u, 0x80043001u, 0x80043002u})
        codes.push_back(c);
    return codes;
}

bool IsXpRow(std::uint32_t code) {
    return InRange(code, 0x80041067, 0x8004107A) || InRange(code, 0x80041080, 0x80041087);
}

bool IsReservedWithName(std::uint32_t code) {
    return code == 0x80041021 || code == 0x80041022 || code == 0x80041027 || code == 0x80043001 ||
           code == 0x80043002;
}

HRESULT Code(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

TEST(WmiErrorTable, HoldsExactlyTheListedCodesInOrder) {
    auto table = WmiErrorTable();
    ASSERT_EQ(table.size(), 127u);
    std::vector<std::uint32_t> codes;
    for (const auto& row : table)
        codes.push_back(row.Code);
    EXPECT_EQ(codes, ExpectedCodes());
    EXPECT_TRUE(std::adjacent_find(codes.begin(), codes.end(), std::greater_equal<>()) == codes.end())
        << "codes must rise strictly";
}

TEST(WmiErrorTable, EveryTextIsNonEmptyDistinctAndWellFormed) {
    std::set<WideString> seen;
    int xpRows = 0;
    for (const auto& row : WmiErrorTable()) {
        SCOPED_TRACE(ToUtf8(IntToHex(row.Code, 8)));
        ASSERT_NE(row.Text, nullptr);
        WideString text = row.Text;
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(seen.insert(text).second) << "text repeats another row: " << ToUtf8(text);
        EXPECT_EQ(text, Trim(text)) << "no blanks or control characters at either end";

        bool xp = text.starts_with(kXpPrefix);
        EXPECT_EQ(xp, IsXpRow(row.Code));
        if (xp) {
            ++xpRows;
            EXPECT_GT(text.size(), kXpPrefix.size() + 1);
        }
        if (IsReservedWithName(row.Code)) {
            EXPECT_TRUE(text.starts_with(u"Reserved for future use: WBEM_E_"));
            EXPECT_NE(text.back(), u'.');
        } else {
            EXPECT_EQ(text.back(), u'.') << "descriptions are sentences";
        }
    }
    EXPECT_EQ(xpRows, 28);
}

// The texts the system's users and scripts know by heart.
TEST(WmiErrorMessage, QuotedRowsAreExact) {
    struct Case {
        std::uint32_t Code;
        const char16_t* Message;
    };
    const Case cases[] = {
        {0x80041001, u"80041001: The call failed."},
        {0x80041002, u"80041002: The object could not be found."},
        {0x80041003, u"80041003: The current user does not have permission to perform the action."},
        {0x80041004, u"80041004: The provider has failed at some time other than during initialization."},
        {0x80041005, u"80041005: A type mismatch occurred."},
        {0x80041006, u"80041006: There was not enough memory for the operation."},
        {0x80041007, u"80041007: The IWbemContext object is not valid."},
        {0x80041008, u"80041008: One of the parameters to the call is not correct."},
        {0x80041009, u"80041009: The resource, typically a remote server, is not currently available."},
        {0x8004100A, u"8004100A: An internal, critical, and unexpected error occurred. Report this error to "
                     u"Microsoft Technical Support."},
        {0x8004100E, u"8004100E: The namespace specified could not be found."},
        {0x80041010, u"80041010: The specified class is not valid."},
        {0x80041011,
         u"80041011: A provider referenced in the schema does not have a corresponding registration."},
        {0x80041017, u"80041017: The query was not syntactically valid."},
        {0x80041018, u"80041018: The requested query language is not supported."},
        {0x80041021, u"80041021: Reserved for future use: WBEM_E_INVALID_SYNTAX"},
        {0x80041022, u"80041022: Reserved for future use: WBEM_E_NONDECORATED_OBJECT"},
        {0x80041027, u"80041027: Reserved for future use: WBEM_E_QUERY_NOT_IMPLEMENTED"},
        {0x8004102E, u"8004102E: The requested method is not available."},
        {0x80041044, u"80041044: Reserved for future use."},
        {0x80041064,
         u"80041064: The user specified a username/password/authority on a local connection. The user "
         u"must use a blank username/password and rely on default security."},
        {0x80041069, u"80041069: Windows XP: The operation timed out."},
        {0x80041081, u"80041081: Windows XP: The provider is suspended."},
        {0x80041087, u"80041087: Windows XP: The user attempted to set a computer name or domain without an "
                     u"encrypted connection."},
        {0x80042001, u"80042001: The provider registration overlaps with the system event domain."},
        {0x80042002, u"80042002: A WITHIN clause was not used in this query."},
        {0x80043001, u"80043001: Reserved for future use: WBEM_E_RETRY_LATER"},
        {0x80043002, u"80043002: Reserved for future use: WBEM_E_RESOURCE_CONTENTION"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(IntToHex(c.Code, 8)));
        EXPECT_EQ(WmiErrorMessage(Code(c.Code)), c.Message);
    }
}

TEST(WmiErrorMessage, EveryRowComposesAsCodeColonText) {
    for (const auto& row : WmiErrorTable()) {
        SCOPED_TRACE(ToUtf8(IntToHex(row.Code, 8)));
        EXPECT_EQ(WmiErrorMessage(Code(row.Code)), IntToHex(row.Code, 8) + u": " + row.Text);
    }
}

// The system's message as the composition must show it: its trailing line break,
// blanks and full stops cut.
WideString TrimmedSystemMessage(std::uint32_t code) {
    WideString text = osmessages::SystemErrorMessage(Code(code));
    while (!text.empty() && (text.back() <= 32 || text.back() == u'.'))
        text.pop_back();
    return text;
}

TEST(WmiErrorMessage, GapsInsideTheWmiRangeTakeTheSystemMessage) {
    std::vector<std::uint32_t> gaps;
    for (std::uint32_t c = 0x8004104A; c <= 0x8004104F; ++c)
        gaps.push_back(c);
    gaps.push_back(0x8004105E);
    for (std::uint32_t c = 0x8004107B; c <= 0x8004107F; ++c)
        gaps.push_back(c);
    // Just outside the table's ends, too.
    for (std::uint32_t c : {0x80041000u, 0x80041088u, 0x80042000u, 0x80042003u, 0x80043003u})
        gaps.push_back(c);
    auto table = WmiErrorTable();
    for (std::uint32_t code : gaps) {
        SCOPED_TRACE(ToUtf8(IntToHex(code, 8)));
        EXPECT_TRUE(
            std::none_of(table.begin(), table.end(), [&](const TWmiErrorRow& r) { return r.Code == code; }));
        EXPECT_EQ(WmiErrorMessage(Code(code)), IntToHex(code, 8) + u": " + TrimmedSystemMessage(code));
    }
}

TEST(WmiErrorMessage, SystemMessagesLoseTheirFinalStopAndLineBreak) {
    struct Case {
        std::uint32_t Code;
        const char16_t* Message;
    };
    const Case cases[] = {
        {0x80070005, u"80070005: Access is denied"},     // ".\r\n" at the end
        {0x80004001, u"80004001: Not implemented"},      // "\r\n" only
        {0x80040154, u"80040154: Class not registered"}, // the code of an unregistered class
        {0x800706BA, u"800706BA: The RPC server is unavailable"},
        {0x80010119, u"80010119: Security must be initialized before any interfaces are marshalled or "
                     u"unmarshalled. It cannot be changed once initialized"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(IntToHex(c.Code, 8)));
        ASSERT_FALSE(osmessages::SystemErrorMessage(Code(c.Code)).empty())
            << "the system table knows this code";
        EXPECT_EQ(WmiErrorMessage(Code(c.Code)), c.Message);
    }
}

TEST(WmiErrorMessage, CodeWithoutAnyTextKeepsColonAndSpace) {
    ASSERT_TRUE(osmessages::SystemErrorMessage(Code(0x80000000)).empty());
    EXPECT_EQ(WmiErrorMessage(std::numeric_limits<HRESULT>::min()), u"80000000: ");
    EXPECT_EQ(WmiErrorMessage(Code(0xDEADBEEF)), u"DEADBEEF: ");
    EXPECT_EQ(WmiErrorMessage(-1), u"FFFFFFFF: ");
    // Success codes are written the same way, zero-padded to eight digits.
    EXPECT_EQ(WmiErrorMessage(0), u"00000000: ");
    EXPECT_EQ(WmiErrorMessage(10), u"0000000A: ");
}

TEST(WmiErrorMessage, HexDigitsAreUpperCase) {
    WideString message = WmiErrorMessage(Code(0x8004100A));
    EXPECT_TRUE(message.starts_with(u"8004100A: ")) << ToUtf8(message);
    EXPECT_EQ(message.find(u"8004100a"), WideString::npos);
}

TEST(WmiCheck, SuccessCodesPass) {
    for (HRESULT code : {0, 1, 10, 0x40001, std::numeric_limits<HRESULT>::max()}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(WmiSucceeded(code));
        EXPECT_NO_THROW(WmiCheck(code));
    }
}

TEST(WmiCheck, NegativeCodesRaiseWithCodeAndMessage) {
    for (std::uint32_t bits :
         {0x80041001u, 0x8004100Eu, 0x8004105Eu, 0x80000000u, 0x80070005u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(ToUtf8(IntToHex(bits, 8)));
        HRESULT code = Code(bits);
        EXPECT_FALSE(WmiSucceeded(code));
        try {
            WmiCheck(code);
            ADD_FAILURE() << "WmiCheck did not raise";
        } catch (const TWmiException& e) {
            EXPECT_EQ(e.ErrorCode(), code);
            EXPECT_EQ(e.Message(), WmiErrorMessage(code));
            EXPECT_EQ(std::string(e.what()), ToUtf8(WmiErrorMessage(code)));
        }
    }
}

TEST(RaiseWmiError, RaisesTheComposedMessage) {
    try {
        RaiseWmiError(Code(0x8004100E));
    } catch (const Exception& e) { // caught through the common base
        const auto* wmi = dynamic_cast<const TWmiException*>(&e);
        ASSERT_NE(wmi, nullptr);
        EXPECT_EQ(wmi->ErrorCode(), Code(0x8004100E));
        EXPECT_EQ(e.Message(), u"8004100E: The namespace specified could not be found.");
        return;
    }
    FAIL() << "RaiseWmiError returned";
}

TEST(TWmiException, MessageOnlyHasErrorCodeZero) {
    TWmiException e(u"Component is not Active.");
    EXPECT_EQ(e.ErrorCode(), 0);
    EXPECT_EQ(e.Message(), u"Component is not Active.");
    EXPECT_STREQ(e.what(), "Component is not Active.");
}

TEST(TWmiException, CallersMayAppendTheirStage) {
    TWmiException e(Code(0x80041017), WmiErrorMessage(Code(0x80041017)));
    e.SetMessage(e.Message() + u" (WmiDataSet.InternalOpen)");
    EXPECT_EQ(e.ErrorCode(), Code(0x80041017));
    EXPECT_EQ(e.Message(), u"80041017: The query was not syntactically valid. (WmiDataSet.InternalOpen)");
    EXPECT_STREQ(e.what(), "80041017: The query was not syntactically valid. (WmiDataSet.InternalOpen)");
}

} // namespace
} // namespace tarnwick::errors
