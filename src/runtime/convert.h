#pragma once
// Conversions between values, numbers and text. Every data text the program writes or
// reads goes through these: they always use "." and never the user's locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace nuvir {

// ---- number -> text ---------------------------------------------------------
// The general text form of a Double: at most 15 significant digits, correctly
// rounded, no trailing zeros, "0.5" not ".5", exponent form ("1E-05", "1.23E+15")
// when the decimal exponent is below -4 or at least 15, negative zero as "0".
std::string FormatDouble(double x);
// The same text appended to out, without a temporary string: for writers of many
// numbers (the trial exports).
void AppendDouble(std::string& out, double x);
// The same for a Single, with 7 significant digits.
std::string FormatSingle(float x);
// The general text form of any value: numbers as above, Boolean "True"/"False",
// Empty "", strings unchanged. Null raises Invalid use of Null, arrays Type mismatch.
std::string CStr(const Variant& v);
// As CStr, but Null gives "" (how joins and list texts treat a missing value).
std::string TextOf(const Variant& v);
// The form numbers take in print output: one leading blank when not negative, the
// general text form, then one trailing blank. Non-numbers are their CStr text.
std::string PrintForm(const Variant& v);
// The form a number takes when printed into a data file line by line (the batch
// output): as PrintForm, but without the zero before the point of a number between
// -1 and 1, as that print statement wrote it: " .5 ", "-.25 ", " 1E-05 ".
std::string PrintFileForm(double x);
// The form of Str(): a leading blank when not negative, no trailing blank.
std::string StrForm(double x);
// A number's text without the zero before its point ("0.5" -> ".5", "-0.25" -> "-.25",
// " 0.5" -> " .5"); any other text as it is.
std::string WithoutLeadingZero(std::string number);

// Fixed decimals, pattern "0.00..." with `decimals` zeros (0 gives "0"): at least one
// integer digit, halves away from zero on the 15-significant-digit decimal text.
std::string FormatFixed(double x, int decimals);
// Pattern "0.000e-00" with `decimals` digits after the point (three there): one digit,
// the decimals, "e", a "-" only for negative exponents, at least two exponent digits
// ("1.500e02", "5.000e-02" with three).
std::string FormatScientific(double x, int decimals);

// The decimal digits of x rounded to `sig` significant digits (1..17), with its
// decimal exponent: x = 0.d1d2d3... * 10^(exp10 + 1). Zero gives "0" and exponent 0.
struct DecimalDigits {
    bool negative = false;
    std::string digits;  // no leading zeros unless x is zero, trailing zeros removed
    int exp10 = 0;       // exponent of the first digit
};
DecimalDigits ToDecimalDigits(double x, int sig);

// ---- text -> number ---------------------------------------------------------
// The narrow numeric test: blanks at either end ignored; an optional sign, digits
// with at most one ".", an optional exponent (E, sign, digits); or "&H" with hex
// digits. Empty text is not numeric. Numbers are numeric, Empty too; arrays,
// Null and other kinds are not.
bool IsNumeric(const Variant& v);
bool IsNumericText(std::string_view s);
// The decimal half of that test: no "&H".
bool IsDecimalText(std::string_view s);
// A number the analyst typed, read strictly: blanks at either end ignored, then a
// sign, digits with at most one ".", an optional exponent, and nothing else. No
// hexadecimal, no "nan", "inf" or "1,5", and nothing beyond the Double range.
std::optional<double> ReadStrictNumber(std::string_view s);

// The leading-number reader: blanks, tabs and line feeds ignored anywhere; a sign,
// digits, at most one ".", an exponent E or D with sign; "&H"/"&O" read hex/octal
// (up to 4 digits a signed 16-bit value, more a signed 32-bit one, a trailing "&"
// forces 32 bits); stops at the first character that cannot continue the number;
// no number gives 0. A result beyond the Double range raises Overflow.
double Val(std::string_view s);

// ---- value -> number / Boolean ----------------------------------------------
// Whole-number kinds round halves to even and raise Overflow outside their range.
// Text must be numeric (as above, also "&H"/"&O") or it raises Type mismatch; Null
// raises Invalid use of Null; Empty gives 0; True gives -1.
std::uint8_t CByte(const Variant& v);
std::int16_t CInt(const Variant& v);
std::int32_t CLng(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
// Text: "True"/"False" in any case, else a numeric text (non-zero is True), else
// Type mismatch. Numbers: non-zero is True. Empty: False.
bool CBool(const Variant& v);

// Nearest integer, halves to even, as a double (no range check).
double RoundHalfEven(double x);

// ---- strings ----------------------------------------------------------------
// Splits at every delimiter, keeping empty pieces; "" gives one empty piece.
std::vector<std::string> Split(std::string_view s, std::string_view delimiter);
// Removes blanks (spaces only) at both ends.
std::string Trim(std::string_view s);
// Removes blanks, tabs, carriage returns and line feeds at both ends: readers of
// codes and fields use it, so a line read with a trailing CR keeps its last field.
std::string TrimWhite(std::string_view s);
// Upper and lower case of UTF-8 text, correct for non-ASCII letters.
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
// Case-insensitive equality of UTF-8 texts.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Characters of UTF-8 text (bytes that do not continue a character).
std::size_t CharCount(std::string_view utf8);
// UTF-8 text with each control character made one blank: C0 (tab, CR and LF among
// them), DEL, and C1 (U+0080 to U+009F, which a Windows-1252 byte without a character
// of its own becomes; U+0085 breaks lines). Other bytes stay as they are.
std::string BlankControls(std::string_view utf8);
// UTF-8 text with each line separator U+2028 and paragraph separator U+2029 made one
// blank: a text box breaks its lines at them, and hands them back as line ends.
std::string BlankLineSeparators(std::string_view utf8);
// At most `limit` characters of UTF-8 text.
std::string CutCharacters(std::string_view utf8, std::size_t limit);

// ---- text encoding ----------------------------------------------------------
// Bytes of a text file as UTF-8: valid UTF-8 (a leading byte-order mark removed) is
// taken as it is, anything else is read as Windows-1252.
std::string DecodeText(std::string_view bytes);
// UTF-8 text as Windows-1252 bytes ('?' for what it cannot hold).
std::string EncodeWindows1252(std::string_view utf8);

}  // namespace nuvir
