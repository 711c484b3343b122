#pragma once
// The chain picture of the built-in report template: a 760 x 346 one-bit PNG as
// lower-case hex digits in lines of 128 separated by CR LF.
namespace nuvir {
extern const char* const kChainPictureHex;
}
