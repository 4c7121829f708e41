#include "db/FormatSettings.h"

#include <clocale>
#include <cstring>
#include <ctime>
#include <langinfo.h>

namespace tarnwick::db {
namespace {

bool NeutralLocale(int category) {
    const char* name = std::setlocale(category, nullptr);
    return !name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

WideString Two(int n) {
    return (n < 10 ? u"0" : u"") + IntToStr(n);
}

WideString NeutralTime(const TDateTimeParts& p) {
    WideString t = Two(p.Hour) + u":" + Two(p.Minute) + u":" + Two(p.Second);
    if (p.Millisecond) {
        WideString ms = IntToStr(p.Millisecond);
        t += u"." + WideString(3 - ms.size(), u'0') + ms;
    }
    return t;
}

WideString LocaleForm(nl_item item, const TDateTimeParts& p) {
    std::tm tm{};
    tm.tm_year = p.Year - 1900;
    tm.tm_mon = p.Month - 1;
    tm.tm_mday = p.Day;
    tm.tm_hour = p.Hour;
    tm.tm_min = p.Minute;
    tm.tm_sec = p.Second;
    char buf[128];
    std::size_t n = std::strftime(buf, sizeof buf, nl_langinfo(item), &tm);
    return FromUtf8(std::string_view(buf, n));
}

} // namespace

char16_t DecimalSeparator() {
    if (NeutralLocale(LC_NUMERIC)) return u'.';
    const char* point = std::localeconv()->decimal_point;
    return point && point[0] && static_cast<unsigned char>(point[0]) < 128 ? char16_t(point[0]) : u'.';
}

WideString FormatFloat(double value) {
    WideString text = FloatToStr(value);
    char16_t sep = DecimalSeparator();
    if (sep != u'.')
        for (auto& c : text)
            if (c == u'.') c = sep;
    return text;
}

bool TryParseFloat(WideStringView text, double& value) {
    char16_t sep = DecimalSeparator();
    if (sep == u'.' || text.find(sep) == WideStringView::npos) return TryStrToFloat(text, value);
    WideString copy(text);
    for (auto& c : copy)
        if (c == sep) c = u'.';
    return TryStrToFloat(copy, value);
}

WideString FormatDateTime(TDateTime value, TDateTimePart part) {
    TDateTimeParts p = DecodeDateTime(value);
    bool midnight = p.Hour == 0 && p.Minute == 0 && p.Second == 0 && p.Millisecond == 0;
    bool neutral = NeutralLocale(LC_TIME);
    WideString date =
        neutral ? IntToStr(p.Year) + u"-" + Two(p.Month) + u"-" + Two(p.Day) : LocaleForm(D_FMT, p);
    if (p.Year < 1000 && neutral) date = WideString(4 - IntToStr(p.Year).size(), u'0') + date;
    WideString time = neutral ? NeutralTime(p) : LocaleForm(T_FMT, p);
    switch (part) {
    case TDateTimePart::DateOnly:
        return date;
    case TDateTimePart::TimeOnly:
        return time;
    default:
        return midnight ? date : date + u" " + time;
    }
}

} // namespace tarnwick::db
