#pragma once
// A shown main window with pictures placed on its layer, and the pointer and
// screen helpers the image-layer tests share. Pointer events go through the
// window, so Qt finds the control under the pointer as it would for a user.

#include "PaintSupport.h"
#include "bag/ImageEx.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

class LayerFixture {
public:
    LayerFixture() {
        form.show();
        exposed = QTest::qWaitForWindowExposed(&form);
    }

    // A picture file of one colour.
    QString Picture(const QString& name, QSize size, QColor colour) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = dir.filePath(name);
        img.save(path);
        return path;
    }
    TImageEx* Place(QRect bounds, QColor colour = Qt::red) {
        const QString path = Picture(QStringLiteral("p%1.bmp").arg(++count), bounds.size(), colour);
        return form.AddPlacedImage(path, bounds, true);
    }

    // Window coordinates of a point of the layer.
    QPoint At(QPoint layer) const { return form.TransPanel1->mapTo(&form, layer); }
    // Moves the pointer (with or without a button held).
    void Hover(QPoint layer) { QTest::mouseMove(form.windowHandle(), At(layer)); }
    void Press(QPoint layer, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(form.windowHandle(), b, {}, At(layer));
    }
    void Release(QPoint layer, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(form.windowHandle(), b, {}, At(layer));
    }
    // Press and release on the spot: a click, no drag.
    void Click(QPoint layer, Qt::MouseButton b = Qt::LeftButton) {
        Press(layer, b);
        Release(layer, b);
    }
    // Hover to pick the edge zone, then press, drag and release.
    void Drag(QPoint from, QPoint to) {
        Hover(from);
        Press(from);
        Hover(to);
        Release(to);
    }

    // What the window shows once pending repaints are done, in layer
    // coordinates.
    QImage Screen() {
        const QImage shot = ShownImage(form);
        const QPoint o = At(QPoint(0, 0));
        return shot.copy(QRect(o, form.TransPanel1->size())).convertToFormat(QImage::Format_RGB32);
    }

    TForm1 form;
    QTemporaryDir dir;
    bool exposed = false;
    int count = 0;
};

inline QRgb Inverted(QRgb c) {
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}
