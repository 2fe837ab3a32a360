// Exact decimal numbers for money, rates and quantities.
// A Decimal is a 128-bit integer scaled by 10^12: no binary floating point ever touches an amount.
// Rounding and truncation happen only where a rule asks for them (round_half_up, trunc, DESPREZA).
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

class Decimal {
  public:
    static constexpr int kScale = 12;  // decimal places held internally

    constexpr Decimal() = default;
    // Whole numbers.
    constexpr Decimal(long long units) : raw_(static_cast<__int128>(units) * unit()) {}  // NOLINT
    constexpr Decimal(int units) : Decimal(static_cast<long long>(units)) {}             // NOLINT

    // From text such as "-1234.56", "0.075", " 12 ". Accepts a point as the decimal separator,
    // an optional sign and surrounding blanks; more than kScale decimals are refused.
    static std::optional<Decimal> parse(std::string_view text);
    // Like parse, but a malformed text is a programming error (throws std::invalid_argument).
    static Decimal from(std::string_view text);
    // units / 10^places, e.g. from_scaled(12345, 2) == 123.45.
    static Decimal from_scaled(long long units, int places);
    static constexpr Decimal from_raw(__int128 raw) {
        Decimal d;
        d.raw_ = raw;
        return d;
    }
    constexpr __int128 raw() const { return raw_; }

    // Text with exactly `places` decimals (rounded half away from zero), point as separator.
    std::string to_string(int places = 2) const;
    // Text with as many decimals as needed (no trailing zeros), at least none.
    std::string to_plain() const;

    bool is_zero() const { return raw_ == 0; }
    bool is_negative() const { return raw_ < 0; }
    Decimal abs() const { return raw_ < 0 ? -*this : *this; }

    // Rounded half away from zero to `places` decimals.
    Decimal round(int places) const;
    // Truncated toward zero to `places` decimals.
    Decimal trunc(int places) const;
    // Whole part, truncated toward zero, as an integer.
    long long whole() const;
    // Largest whole number not above the value.
    Decimal floor() const;
    // Number of significant decimals (0..kScale).
    int decimals_used() const;

    constexpr Decimal operator-() const { return from_raw(-raw_); }
    constexpr Decimal& operator+=(Decimal o) {
        raw_ += o.raw_;
        return *this;
    }
    constexpr Decimal& operator-=(Decimal o) {
        raw_ -= o.raw_;
        return *this;
    }
    // Exact product truncated to kScale decimals.
    Decimal& operator*=(Decimal o);
    // Quotient truncated to kScale decimals; division by zero throws std::domain_error.
    Decimal& operator/=(Decimal o);

    friend constexpr Decimal operator+(Decimal a, Decimal b) { return a += b; }
    friend constexpr Decimal operator-(Decimal a, Decimal b) { return a -= b; }
    friend Decimal operator*(Decimal a, Decimal b) { return a *= b; }
    friend Decimal operator/(Decimal a, Decimal b) { return a /= b; }
    friend constexpr bool operator==(Decimal a, Decimal b) = default;
    friend constexpr std::strong_ordering operator<=>(Decimal a, Decimal b) {
        return a.raw_ <=> b.raw_;
    }

    static constexpr __int128 unit() { return 1'000'000'000'000; }

  private:
    __int128 raw_ = 0;
};

inline Decimal min(Decimal a, Decimal b) {
    return b < a ? b : a;
}
inline Decimal max(Decimal a, Decimal b) {
    return a < b ? b : a;
}

// Cents truncation used throughout the tax arithmetic: the value is written with decimals + 2
// places (rounded there) in a field of the given width, then in mode 0 the last two characters are
// cut, which truncates it to `decimals`; any other mode keeps the extra places.
Decimal DESPREZA(Decimal value, int width, int decimals = 2, int mode = 0);

// Rounded half away from zero to `places` decimals (the rule wherever a computation says
// "rounded").
inline Decimal round_half_up(Decimal v, int places) {
    return v.round(places);
}

}  // namespace vorn
