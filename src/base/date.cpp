// Civil-date arithmetic (days from 1970-01-01) and the clocks.
#include "base/date.h"

#include <ctime>
#include <stdexcept>

namespace vorn {
namespace {

// Howard Hinnant's days_from_civil / civil_from_days.
long days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void civil_from_days(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

bool all_digits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

int to_int(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

std::string two(int v) {
    return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

}  // namespace

bool Date::leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int Date::days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

std::optional<Date> Date::make(int y, int m, int d) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m))
        return std::nullopt;
    Date r;
    r.serial_ = days_from_civil(y, m, d);
    return r;
}

Date::Date(int y, int m, int d) {
    auto r = make(y, m, d);
    if (!r) throw std::invalid_argument("invalid date");
    serial_ = r->serial_;
}

Date Date::from_serial(long days) {
    Date r;
    r.serial_ = days;
    return r;
}

std::optional<Date> Date::from_dtos(std::string_view s) {
    if (s.size() != 8) return std::nullopt;
    if (s == "        " || s == "00000000") return Date{};
    if (!all_digits(s)) return std::nullopt;
    return make(to_int(s.substr(0, 4)), to_int(s.substr(4, 2)), to_int(s.substr(6, 2)));
}

std::optional<Date> Date::from_dmy(std::string_view s) {
    if (s.size() != 10 || s[2] != '/' || s[5] != '/') return std::nullopt;
    auto dd = s.substr(0, 2), mm = s.substr(3, 2), yy = s.substr(6, 4);
    if (dd == "  " && mm == "  " && yy == "    ") return Date{};
    if (!all_digits(dd) || !all_digits(mm) || !all_digits(yy)) return std::nullopt;
    return make(to_int(yy), to_int(mm), to_int(dd));
}

int Date::year() const {
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    return blank() ? 0 : y;
}
int Date::month() const {
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    return blank() ? 0 : m;
}
int Date::day() const {
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    return blank() ? 0 : d;
}

int Date::weekday() const {
    long w = (serial_ + 4) % 7;  // 1970-01-01 was a Thursday
    return static_cast<int>(w < 0 ? w + 7 : w);
}

std::string Date::dtos() const {
    if (blank()) return "        ";
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    return two(y / 100) + two(y % 100) + two(m) + two(d);
}

std::string Date::dmy() const {
    if (blank()) return "  /  /    ";
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    return two(d) + "/" + two(m) + "/" + two(y / 100) + two(y % 100);
}

Date Date::add_days(long n) const {
    return blank() ? *this : from_serial(serial_ + n);
}

Date Date::add_months(int n) const {
    if (blank()) return *this;
    int y, m, d;
    civil_from_days(serial_, y, m, d);
    int total = y * 12 + (m - 1) + n;
    y = total / 12;
    m = total % 12 + 1;
    if (d > days_in_month(y, m)) d = days_in_month(y, m);
    return Date(y, m, d);
}

std::string seconds_to_hms(long s) {
    s %= 86400;
    if (s < 0) s += 86400;
    return two(static_cast<int>(s / 3600)) + ":" + two(static_cast<int>(s / 60 % 60)) + ":" +
           two(static_cast<int>(s % 60));
}

std::optional<long> hms_to_seconds(std::string_view t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return std::nullopt;
    auto h = t.substr(0, 2), m = t.substr(3, 2), s = t.substr(6, 2);
    if (!all_digits(h) || !all_digits(m) || !all_digits(s)) return std::nullopt;
    int hh = to_int(h), mm = to_int(m), ss = to_int(s);
    if (hh > 23 || mm > 59 || ss > 59) return std::nullopt;
    return hh * 3600L + mm * 60L + ss;
}

DateTime SystemClock::now() const {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {Date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday),
            tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec};
}

void ManualClock::advance(long seconds) {
    long total = now_.seconds + seconds;
    long days = total / 86400;
    total %= 86400;
    if (total < 0) {
        total += 86400;
        --days;
    }
    now_.date = now_.date.add_days(days);
    now_.seconds = total;
}

std::optional<DateTime> parse_datetime(std::string_view s) {
    if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ') return std::nullopt;
    auto y = s.substr(0, 4), m = s.substr(5, 2), d = s.substr(8, 2);
    if (!all_digits(y) || !all_digits(m) || !all_digits(d)) return std::nullopt;
    auto date = Date::make(to_int(y), to_int(m), to_int(d));
    auto secs = hms_to_seconds(s.substr(11));
    if (!date || !secs) return std::nullopt;
    return DateTime{*date, *secs};
}

}  // namespace vorn
