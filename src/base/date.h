// Calendar dates with the blank date of xBase, and the clock the program reads time from.
// Dates are typed and shown as dd/mm/yyyy and stored in tables as YYYYMMDD.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

class Date {
  public:
    constexpr Date() = default;  // the blank date
    // A valid calendar date; an invalid one throws std::invalid_argument.
    Date(int year, int month, int day);
    static std::optional<Date> make(int year, int month, int day);

    // "YYYYMMDD" (blank or all zeros give the blank date); nullopt when malformed.
    static std::optional<Date> from_dtos(std::string_view s);
    // "dd/mm/yyyy" (or "  /  /    " for blank); nullopt when malformed.
    static std::optional<Date> from_dmy(std::string_view s);
    // Days since 1970-01-01.
    static Date from_serial(long days);

    bool blank() const { return serial_ == kBlank; }
    int year() const;
    int month() const;
    int day() const;
    // 0 = Sunday ... 6 = Saturday (xBase DOW() minus one).
    int weekday() const;
    long serial() const { return serial_; }

    std::string dtos() const;  // "YYYYMMDD", 8 blanks for the blank date
    std::string dmy() const;   // "dd/mm/yyyy", "  /  /    " for the blank date

    Date add_days(long n) const;
    // The same day n months later, clamped to the last day of the month.
    Date add_months(int n) const;
    static int days_in_month(int year, int month);
    static bool leap(int year);

    friend bool operator==(Date a, Date b) = default;
    // The blank date sorts before every date, as in index keys.
    friend std::strong_ordering operator<=>(Date a, Date b) { return a.serial_ <=> b.serial_; }
    friend long operator-(Date a, Date b) { return a.serial_ - b.serial_; }

  private:
    static constexpr long kBlank = INT32_MIN;
    long serial_ = kBlank;
};

// Seconds since midnight and the "hh:mm:ss" text form.
std::string seconds_to_hms(long seconds);
std::optional<long> hms_to_seconds(std::string_view hms);

struct DateTime {
    Date date;
    long seconds = 0;  // since midnight
};

// Where the program reads the date and time of day. Tests and the headless mode set it.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    Date today() const { return now().date; }
};

// The machine's local time.
class SystemClock final : public Clock {
  public:
    DateTime now() const override;
};

// A clock that stands still until advanced.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(DateTime start) : now_(start) {}
    DateTime now() const override { return now_; }
    void set(DateTime t) { now_ = t; }
    void advance(long seconds);

  private:
    DateTime now_;
};

// "YYYY-MM-DD HH:MM:SS" as given to --now.
std::optional<DateTime> parse_datetime(std::string_view s);

}  // namespace vorn
