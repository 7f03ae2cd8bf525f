#include "QRUnits.h"

long double FromNative(TQRUnit unit, long double v, int resolution, int zoom) {
    switch (unit) {
    case TQRUnit::MM:
        return v / 10.0L;
    case TQRUnit::Inches:
        return v / kNativePerInch;
    case TQRUnit::Pixels:
        return v / (kNativePerInch / resolution) * zoom / 100.0L;
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
        return x * kNativePerInch;
    case TQRUnit::Pixels:
        return x * (kNativePerInch / resolution) / zoom * 100.0L;
    case TQRUnit::Characters:
    case TQRUnit::Native:
        break;
    }
    return x;
}
