#pragma once
// Calendar date-time on a local clock, as an unsigned count of seconds since 1970-01-01 00:00:00.

#include <cstdint>
#include <string>
#include <string_view>

namespace talven {

/// A span of seconds, edited as days, hours, minutes and seconds.
struct TimeSpan {
    std::uint32_t total = 0;
    std::uint32_t days = 0;
    std::uint32_t hours = 0;
    std::uint32_t minutes = 0;
    std::uint32_t seconds = 0;

    static TimeSpan FromSeconds(std::uint32_t total);
    /// total = ((days * 24 + hours) * 60 + minutes) * 60 + seconds, kept to 32 bits.
    static TimeSpan FromElements(std::uint32_t days, std::uint32_t hours, std::uint32_t minutes,
                                 std::uint32_t seconds);
    bool operator==(const TimeSpan&) const = default;
};

/// Month (1..12) and weekday (1..7, Sunday = 1) names; any other index gives "INV".
const char* MonthName(int month);
const char* DayName(int weekday);

class DateTime {
  public:
    static constexpr int kFirstYear = 1970;
    static constexpr int kLastYear = 2105;

    /// 1 January 1970 00:00:00, a Thursday, valid.
    DateTime();

    static DateTime FromSeconds(std::uint32_t seconds);
    /// A year 0..69 means 2000..2069, 70..99 means 1970..1999. Impossible elements give an invalid
    /// value whose seconds, weekday and day of year are 0; never throws.
    static DateTime FromElements(int year, int month, int day, int hour, int minute, int second);
    /// The computer's local wall-clock time.
    static DateTime Now();

    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);

    std::uint32_t seconds() const { return seconds_; }
    int year() const { return year_; }
    int shortYear() const { return shortYear_; }
    int month() const { return month_; }
    int day() const { return day_; }
    int hour() const { return hour_; }
    int minute() const { return minute_; }
    int second() const { return second_; }
    int weekday() const { return weekday_; }
    int dayOfYear() const { return dayOfYear_; }
    bool valid() const { return valid_; }

    /// Text of the value by the format codes (%a %b %d %H %I %j %m %M %p %S %w %y %Y %%).
    std::string Format(std::string_view format) const;

    /// Adding a span wraps modulo 2^32 seconds, as the count is unsigned 32-bit.
    DateTime operator+(const TimeSpan& span) const { return FromSeconds(seconds_ + span.total); }
    DateTime operator-(const TimeSpan& span) const { return FromSeconds(seconds_ - span.total); }
    /// Difference in seconds (this minus other).
    std::int64_t operator-(const DateTime& other) const {
        return static_cast<std::int64_t>(seconds_) - static_cast<std::int64_t>(other.seconds_);
    }
    bool operator==(const DateTime& o) const { return seconds_ == o.seconds_; }
    auto operator<=>(const DateTime& o) const { return seconds_ <=> o.seconds_; }

  private:
    std::uint32_t seconds_ = 0;
    int year_ = 1970;
    int shortYear_ = 70;
    int month_ = 1;
    int day_ = 1;
    int hour_ = 0;
    int minute_ = 0;
    int second_ = 0;
    int weekday_ = 5;
    int dayOfYear_ = 1;
    bool valid_ = true;
};

}  // namespace talven
