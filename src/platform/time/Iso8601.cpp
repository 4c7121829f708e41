#include "platform/time/Iso8601.h"

#include <cmath>
#include <cstdint>

namespace tarnwick::iso8601 {
namespace {

constexpr std::int64_t MsPerDay = 86400000;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Exactly `count` digits at pos.
bool ReadDigits(WideStringView s, std::size_t& pos, int count, int& value) {
    if (pos + count > s.size()) return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (!IsDigit(s[pos + i])) return false;
        value = value * 10 + (s[pos + i] - u'0');
    }
    pos += count;
    return true;
}

bool ReadChar(WideStringView s, std::size_t& pos, char16_t c) {
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// Milliseconds since midnight, or false.
bool ParseTime(WideStringView s, std::int64_t& ms) {
    std::size_t pos = 0;
    int h = 0, m = 0, sec = 0;
    if (!ReadDigits(s, pos, 2, h) || !ReadChar(s, pos, u':') || !ReadDigits(s, pos, 2, m)) return false;
    double fraction = 0;
    if (ReadChar(s, pos, u':')) {
        if (!ReadDigits(s, pos, 2, sec)) return false;
        if (pos < s.size() && (s[pos] == u'.' || s[pos] == u',')) {
            ++pos;
            if (pos >= s.size()) return false;
            double scale = 0.1;
            for (; pos < s.size(); ++pos, scale /= 10) {
                if (!IsDigit(s[pos])) return false;
                fraction += (s[pos] - u'0') * scale;
            }
        }
    }
    if (pos != s.size() || h > 23 || m > 59 || sec > 59) return false;
    ms = (static_cast<std::int64_t>(h) * 3600 + m * 60 + sec) * 1000 +
         static_cast<std::int64_t>(std::llround(fraction * 1000));
    return true;
}

// Minutes east of UTC, or false.
bool ParseOffset(WideStringView s, std::int64_t& minutes) {
    if (s == u"Z") {
        minutes = 0;
        return true;
    }
    std::size_t pos = 0;
    int sign = 1;
    if (ReadChar(s, pos, u'-'))
        sign = -1;
    else if (!ReadChar(s, pos, u'+'))
        return false;
    int h = 0, m = 0;
    if (!ReadDigits(s, pos, 2, h)) return false;
    if (pos < s.size()) {
        ReadChar(s, pos, u':');
        if (!ReadDigits(s, pos, 2, m)) return false;
    }
    if (pos != s.size() || h > 23 || m > 59) return false;
    minutes = sign * (h * 60 + m);
    return true;
}

// OLE dates count the fraction forward from midnight also before 1899-12-30.
TDateTime FromMilliseconds(std::int64_t total) {
    std::int64_t days = total / MsPerDay;
    std::int64_t rest = total % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --days;
    }
    const double fraction = static_cast<double>(rest) / MsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

[[noreturn]] void Fail(const char16_t* what, WideStringView text) {
    throw TIso8601Error(what + WideString(text));
}

} // namespace

TDateTime ISO8601ToDate(WideStringView text) {
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0;
    if (!ReadDigits(text, pos, 4, year) || !ReadChar(text, pos, u'-') || !ReadDigits(text, pos, 2, month) ||
        !ReadChar(text, pos, u'-') || !ReadDigits(text, pos, 2, day))
        Fail(u"Invalid date string: ", text);
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) Fail(u"Invalid date string: ", text);
    std::int64_t ms = std::llround(date) * MsPerDay;
    if (pos == text.size()) return FromMilliseconds(ms);
    if (text[pos] != u'T') Fail(u"Invalid date string: ", text);
    ++pos;

    std::size_t zone = pos;
    while (zone < text.size() && text[zone] != u'Z' && text[zone] != u'+' && text[zone] != u'-')
        ++zone;
    std::int64_t timeMs = 0;
    if (!ParseTime(text.substr(pos, zone - pos), timeMs)) Fail(u"Invalid time string: ", text);
    std::int64_t offsetMinutes = 0;
    if (zone < text.size() && !ParseOffset(text.substr(zone), offsetMinutes))
        Fail(u"Invalid time Offset string: ", text);
    return FromMilliseconds(ms + timeMs - offsetMinutes * 60000);
}

} // namespace tarnwick::iso8601
