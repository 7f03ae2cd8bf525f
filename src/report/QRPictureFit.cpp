#include "QRPictureFit.h"

#include <QColorSpace>
#include <QList>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int kRowsPerBand = 64;
// Drawn this far inside its device rectangle, a picture's edges never touch
// the pixels beyond it. A rasteriser that fills every pixel an image touches
// (the PDF one does) would otherwise give it one more column and row and
// stretch it by that pixel, blending where it should take pixels one to one.
constexpr qreal kEdgeInset = 1.0 / 64;

// One axis of the fit: the source pixels that travel, in order, and the
// device span they are drawn into.
struct TAxisFit {
    QList<int> Source;
    double Start = 0;
    double Extent = 0;
    bool Whole = false; // every source pixel once, in order
};

// The source pixel under the centre of device pixel d of a target n pixels
// long: floor((d + 1/2) * s / n).
int SourceUnder(long long d, long long s, long long n) {
    return int(((2 * d + 1) * s) / (2 * n));
}

// Device pixels [lo, hi) of a target [start, start + n) show a source of s
// pixels. Reduced (n <= s): one source pixel per device pixel. Enlarged: each
// source pixel shown, once, over the span the device gives it; but where one
// source pixel is larger than all that shows of the picture (bounds far
// beyond the sheet), one per device pixel too, so that no device is asked to
// scale a picture far beyond the page.
TAxisFit FitAxis(int s, int start, int n, int lo, int hi) {
    TAxisFit fit;
    lo = std::max(lo, start);
    hi = int(std::min<long long>(hi, (long long)start + n));
    if (s <= 0 || n <= 0 || lo >= hi)
        return fit;
    if (n <= s || n > (long long)s * (hi - lo)) {
        fit.Source.reserve(hi - lo);
        for (int d = lo; d < hi; ++d)
            fit.Source.append(SourceUnder(d - start, s, n));
        fit.Start = lo;
        fit.Extent = hi - lo;
    } else {
        const int first = SourceUnder(lo - start, s, n);
        const int last = SourceUnder(hi - 1 - start, s, n);
        for (int j = first; j <= last; ++j)
            fit.Source.append(j);
        fit.Start = start + double(first) * n / s;
        fit.Extent = double(last + 1 - first) * n / s;
    }
    fit.Whole = fit.Source.size() == s && fit.Source.front() == 0 && fit.Source.back() == s - 1;
    return fit;
}

// The same on a grid of cells `grid` device pixels each way (grid < 1):
// the target's n device pixels hold m = ceil(n * grid) cells, and the
// cells that the visible device pixels touch are fitted, then mapped back.
TAxisFit FitAxisOnGrid(int s, int start, int n, int lo, int hi, double grid) {
    lo = std::max(lo, start);
    hi = int(std::min<long long>(hi, (long long)start + n));
    if (grid >= 1 || n <= 0 || lo >= hi)
        return FitAxis(s, start, n, lo, hi);
    const int m = std::max(1, int(std::ceil(n * grid - 1e-9)));
    const int cellLo = int(std::floor(double(lo - start) * m / n));
    const int cellHi = int(std::ceil(double(hi - start) * m / n));
    TAxisFit fit = FitAxis(s, 0, m, cellLo, cellHi);
    fit.Start = start + fit.Start * n / m;
    fit.Extent = fit.Extent * n / m;
    return fit;
}

bool Consecutive(const QList<int>& columns) {
    return columns.back() - columns.front() + 1 == columns.size();
}

void PickBits(const uchar* from, uchar* to, const QList<int>& columns, bool lsbFirst) {
    std::memset(to, 0, (columns.size() + 7) / 8);
    for (int x = 0; x < columns.size(); ++x) {
        const int j = columns[x];
        const int bit =
            lsbFirst ? (from[j >> 3] >> (j & 7)) & 1 : (from[j >> 3] >> (7 - (j & 7))) & 1;
        if (bit)
            to[x >> 3] |= lsbFirst ? uchar(1 << (x & 7)) : uchar(0x80 >> (x & 7));
    }
}

void PickBytes(const uchar* from, uchar* to, const QList<int>& columns, int bytes) {
    if (Consecutive(columns)) {
        std::memcpy(to, from + qsizetype(columns.front()) * bytes,
                    qsizetype(columns.size()) * bytes);
    } else if (bytes == 4) {
        const auto* in = reinterpret_cast<const quint32*>(from);
        auto* out = reinterpret_cast<quint32*>(to);
        for (int x = 0; x < columns.size(); ++x)
            out[x] = in[columns[x]];
    } else {
        for (int x = 0; x < columns.size(); ++x)
            std::memcpy(to + qsizetype(x) * bytes, from + qsizetype(columns[x]) * bytes, bytes);
    }
}

// The picked rows and columns of the picture, in its own format; null when
// cancelled or when the memory cannot be had.
QImage Pick(const QImage& picture, const TAxisFit& columns, const TAxisFit& rows,
            const TQRCancelCheck& cancelled) {
    QImage out(int(columns.Source.size()), int(rows.Source.size()), picture.format());
    if (out.isNull())
        return {};
    out.setColorTable(picture.colorTable());
    out.setColorSpace(picture.colorSpace());
    const int depth = picture.depth();
    const bool lsbFirst = picture.format() == QImage::Format_MonoLSB;
    for (int y = 0; y < out.height(); ++y) {
        if (y % kRowsPerBand == 0 && cancelled && cancelled())
            return {};
        const uchar* from = picture.constScanLine(rows.Source[y]);
        if (depth == 1)
            PickBits(from, out.scanLine(y), columns.Source, lsbFirst);
        else
            PickBytes(from, out.scanLine(y), columns.Source, depth / 8);
    }
    return out;
}
} // namespace

TQRFittedPicture FitPicture(const QImage& picture, const TQRPicturePlacement& placement,
                            const TQRCancelCheck& cancelled, double grid) {
    const QRect& t = placement.Target;
    const QRect& v = placement.Visible;
    const TAxisFit columns =
        FitAxisOnGrid(picture.width(), t.left(), t.width(), v.left(), v.left() + v.width(), grid);
    const TAxisFit rows =
        FitAxisOnGrid(picture.height(), t.top(), t.height(), v.top(), v.top() + v.height(), grid);
    if (columns.Source.isEmpty() || rows.Source.isEmpty() || (cancelled && cancelled()))
        return {};
    TQRFittedPicture fitted;
    fitted.Image = columns.Whole && rows.Whole ? picture : Pick(picture, columns, rows, cancelled);
    if (fitted.Image.isNull())
        return {};
    fitted.Target = QRectF(columns.Start, rows.Start, columns.Extent, rows.Extent);
    fitted.Clip = v & t;
    return fitted;
}

void DrawFittedPicture(QPainter& painter, const TQRFittedPicture& fitted, bool lossless) {
    if (fitted.Image.isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, lossless);
    painter.setClipRect(fitted.Clip, Qt::IntersectClip);
    painter.drawImage(fitted.Target.adjusted(kEdgeInset, kEdgeInset, -kEdgeInset, -kEdgeInset),
                      fitted.Image);
    painter.restore();
}
