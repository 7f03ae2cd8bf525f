#pragma once
// The rounding of every pixel count in the system. Pure arithmetic, usable
// without a display.

// Round half to even, the rounding used for every pixel count in the system.
long long RoundHalfEven(long double v);
// round(num / den) for integers, exact halves to the even neighbour; den > 0.
long long RoundDiv(long long num, long long den);
