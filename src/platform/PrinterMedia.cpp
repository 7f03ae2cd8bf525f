#include "PrinterMedia.h"

#include <cmath>
#include <cups/cups.h>

namespace {
constexpr double kToleranceMm = 1.5;

// CUPS sizes are hundredths of a millimetre.
QSize ClosestMedia(cups_dest_t* dest, cups_dinfo_t* info, QSizeF mm) {
    QSize best;
    double bestError = kToleranceMm * 2;
    const int count =
        cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT,
                                     &size))
            continue;
        const double w = std::min(size.width, size.length) / 100.0;
        const double l = std::max(size.width, size.length) / 100.0;
        const double dw = std::abs(w - mm.width());
        const double dl = std::abs(l - mm.height());
        if (dw <= kToleranceMm && dl <= kToleranceMm && dw + dl < bestError) {
            bestError = dw + dl;
            best = QSize(int(std::lround(w * 72 / 25.4)), int(std::lround(l * 72 / 25.4)));
        }
    }
    return best;
}
} // namespace

QSize ServerMediaPoints(const QString& printer, QSizeF mm) {
    const QByteArray name = printer.toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return {};
    QSize points;
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        points = ClosestMedia(dest, info, mm);
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return points;
}
