#include "db/FormatSettings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace tarnwick;
using namespace tarnwick::db;

namespace {

// Sets a locale for one test and puts the previous one back.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name) : FOld(std::setlocale(LC_ALL, nullptr)) {
        FOk = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, FOld.c_str()); }
    bool Ok() const { return FOk; }

private:
    std::string FOld;
    bool FOk = false;
};

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
    return EncodeDateTime(TDateTimeParts{y, mo, d, h, mi, s, ms});
}

TEST(FormatSettings, NeutralLocaleGivesNeutralForms) {
    ScopedLocale c("C");
    EXPECT_EQ(FormatFloat(2.5), u"2.5");
    EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 7, 8, 9, 0)), u"2024-03-05 07:08:09");
    EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 7, 8, 9, 12)), u"2024-03-05 07:08:09.012");
    EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 0, 0, 0, 0)), u"2024-03-05");
    EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 7, 8, 9, 0), TDateTimePart::TimeOnly), u"07:08:09");
    EXPECT_EQ(FormatDateTime(At(987, 3, 5, 0, 0, 0, 0)), u"0987-03-05");
    double d = 0;
    EXPECT_TRUE(TryParseFloat(u"2.5", d));
    EXPECT_EQ(d, 2.5);
    EXPECT_FALSE(TryParseFloat(u"2,5", d));
}

TEST(FormatSettings, UserLocaleGivesItsForms) {
    ScopedLocale de("de_DE.UTF-8");
    if (!de.Ok()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed here";
    EXPECT_EQ(DecimalSeparator(), u',');
    EXPECT_EQ(FormatFloat(2.5), u"2,5");
    double d = 0;
    EXPECT_TRUE(TryParseFloat(u"2,5", d));
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 7, 8, 9, 0)), u"05.03.2024 07:08:09");
}

} // namespace
