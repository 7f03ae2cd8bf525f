#include "PictureControl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
// Scaled copies beyond this size are not kept; such a control is drawn
// straight from the picture, clipped to what is visible.
constexpr qint64 kMaxScaledPixels = 16'000'000;
} // namespace

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 105, 105);
    setMouseTracking(true);
    // A non-windowed control: a press on it leaves the keyboard focus where
    // it was.
    setFocusPolicy(Qt::NoFocus);
}

void TPictureControl::SetPicture(const QImage& picture) {
    picture_ = picture;
    scaled_ = QImage();
    UpdateOpacity();
    update();
}

void TPictureControl::SetStretch(bool s) {
    if (stretch_ == s)
        return;
    stretch_ = s;
    UpdateOpacity();
    update();
}

// Where the picture covers the whole control without transparency, Qt need
// not paint the page and the net beneath it: that keeps the repaints of a
// drag outline over many pictures as cheap as over none.
void TPictureControl::UpdateOpacity() {
    const bool covers = stretch_ || (picture_.width() >= width() && picture_.height() >= height());
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !picture_.isNull() && !picture_.hasAlphaChannel() && covers);
}

void TPictureControl::LoadFromFile(const QString& path, qint64 room) {
    SetPicture(LoadPictureFile(path, room));
}

const QImage& TPictureControl::ScaledCopy() {
    if (scaled_.size() != size())
        scaled_ = picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return scaled_;
}

void TPictureControl::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    QPainter p(this);
    if (!stretch_ || picture_.size() == size())
        p.drawImage(QPoint(0, 0), picture_);
    else if (qint64(width()) * height() <= kMaxScaledPixels)
        p.drawImage(QPoint(0, 0), ScaledCopy());
    else
        p.drawImage(rect(), picture_);
}

void TPictureControl::resizeEvent(QResizeEvent*) {
    if (scaled_.size() != size())
        scaled_ = QImage();
    UpdateOpacity();
}

void TPictureControl::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TPictureControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, Qt::NoButton, event->modifiers(), at.x(), at.y());
}
