#include "QRUnits.h"

long double FromNative(TQRUnit unit, long double v, int resolution, int zoom) {
    switch (unit) {
    case TQRUnit::MM:
        return v / 10.0L;
    case TQRUnit::Inches:
        return v / 254.0L;
    case TQRUnit::Pixels:
        return v / (254.0L / resolution) * zoom / 100.0L;
    case TQRUnit::Characters:
    case TQRUnit::Native:
        break;
    }
    return v;
}

long double ToNative(TQRUnit unit, long double x, int resolution, int zoom) {
    switch (unit) {
    case TQRUnit::MM:
        return x * 10.0L;
    case TQRUnit::Inches:
        return x * 254.0L;
    case TQRUnit::Pixels:
        return x * (254.0L / resolution) / zoom * 100.0L;
    case TQRUnit::Characters:
    case TQRUnit::Native:
        break;
    }
    return x;
}
