#include "Rounding.h"

#include <cmath>

long long RoundHalfEven(long double v) {
    return static_cast<long long>(std::nearbyintl(v));
}

long long RoundDiv(long long num, long long den) {
    long long q = num / den;
    long long r = num % den;
    if (r < 0) { // floor division for negative numerators
        --q;
        r += den;
    }
    const long long twice = 2 * r;
    if (twice > den || (twice == den && (q & 1) != 0))
        ++q;
    return q;
}
