#pragma once
// The colour type of the data files and the options, without the window system: the
// conversions to and from Qt's colours are in picturebox.h.
#include <cstdint>

namespace nuvir {

// A colour as the data files and options hold it: 0x00BBGGRR. Values with the top
// bit set (0x80000000 | index) name a system colour of the window style.
using Colour = std::int32_t;

// The colour a caller builds from its parts (each 0..255).
constexpr Colour RGBColour(int r, int g, int b) {
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

}  // namespace nuvir
