#include "ImageEx.h"

#include <QFileInfo>
#include <QPainter>

namespace {
constexpr int kNameInset = 3;

// A thin grey frame over a grey hatch, and the file's name inside, clipped
// to the frame.
void DrawPlaceholder(QWidget& control, const QString& fileName) {
    if (control.width() <= 0 || control.height() <= 0)
        return;
    QPainter p(&control);
    const QRect frame = control.rect().adjusted(0, 0, -1, -1);
    p.setPen(QColor(Qt::gray));
    p.setBrush(QBrush(QColor(Qt::gray), Qt::BDiagPattern));
    p.drawRect(frame);
    const QRect text = frame.adjusted(kNameInset, kNameInset, -kNameInset, -kNameInset);
    p.setClipRect(text);
    p.setPen(QColor(Qt::black));
    p.drawText(text, Qt::AlignCenter | Qt::TextWrapAnywhere, QFileInfo(fileName).fileName());
}
} // namespace

void TImageEx::SetPlaceholder(bool on) {
    placeholder_ = on;
    update();
}

void TImageEx::paintEvent(QPaintEvent* event) {
    if (placeholder_)
        DrawPlaceholder(*this, fileName_);
    else
        TPictureControl::paintEvent(event);
}
