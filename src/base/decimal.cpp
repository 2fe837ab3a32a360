// Exact decimal arithmetic on a 128-bit scaled integer.
#include "base/decimal.h"

#include <stdexcept>

namespace vorn {
namespace {

using i128 = __int128;
using u128 = unsigned __int128;

constexpr i128 pow10(int n) {
    i128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

std::string u128_to_string(u128 v) {
    if (v == 0) return "0";
    std::string s;
    while (v > 0) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    }
    return s;
}

u128 uabs(i128 v) {
    return v < 0 ? static_cast<u128>(-(v + 1)) + 1 : static_cast<u128>(v);
}

}  // namespace

std::optional<Decimal> Decimal::parse(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (b == e) return std::nullopt;
    bool neg = false;
    if (text[b] == '-' || text[b] == '+') {
        neg = text[b] == '-';
        ++b;
    }
    i128 whole = 0, frac = 0;
    int frac_digits = 0, digits = 0;
    bool point = false;
    for (size_t i = b; i < e; ++i) {
        char c = text[i];
        if (c == '.') {
            if (point) return std::nullopt;
            point = true;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (point) {
                if (frac_digits == kScale) return std::nullopt;
                frac = frac * 10 + (c - '0');
                ++frac_digits;
            } else {
                if (whole > pow10(24)) return std::nullopt;  // beyond any amount we hold
                whole = whole * 10 + (c - '0');
            }
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    i128 raw = whole * unit() + frac * pow10(kScale - frac_digits);
    return from_raw(neg ? -raw : raw);
}

Decimal Decimal::from(std::string_view text) {
    auto d = parse(text);
    if (!d) throw std::invalid_argument("not a decimal number: '" + std::string(text) + "'");
    return *d;
}

Decimal Decimal::from_scaled(long long units, int places) {
    if (places < 0 || places > kScale) throw std::invalid_argument("bad scale");
    return from_raw(static_cast<i128>(units) * pow10(kScale - places));
}

Decimal Decimal::round(int places) const {
    if (places >= kScale) return *this;
    i128 step = pow10(kScale - places);
    i128 q = raw_ / step, r = raw_ % step;
    if (r < 0) r = -r;
    if (2 * r >= step) q += raw_ < 0 ? -1 : 1;
    return from_raw(q * step);
}

Decimal Decimal::trunc(int places) const {
    if (places >= kScale) return *this;
    i128 step = pow10(kScale - places);
    return from_raw(raw_ / step * step);
}

long long Decimal::whole() const {
    return static_cast<long long>(raw_ / unit());
}

Decimal Decimal::floor() const {
    i128 q = raw_ / unit();
    if (raw_ < 0 && raw_ % unit() != 0) --q;
    return from_raw(q * unit());
}

int Decimal::decimals_used() const {
    i128 r = raw_ % unit();
    if (r == 0) return 0;
    int n = kScale;
    while (r % 10 == 0) {
        r /= 10;
        --n;
    }
    return n;
}

std::string Decimal::to_string(int places) const {
    if (places < 0) places = 0;
    if (places > kScale) places = kScale;
    Decimal r = round(places);
    u128 a = uabs(r.raw_);
    u128 whole = a / static_cast<u128>(unit());
    u128 frac = (a % static_cast<u128>(unit())) / static_cast<u128>(pow10(kScale - places));
    std::string s = r.raw_ < 0 ? "-" : "";
    s += u128_to_string(whole);
    if (places > 0) {
        std::string f = u128_to_string(frac);
        s += '.';
        s += std::string(static_cast<size_t>(places) - f.size(), '0') + f;
    }
    return s;
}

std::string Decimal::to_plain() const {
    return to_string(decimals_used());
}

Decimal& Decimal::operator*=(Decimal o) {
    // Split both factors into whole and fraction parts so that no partial product overflows:
    // (ah*U + al)(bh*U + bl)/U = ah*bh*U + ah*bl + al*bh + al*bl/U.
    bool neg = (raw_ < 0) != (o.raw_ < 0);
    u128 a = uabs(raw_), b = uabs(o.raw_);
    u128 U = static_cast<u128>(unit());
    u128 ah = a / U, al = a % U, bh = b / U, bl = b % U;
    u128 r = ah * bh * U + ah * bl + al * bh + (al * bl) / U;
    raw_ = neg ? -static_cast<i128>(r) : static_cast<i128>(r);
    return *this;
}

Decimal& Decimal::operator/=(Decimal o) {
    if (o.raw_ == 0) throw std::domain_error("division by zero");
    bool neg = (raw_ < 0) != (o.raw_ < 0);
    u128 a = uabs(raw_), b = uabs(o.raw_);
    u128 q = a / b, r = a % b;
    for (int i = 0; i < kScale; ++i) {
        r *= 10;
        q = q * 10 + r / b;
        r %= b;
    }
    raw_ = neg ? -static_cast<i128>(q) : static_cast<i128>(q);
    return *this;
}

Decimal DESPREZA(Decimal value, int width, int decimals, int mode) {
    (void)width;  // the width only bounds the text; amounts held here always fit
    Decimal v = value.round(decimals + 2);
    return mode == 0 ? v.trunc(decimals) : v;
}

}  // namespace vorn
