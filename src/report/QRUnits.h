#pragma once
// Report units: lengths are stored in native units (tenths of a millimetre)
// and read or written in the unit a size object or page is set to.

enum class TQRUnit { MM = 0, Inches = 1, Pixels = 2, Characters = 3, Native = 4 };

// Native -> unit and unit -> native. Pixels depend on the screen resolution
// (pixels per inch) and the zoom in percent. Characters is not used by this
// program and converts like Native.
long double FromNative(TQRUnit unit, long double v, int resolution, int zoom);
long double ToNative(TQRUnit unit, long double x, int resolution, int zoom);
