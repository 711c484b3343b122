#pragma once
// The few fixed number and date patterns the results and the report show, written
// with "." whatever the locale, as every data text of the program.
#include <string>

namespace nuvir {

// Pattern ".000" (decimals zeros): no integer digit when it is 0 (".123", "-.123"),
// "1.000" otherwise; halves away from zero as FormatFixed.
std::string FormatNoLeadingZero(double x, int decimals);
// Pattern "0.0#####": at least one and at most six decimals, trailing zeros dropped
// from the optional ones ("0.5", "1.0", "0.123457").
std::string FormatUpToSixDecimals(double x);
// Pattern "DD-MMM-YYYY" with English month abbreviations ("06-Dec-2026").
std::string FormatDateDMY(int year, int month, int day);

}  // namespace nuvir
