#include "runtime/convert.h"

#include <cfloat>
#include <charconv>
#include <limits>
#include <climits>
#include <cmath>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace nuvir {

// ---- number -> text ---------------------------------------------------------

DecimalDigits ToDecimalDigits(double x, int sig) {
    DecimalDigits r;
    if (sig < 1) sig = 1;
    if (sig > 17) sig = 17;
    if (x == 0.0 || !std::isfinite(x)) {
        r.digits = "0";
        return r;
    }
    r.negative = x < 0;
    char buf[64];
    // to_chars is exact and locale-independent: "d.dddde+XX".
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, sig - 1);
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    auto epos = s.find('e');
    std::string digits;
    for (char c : s.substr(0, epos))
        if (c != '.') digits.push_back(c);
    int exp10 = 0;
    std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp10);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    r.digits = digits;
    r.exp10 = exp10;
    return r;
}

namespace {

// An exponent with a "-" only when negative and at least two digits ("02", "-05").
std::string ExponentText(int e) {
    std::string d = std::to_string(e < 0 ? -e : e);
    if (d.size() < 2) d.insert(d.begin(), '0');
    return (e < 0 ? "-" : "") + d;
}

std::string NonFinite(double x) {
    if (std::isnan(x)) return "NaN";
    return x < 0 ? "-Infinity" : "Infinity";
}

// The general form is C's "%.<precision>G" rule, which to_chars follows exactly and
// without the locale: correctly rounded, trailing zeros dropped, exponent form when
// the exponent is below -4 or at least the precision, two exponent digits at least.
// Only the exponent letter and negative zero differ from the written form.
std::size_t GeneralChars(char* buf, std::size_t size, double x, int precision) {
    if (x == 0.0) {
        buf[0] = '0';
        return 1;
    }
    auto res = std::to_chars(buf, buf + size, x, std::chars_format::general, precision);
    const auto n = static_cast<std::size_t>(res.ptr - buf);
    for (std::size_t i = 0; i < n; ++i)
        if (buf[i] == 'e') buf[i] = 'E';
    return n;
}

constexpr std::size_t kNumberBuffer = 48;

}  // namespace

std::string FormatDouble(double x) {
    if (!std::isfinite(x)) return NonFinite(x);
    char buf[kNumberBuffer];
    return std::string(buf, GeneralChars(buf, sizeof buf, x, 15));
}

void AppendDouble(std::string& out, double x) {
    if (!std::isfinite(x)) {
        out += NonFinite(x);
        return;
    }
    char buf[kNumberBuffer];
    out.append(buf, GeneralChars(buf, sizeof buf, x, 15));
}

std::string FormatSingle(float x) {
    if (!std::isfinite(x)) return NonFinite(x);
    char buf[kNumberBuffer];
    return std::string(buf, GeneralChars(buf, sizeof buf, static_cast<double>(x), 7));
}

std::string CStr(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return {};
        case VarType::Null: RaiseInvalidUseOfNull();
        case VarType::Byte: return std::to_string(CByte(v));
        case VarType::Int16: return std::to_string(CInt(v));
        case VarType::Int32: return std::to_string(CLng(v));
        case VarType::Single: return FormatSingle(CSng(v));
        case VarType::Double: return FormatDouble(v.rawDouble());
        case VarType::Boolean: return CBool(v) ? "True" : "False";
        case VarType::String: return v.rawString();
        default: RaiseTypeMismatch();
    }
}

std::string TextOf(const Variant& v) { return v.isNull() ? std::string() : CStr(v); }

std::string PrintForm(const Variant& v) {
    if (v.isNumberKind() && v.type() != VarType::Boolean) {
        std::string t = CStr(v);
        return (t[0] == '-' ? "" : " ") + t + " ";
    }
    return CStr(v);
}

std::string PrintFileForm(double x) { return WithoutLeadingZero(StrForm(x)) + " "; }

std::string StrForm(double x) {
    std::string t = FormatDouble(x);
    return t[0] == '-' ? t : " " + t;
}

std::string WithoutLeadingZero(std::string number) {
    const std::size_t digit = !number.empty() && (number[0] == '-' || number[0] == ' ') ? 1 : 0;
    if (number.compare(digit, 2, "0.") == 0) number.erase(digit, 1);
    return number;
}

namespace {

// Rounds a decimal digit string (first digit at 10^exp10) so that its last digit is
// at 10^lastPlace, halves away from zero. Returns the digits of the rounded value
// (possibly "" for zero) with the new exponent of the first digit.
std::pair<std::string, int> RoundDigitsAt(const DecimalDigits& dd, int lastPlace) {
    const std::string& d = dd.digits;
    if (d == "0") return {"", lastPlace};
    int keep = dd.exp10 - lastPlace + 1;  // digits kept
    if (keep < 0) return {"", lastPlace};
    std::string out = d.substr(0, static_cast<std::size_t>(std::min<int>(keep, static_cast<int>(d.size()))));
    int exp10 = dd.exp10;
    bool roundUp = keep < static_cast<int>(d.size()) && d[static_cast<std::size_t>(keep)] >= '5';
    out.append(static_cast<std::size_t>(keep) - out.size(), '0');
    if (roundUp) {
        int i = static_cast<int>(out.size()) - 1;
        while (i >= 0 && out[static_cast<std::size_t>(i)] == '9') out[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++out[static_cast<std::size_t>(i)];
        } else {
            out.insert(out.begin(), '1');
            ++exp10;
        }
    }
    if (out.empty()) exp10 = lastPlace;
    return {out, exp10};
}

}  // namespace

std::string FormatFixed(double x, int decimals) {
    if (!std::isfinite(x)) return NonFinite(x);
    if (decimals < 0) decimals = 0;
    DecimalDigits dd = ToDecimalDigits(x, 15);
    auto [digits, exp10] = RoundDigitsAt(dd, -decimals);
    bool zero = digits.find_first_not_of('0') == std::string::npos;
    // Lay the digits out on places exp10 down to -decimals.
    std::string intPart, fracPart;
    int place = exp10;
    if (digits.empty()) place = -decimals - 1;
    for (char c : digits) {
        if (place >= 0)
            intPart += c;
        else
            fracPart += c;
        --place;
    }
    // Leading zeros of the fraction when the first digit lies below 10^-1.
    if (!digits.empty() && exp10 < -1) fracPart.insert(0, static_cast<std::size_t>(-exp10 - 1), '0');
    if (intPart.empty()) intPart = "0";
    while (static_cast<int>(fracPart.size()) < decimals) fracPart += '0';
    std::string out = (dd.negative && !zero) ? "-" : "";
    out += intPart;
    if (decimals > 0) out += "." + fracPart;
    return out;
}

std::string FormatScientific(double x, int decimals) {
    if (!std::isfinite(x)) return NonFinite(x);
    if (decimals < 0) decimals = 0;
    DecimalDigits dd = ToDecimalDigits(x, 15);
    const auto d = static_cast<std::size_t>(decimals);
    if (dd.digits == "0") return (decimals > 0 ? "0." + std::string(d, '0') : std::string("0")) + "e00";
    auto [digits, exp10] = RoundDigitsAt(dd, dd.exp10 - decimals);
    digits.resize(d + 1, '0');
    std::string out = dd.negative ? "-" : "";
    out += digits[0];
    if (decimals > 0) {
        out += '.';
        out.append(digits, 1, d);
    }
    out += 'e';
    out += ExponentText(exp10);
    return out;
}

// ---- text -> number ---------------------------------------------------------

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A radix number after "&H"/"&O": up to 16 bits without the "&" suffix it is a
// signed 16-bit value, else a signed 32-bit one.
double RadixValue(std::string_view digits, int radix, bool force32) {
    std::uint64_t v = 0;
    for (char c : digits) {
        v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(HexValue(c));
        if (v > 0xFFFFFFFFull) RaiseOverflow();
    }
    if (!force32 && v <= 0xFFFF) return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Reads a decimal number text that is already known to be well formed ("D" exponents
// allowed); a value beyond the Double range raises Overflow, one below it is 0.
double ParseDecimal(std::string_view s) {
    std::string t(s);
    for (char& c : t)
        if (c == 'd' || c == 'D') c = 'e';
    std::size_t start = 0;
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        start = 1;
    }
    if (start < t.size() && t[start] == '.') t.insert(start, "0");
    double v = 0;
    auto res = std::from_chars(t.data() + start, t.data() + t.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        auto e = t.find('e');
        bool tiny = e != std::string::npos && e + 1 < t.size() && t[e + 1] == '-';
        if (!tiny) {
            // The 15-digit text written for the largest Double (1.79769313486232E+308)
            // lies just above it: anything that rounds to that text reads as it.
            long double wide = 0;
            const auto r = std::from_chars(t.data() + start, t.data() + t.size(), wide, std::chars_format::general);
            if (r.ec != std::errc() || wide >= 1.797693134862325e308L) RaiseOverflow();
            v = std::numeric_limits<double>::max();
            return negative ? -v : v;
        }
        v = 0;
    } else if (res.ec != std::errc()) {
        v = 0;
    }
    return negative ? -v : v;
}

// Length of the narrow decimal number at the start of s (whole text must match).
bool MatchesDecimal(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t intDigits = 0, fracDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++intDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++fracDigits;
    }
    if (intDigits + fracDigits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

// "&H" and hex digits, with an optional "&" that makes the value 32-bit.
bool MatchesHex(std::string_view s) {
    if (s.size() >= 4 && s.back() == '&') s.remove_suffix(1);
    if (s.size() < 3 || s[0] != '&' || (s[1] != 'H' && s[1] != 'h')) return false;
    for (char c : s.substr(2))
        if (HexValue(c) < 0) return false;
    return true;
}

// The value of a numeric text for the conversions; Type mismatch otherwise.
double TextToNumber(std::string_view s) {
    std::string_view t = TrimSpaces(s);
    if (MatchesHex(t)) {
        bool force32 = t.back() == '&';
        return RadixValue(t.substr(2, t.size() - 2 - (force32 ? 1 : 0)), 16, force32);
    }
    if (t.size() >= 3 && t[0] == '&' && (t[1] == 'O' || t[1] == 'o')) {
        bool ok = true;
        for (char c : t.substr(2)) ok = ok && c >= '0' && c <= '7';
        if (ok) return RadixValue(t.substr(2), 8, false);
    }
    if (!MatchesDecimal(t)) RaiseTypeMismatch();
    return ParseDecimal(t);
}

}  // namespace

bool IsNumericText(std::string_view s) {
    std::string_view t = TrimSpaces(s);
    return MatchesHex(t) || MatchesDecimal(t);
}

bool IsDecimalText(std::string_view s) { return MatchesDecimal(TrimSpaces(s)); }

std::optional<double> ReadStrictNumber(std::string_view s) {
    const std::string_view t = TrimSpaces(s);
    if (!MatchesDecimal(t)) return std::nullopt;
    try {
        const double x = Val(t);
        if (std::isfinite(x)) return x;
    } catch (const AppError&) {
    }
    return std::nullopt;
}

bool IsNumeric(const Variant& v) {
    switch (v.type()) {
        case VarType::String: return IsNumericText(v.rawString());
        case VarType::Null:
        case VarType::Array: return false;
        default: return true;
    }
}

double Val(std::string_view input) {
    std::string s;
    s.reserve(input.size());
    for (char c : input)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        int radix = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        std::size_t i = 2;
        while (i < s.size() && HexValue(s[i]) >= 0 && HexValue(s[i]) < radix) ++i;
        if (i == 2) return 0;
        bool force32 = i < s.size() && s[i] == '&';
        return RadixValue(std::string_view(s).substr(2, i - 2), radix, force32);
    }
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expStart = j;
        while (j < s.size() && IsDigit(s[j])) ++j;
        if (j > expStart) end = j;
    }
    return ParseDecimal(std::string_view(s).substr(0, end));
}

// ---- value -> number --------------------------------------------------------

double RoundHalfEven(double x) {
    double r = std::nearbyint(x);  // the default rounding mode is to nearest, ties to even
    if (std::fabs(x - std::trunc(x)) == 0.5) {
        double t = std::trunc(x);
        r = std::fmod(t, 2.0) == 0.0 ? t : t + (x > 0 ? 1.0 : -1.0);
    }
    return r;
}

namespace {

// The number a value stands for in a conversion: text must be numeric.
double NumberForConversion(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return 0.0;
        case VarType::Null: RaiseInvalidUseOfNull();
        case VarType::String: return TextToNumber(v.rawString());
        case VarType::Array:
        case VarType::Generic: RaiseTypeMismatch();
        default: return v.numberValue();
    }
}

double RoundedInRange(const Variant& v, double lo, double hi) {
    double x = NumberForConversion(v);
    if (std::isnan(x)) RaiseOverflow();
    double r = RoundHalfEven(x);
    if (r < lo || r > hi) RaiseOverflow();
    return r;
}

}  // namespace

double CDbl(const Variant& v) { return NumberForConversion(v); }

float CSng(const Variant& v) {
    double x = NumberForConversion(v);
    if (std::isfinite(x) && std::fabs(x) > FLT_MAX) RaiseOverflow();
    return static_cast<float>(x);
}

std::uint8_t CByte(const Variant& v) { return static_cast<std::uint8_t>(RoundedInRange(v, 0, 255)); }
std::int16_t CInt(const Variant& v) { return static_cast<std::int16_t>(RoundedInRange(v, INT16_MIN, INT16_MAX)); }
std::int32_t CLng(const Variant& v) { return static_cast<std::int32_t>(RoundedInRange(v, INT32_MIN, INT32_MAX)); }

bool CBool(const Variant& v) {
    switch (v.type()) {
        case VarType::Empty: return false;
        case VarType::Null: RaiseInvalidUseOfNull();
        case VarType::Boolean: return v.rawBool();
        case VarType::String: {
            std::string t = TrimWhite(v.rawString());
            if (EqualsNoCase(t, "True")) return true;
            if (EqualsNoCase(t, "False")) return false;
            if (!IsNumericText(t)) RaiseTypeMismatch();
            return TextToNumber(t) != 0.0;
        }
        case VarType::Array:
        case VarType::Generic: RaiseTypeMismatch();
        default: return v.numberValue() != 0.0;
    }
}

// ---- strings ----------------------------------------------------------------

std::vector<std::string> Split(std::string_view s, std::string_view delimiter) {
    std::vector<std::string> parts;
    if (delimiter.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t pos = s.find(delimiter, start);
        if (pos == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, pos - start));
        start = pos + delimiter.size();
    }
}

std::string Trim(std::string_view s) { return std::string(TrimSpaces(s)); }

std::string TrimWhite(std::string_view s) {
    auto white = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && white(s.front())) s.remove_prefix(1);
    while (!s.empty() && white(s.back())) s.remove_suffix(1);
    return std::string(s);
}

namespace {

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or
// returns -1 (and advances by one) for a malformed byte.
long DecodeUtf8(std::string_view s, std::size_t& i) {
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return -1;
    }
    long cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static const long kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

void AppendUtf8(std::string& out, long cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Case mapping must not follow the user's locale: a fixed UTF-8 C locale.
locale_t CaseLocale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (l == static_cast<locale_t>(nullptr)) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

template <class F>
std::string MapCase(std::string_view s, F map) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t start = i;
        long cp = DecodeUtf8(s, i);
        if (cp < 0) {
            out.append(s.substr(start, i - start));  // keep what is not UTF-8 as it is
            continue;
        }
        AppendUtf8(out, static_cast<long>(map(static_cast<wint_t>(cp))));
    }
    return out;
}

}  // namespace

std::string UCase(std::string_view s) {
    return MapCase(s, [](wint_t c) { return towupper_l(c, CaseLocale()); });
}
std::string LCase(std::string_view s) {
    return MapCase(s, [](wint_t c) { return towlower_l(c, CaseLocale()); });
}
bool EqualsNoCase(std::string_view a, std::string_view b) { return UCase(a) == UCase(b); }

std::size_t CharCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string BlankControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const bool c1 = b == 0xC2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
        if (b < 0x20 || b == 0x7F || c1) {
            out += ' ';
            if (c1) ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

std::string BlankLineSeparators(std::string_view utf8) {
    std::string out(utf8);
    // U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
    for (std::size_t at = out.find("\xE2\x80"); at != std::string::npos; at = out.find("\xE2\x80", at + 1)) {
        if (at + 2 < out.size() && (out[at + 2] == '\xA8' || out[at + 2] == '\xA9')) out.replace(at, 3, " ");
    }
    return out;
}

std::string CutCharacters(std::string_view utf8, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (chars++ == limit) return std::string(utf8.substr(0, i));
    }
    return std::string(utf8);
}

// ---- text encoding ----------------------------------------------------------

namespace {

// Windows-1252 code points of bytes 0x80 to 0x9F (0 where the code page has none).
constexpr long kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::string DecodeText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size() && valid;) valid = DecodeUtf8(bytes, i) >= 0;
    if (valid) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        long cp = b;
        if (b >= 0x80 && b < 0xA0) cp = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string EncodeWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        long cp = DecodeUtf8(utf8, i);
        if (cp < 0) {
            out.push_back('?');
        } else if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
        } else {
            char c = '?';
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == cp) c = static_cast<char>(0x80 + k);
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace nuvir
