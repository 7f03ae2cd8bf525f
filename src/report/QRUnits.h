#pragma once
// Report units: lengths are stored in native units (tenths of a millimetre)
// and read or written in the unit a size object or page is set to.

// Native units per inch: an inch is 25.4 mm, 254 tenths of a millimetre.
inline constexpr long double kNativePerInch = 254.0L;
inline constexpr long double kNativePerMm = 10.0L;
inline constexpr double kMillimetresPerInch = 25.4;
// The screen resolution the page and its printables are laid out at.
inline constexpr int kScreenPixelsPerInch = 96;
// Screen pixels per millimetre on the page at zoom 80 (96 / 25.4 x 0.8,
// rounded as the window has always rounded it).
inline constexpr long double kScreenPixelsPerMmAtZoom80 = 3.02L;
// The ruler's steps per inch: one step is half a centimetre (25.4 / 5).
inline constexpr long double kRulerStepsPerInch = 5.08L;

enum class TQRUnit { MM = 0, Inches = 1, Pixels = 2, Characters = 3, Native = 4 };

// Native -> unit and unit -> native. Pixels depend on the screen resolution
// (pixels per inch) and the zoom in percent. Characters is not used by this
// program and converts like Native.
long double FromNative(TQRUnit unit, long double v, int resolution, int zoom);
long double ToNative(TQRUnit unit, long double x, int resolution, int zoom);
