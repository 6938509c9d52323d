#include "foundation/DateTime.h"

#include <ctime>

namespace talven {

namespace {

constexpr const char* kMonthNames[] = {"INV", "JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* kDayNames[] = {"INV", "SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr std::uint32_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the first of January of year (year >= 1970).
std::int64_t DaysBeforeYear(int year) {
    auto leapsBefore = [](std::int64_t y) { return y / 4 - y / 100 + y / 400; };
    const std::int64_t y = year - 1;
    return 365 * (static_cast<std::int64_t>(year) - 1970) + leapsBefore(y) - leapsBefore(1969);
}

int DaysBeforeMonth(int year, int month) {
    int days = 0;
    for (int m = 1; m < month; ++m)
        days += DateTime::DaysInMonth(year, m);
    return days;
}

// Keeps the lowest `digits` decimal digits of value, zero-filled on the left.
void AppendFixed(std::string& out, long value, int digits) {
    unsigned long v = value < 0 ? static_cast<unsigned long>(-value) : static_cast<unsigned long>(value);
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    out += text;
}

}  // namespace

TimeSpan TimeSpan::FromSeconds(std::uint32_t total) {
    TimeSpan s;
    s.total = total;
    s.days = total / 86400;
    s.hours = total % 86400 / 3600;
    s.minutes = total % 3600 / 60;
    s.seconds = total % 60;
    return s;
}

TimeSpan TimeSpan::FromElements(std::uint32_t days, std::uint32_t hours, std::uint32_t minutes,
                                std::uint32_t seconds) {
    return FromSeconds(((days * 24 + hours) * 60 + minutes) * 60 + seconds);
}

const char* MonthName(int month) {
    return (month >= 1 && month <= 12) ? kMonthNames[month] : kMonthNames[0];
}
const char* DayName(int weekday) {
    return (weekday >= 1 && weekday <= 7) ? kDayNames[weekday] : kDayNames[0];
}

DateTime::DateTime() = default;

bool DateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DateTime::DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month];
}

DateTime DateTime::FromSeconds(std::uint32_t seconds) {
    DateTime t;
    t.seconds_ = seconds;
    std::uint32_t days = seconds / kSecondsPerDay;
    const std::uint32_t rest = seconds % kSecondsPerDay;
    t.hour_ = static_cast<int>(rest / 3600);
    t.minute_ = static_cast<int>(rest % 3600 / 60);
    t.second_ = static_cast<int>(rest % 60);
    t.weekday_ = static_cast<int>((days + 4) % 7) + 1;
    int year = 1970;
    for (;;) {
        const std::uint32_t inYear = IsLeapYear(year) ? 366 : 365;
        if (days < inYear)
            break;
        days -= inYear;
        ++year;
    }
    t.year_ = year;
    t.shortYear_ = year % 100;
    t.dayOfYear_ = static_cast<int>(days) + 1;
    int month = 1;
    while (days >= static_cast<std::uint32_t>(DaysInMonth(year, month))) {
        days -= static_cast<std::uint32_t>(DaysInMonth(year, month));
        ++month;
    }
    t.month_ = month;
    t.day_ = static_cast<int>(days) + 1;
    t.valid_ = true;
    return t;
}

DateTime DateTime::FromElements(int year, int month, int day, int hour, int minute, int second) {
    if (year >= 0 && year <= 69) {
        year += 2000;
    } else if (year >= 70 && year <= 99) {
        year += 1900;
    }
    DateTime t;
    t.year_ = year;
    t.shortYear_ = year % 100;
    t.month_ = month;
    t.day_ = day;
    t.hour_ = hour;
    t.minute_ = minute;
    t.second_ = second;
    const bool ok = year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
                    day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
                    minute <= 59 && second >= 0 && second <= 59;
    if (!ok) {
        t.seconds_ = 0;
        t.weekday_ = 0;
        t.dayOfYear_ = 0;
        t.valid_ = false;
        return t;
    }
    const std::int64_t days = DaysBeforeYear(year) + DaysBeforeMonth(year, month) + (day - 1);
    // The last representable second is 2106-02-07 06:28:15; a later date in 2105 never reaches it.
    t.seconds_ = static_cast<std::uint32_t>(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
    t.weekday_ = static_cast<int>((days + 4) % 7) + 1;
    t.dayOfYear_ = DaysBeforeMonth(year, month) + day;
    t.valid_ = true;
    return t;
}

DateTime DateTime::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FromElements(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec < 60 ? local.tm_sec : 59);
}

std::string DateTime::Format(std::string_view format) const {
    std::string out;
    out.reserve(format.size() + 16);
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out.push_back(c);
            continue;
        }
        if (++i >= format.size())
            break;
        if (format[i] == '#' && ++i >= format.size())
            break;
        switch (format[i]) {
            case 'a':
                out += DayName(weekday_);
                break;
            case 'b':
                out += MonthName(month_);
                break;
            case 'd':
                AppendFixed(out, day_, 2);
                break;
            case 'H':
                AppendFixed(out, hour_, 2);
                break;
            case 'I':
                AppendFixed(out, hour_ % 12 == 0 ? 12 : hour_ % 12, 2);
                break;
            case 'j':
                AppendFixed(out, dayOfYear_, 3);
                break;
            case 'm':
                AppendFixed(out, month_, 2);
                break;
            case 'M':
                AppendFixed(out, minute_, 2);
                break;
            case 'p':
                out += hour_ < 12 ? "AM" : "PM";
                break;
            case 'S':
                AppendFixed(out, second_, 2);
                break;
            case 'w':
                AppendFixed(out, weekday_ >= 1 ? weekday_ - 1 : 0, 1);
                break;
            case 'y':
                AppendFixed(out, shortYear_, 2);
                break;
            case 'Y':
                AppendFixed(out, year_, 4);
                break;
            case '%':
                out.push_back('%');
                break;
            default:
                break;
        }
    }
    return out;
}

}  // namespace talven
