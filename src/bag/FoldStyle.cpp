#include "FoldStyle.h"

#include "platform/Rounding.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {
// Beyond this many pattern periods along one polyline the device scale is
// absurd (a fraction of a pixel per millimetre); the line is drawn solid.
constexpr double kMaxPeriods = 100000;

bool UsableScale(TPixelsPerMm scale) {
    return std::isfinite(scale.X) && std::isfinite(scale.Y) && scale.X > 0 && scale.Y > 0;
}

bool UsablePattern(const QVector<double>& pattern) {
    return !pattern.isEmpty() && std::all_of(pattern.begin(), pattern.end(), [](double length) {
        return std::isfinite(length) && length > 0;
    });
}

// Length of a device segment in millimetres of the sheet.
double LengthMm(QPoint a, QPoint b, TPixelsPerMm scale) {
    return std::hypot((b.x() - a.x()) / scale.X, (b.y() - a.y()) / scale.Y);
}

// The device pixel at fraction t of the way from a to b.
QPoint PointAt(QPoint a, QPoint b, double t) {
    return {a.x() + int(RoundHalfEven((b.x() - a.x()) * (long double)t)),
            a.y() + int(RoundHalfEven((b.y() - a.y()) * (long double)t))};
}

// Walks the pattern along a polyline, keeping its place over the corners.
class TDashWalk {
public:
    explicit TDashWalk(const QVector<double>& pattern)
        : pattern_(pattern), left_(pattern.first()) {}

    void Segment(QPoint a, QPoint b, double lengthMm, QVector<QVector<QPoint>>& pieces) {
        double at = 0;
        while (lengthMm - at > 0) {
            const double step = std::min(left_, lengthMm - at);
            if (index_ % 2 == 0) {
                const QPoint from = PointAt(a, b, at / lengthMm);
                const QPoint to = PointAt(a, b, (at + step) / lengthMm);
                if (from != to)
                    pieces.append({from, to});
            }
            at += step;
            left_ -= step;
            if (left_ <= 0) {
                index_ = (index_ + 1) % pattern_.size();
                left_ = pattern_[index_];
            }
        }
    }

private:
    const QVector<double>& pattern_;
    qsizetype index_ = 0;
    double left_;
};
} // namespace

QVector<double> FoldDashPattern(TNetRole role) {
    switch (role) {
    case TNetRole::Valley:
        return {3.0, 1.5};
    case TNetRole::Mountain:
        return {3.0, 1.0, 0.5, 1.0};
    case TNetRole::None:
        break;
    }
    return {};
}

QVector<QVector<QPoint>> DashPieces(const QVector<QPoint>& points, const QVector<double>& patternMm,
                                    TPixelsPerMm scale) {
    if (!UsablePattern(patternMm) || !UsableScale(scale) || points.size() < 2)
        return {points};
    const double period = std::accumulate(patternMm.begin(), patternMm.end(), 0.0);
    double total = 0;
    for (qsizetype i = 0; i + 1 < points.size(); ++i)
        total += LengthMm(points[i], points[i + 1], scale);
    if (total / period > kMaxPeriods)
        return {points};

    QVector<QVector<QPoint>> pieces;
    TDashWalk walk(patternMm);
    for (qsizetype i = 0; i + 1 < points.size(); ++i)
        walk.Segment(points[i], points[i + 1], LengthMm(points[i], points[i + 1], scale), pieces);
    return pieces;
}
