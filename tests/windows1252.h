#pragma once
// The upper half of Windows-1252 as the code page's published map (cp1252.txt of the
// Unicode consortium's vendor mappings) gives it, for the tests of every reader that
// falls back to it: bytes 0x80 to 0x9F as listed there, 0xA0 to 0xFF the Latin-1
// characters of the same number.
//
// Five bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) have no character in that map. The
// readers keep each as the C1 control of its own number (U+0081 ...), as Windows'
// own conversion does, so no byte of an analyst's file is lost or merged with another.
#include <string>

namespace nuvir::test {

inline constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The byte's character (0x80 to 0xFF) as UTF-8, written out by hand.
inline std::string Windows1252Character(unsigned char byte) {
    const char32_t c = byte < 0xA0 ? kWindows1252High[byte - 0x80] : char32_t{byte};
    std::string out;
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

inline bool Windows1252Undefined(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// "0x80" ... for a case's name.
inline std::string ByteName(unsigned char byte) {
    static const char* const kHex = "0123456789ABCDEF";
    return std::string("0x") + kHex[byte >> 4] + kHex[byte & 15];
}

}  // namespace nuvir::test
