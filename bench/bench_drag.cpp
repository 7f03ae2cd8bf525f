// Cost of one drag-outline update (the drag-over step and the repaint it
// causes) with 30 placed 4000 x 3000 pictures against the same with none,
// and the cost of a full repaint of the layer with those 30 pictures.
#include "Form1Access.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int kPictures = 30;
constexpr int kSteps = 400;

// Carries out the window's pending repaint now, as the next frame would.
void Flush(TForm1& form) {
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(form.windowHandle(), &request);
}

void Place(TForm1& form, const QString& file) {
    for (int i = 0; i < kPictures; ++i)
        form.AddPlacedImage(file, QRect(10 + (i % 6) * 145, 10 + (i / 6) * 120, 150, 125), true);
}

// Microseconds per outline update while dragging a 150 x 125 rectangle
// across the page, one pixel per step.
double OutlineUpdate(TForm1& form, TImageEx* source) {
    const QPoint grab(75, 60); // the middle: the drag moves the picture
    TForm1Access::Hover(form, source, grab);
    form.GrabImage(source, grab);
    const QPoint start = source->pos() + grab;
    for (int i = 0; i < 20; ++i) { // warm up: scaled copies, caches
        TForm1Access::DragOver(form, source, start + QPoint(i, i));
        Flush(form);
    }
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kSteps; ++i) {
        const QPoint at = start + QPoint(20 + i, 20 + i / 2);
        TForm1Access::DragOver(form, source, at);
        Flush(form);
    }
    const double us = double(t.nsecsElapsed()) / 1000.0 / kSteps;
    TForm1Access::ReleaseCursor(form);
    return us;
}

double FullRepaint(TForm1& form) {
    constexpr int kRounds = 20;
    form.RefreshLayer();
    Flush(form);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kRounds; ++i) {
        form.RefreshLayer();
        Flush(form);
    }
    return double(t.nsecsElapsed()) / 1e6 / kRounds;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString big = dir.filePath("big.jpg");
    const QString small = dir.filePath("small.bmp");
    QImage picture(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    picture.save(big, "JPEG", 90);
    picture.scaled(150, 125).save(small);

    TForm1 bare;
    bare.show();
    if (!QTest::qWaitForWindowExposed(&bare))
        return 1;
    TImageEx* bareSource = bare.AddPlacedImage(small, QRect(10, 10, 150, 125), true);
    bareSource->hide(); // the dragged picture alone, not drawn: no pictures on the layer

    TForm1 full;
    full.show();
    if (!QTest::qWaitForWindowExposed(&full))
        return 1;
    QElapsedTimer load;
    load.start();
    Place(full, big);
    const double loadMs = double(load.elapsed());
    // The machine is shared: rounds alternate between the two windows and
    // the best round of each counts.
    double none = 1e300, with30 = 1e300, repaint = 1e300, repaintBare = 1e300;
    for (int round = 0; round < 5; ++round) {
        none = std::min(none, OutlineUpdate(bare, bareSource));
        with30 = std::min(with30, OutlineUpdate(full, full.PlacedImages().first()));
        repaintBare = std::min(repaintBare, FullRepaint(bare));
        repaint = std::min(repaint, FullRepaint(full));
    }

    std::printf("load 30 pictures of 4000 x 3000 (JPEG):  %.0f ms\n", loadMs);
    std::printf("drag outline update, no pictures:        %.1f us\n", none);
    std::printf("drag outline update, 30 pictures:        %.1f us\n", with30);
    std::printf("ratio (target < 1.5):                    %.2f\n", with30 / none);
    std::printf("full layer repaint, no pictures:         %.2f ms\n", repaintBare);
    std::printf("full layer repaint, 30 pictures:         %.2f ms\n", repaint);
    return 0;
}
