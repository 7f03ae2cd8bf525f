// The photos and places the print and export benchmarks put on the sheet.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QRect>
#include <algorithm>
#include <functional>
#include <vector>

// A 3000 x 2000 photo: a gradient with some grain, so that it neither
// compresses to nothing nor reduces trivially; `i` varies the grain.
inline QImage GrainPhoto(int i) {
    QImage img(3000, 2000, QImage::Format_RGB32);
    QRandomGenerator rng(42 + i);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qRgb(x * 255 / 3000, y * 255 / 2000, int(rng.bounded(64)) + 96);
    }
    return img;
}

// The page-pixel bounds of the i-th picture: five to a row.
inline QRect SheetBounds(int i) {
    return QRect(40 + (i % 5) * 160, 40 + (i / 5) * 130, 150, 100);
}

// The median of five runs of work, in milliseconds; prepare, unmeasured,
// before each.
inline qint64 MedianOfFive(
    const std::function<void()>& work, const std::function<void()>& prepare = [] {}) {
    std::vector<qint64> times;
    for (int r = 0; r < 5; ++r) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.elapsed());
    }
    std::sort(times.begin(), times.end());
    return times[2];
}
