#include "simulation/ran1.h"

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "runtime/rnd.h"

namespace nuvir::MUtilities::ran1_detail {

Ran1State state;

void Seed(std::int32_t& idum) {
    Ran1State& s = state;
    s.iff = 1;
    // Only the first call of the process gets here without a negative seed.
    if (idum >= 0) idum = -static_cast<std::int32_t>(std::floor(Timer()));
    const std::int64_t start = static_cast<std::int64_t>(IC1) - idum;
    if (start > std::numeric_limits<std::int32_t>::max()) RaiseOverflow();
    s.ix1 = static_cast<std::int32_t>(start) % M1;
    s.ix1 = (IA1 * s.ix1 + IC1) % M1;
    s.ix2 = s.ix1 % M2;
    s.ix1 = (IA1 * s.ix1 + IC1) % M1;
    s.ix3 = s.ix1 % M3;
    for (std::size_t j = 1; j <= 97; ++j) {
        s.ix1 = (IA1 * s.ix1 + IC1) % M1;
        s.ix2 = (IA2 * s.ix2 + IC2) % M2;
        s.r[j] = (static_cast<double>(s.ix1) + static_cast<double>(s.ix2) * RM2) * RM1;
    }
    idum = 1;
}

void AbnormalExit() { RaiseComponentError("Abnormal exit from custom PRNG (ran1)"); }

}  // namespace nuvir::MUtilities::ran1_detail
