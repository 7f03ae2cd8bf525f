#include "PictureControl.h"

#include "Errors.h"

#include <QMouseEvent>
#include <QPainter>

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 105, 105);
    setMouseTracking(true);
    // A non-windowed control: a press on it leaves the keyboard focus where
    // it was.
    setFocusPolicy(Qt::NoFocus);
    // Pixels shown for what the file held before it was written are shown
    // again from what was read.
    connect(HeldPictureChanges(), &THeldPictureChanges::FileChanged, this, [this] {
        if (held_ && held_->FoundChanged() && shownBeforeChange_) {
            SetShown(QImage());
            UpdateOpacity();
            update();
        }
    });
}

QImage TPictureControl::Picture() const {
    return held_ ? held_->Decode(held_->Size(), PictureRoom()) : QImage();
}

void TPictureControl::SetPicture(const QImage& picture) {
    SetPicture(picture.isNull() ? nullptr : std::make_shared<const THeldPicture>(picture));
}

void TPictureControl::SetPicture(const THeldPicturePtr& held, const QImage& decoded) {
    held_ = held;
    SetShown(held_ ? ShownPicture(decoded, ShownSize(), stretch_) : QImage());
    UpdateOpacity();
    update();
}

void TPictureControl::SetStretch(bool s) {
    if (stretch_ == s)
        return;
    stretch_ = s;
    SetShown(QImage());
    UpdateOpacity();
    update();
}

// Where the picture covers the whole control without transparency, Qt need
// not paint the page and the net beneath it: that keeps the repaints of a
// drag outline over many pictures as cheap as over none.
void TPictureControl::UpdateOpacity() {
    const QSize own = held_ ? held_->Size() : QSize();
    const bool covers = stretch_ || (own.width() >= width() && own.height() >= height());
    setAttribute(Qt::WA_OpaquePaintEvent, held_ && !held_->HasAlpha() && covers);
}

void TPictureControl::LoadFromFile(const QString& path, qint64 room) {
    const TReadPicture read = THeldPicture::ReadFile(path, DecodeSizeFor(size(), stretch_), room);
    SetPicture(read.Held, read.Decoded);
}

QSize TPictureControl::ShownSize() const {
    return ::ShownSize(size(), held_ ? held_->Size() : size(), stretch_);
}

// Stretched pixels are kept on disk too, for the next start to show them.
void TPictureControl::SetShown(const QImage& shown) {
    shown_ = shown;
    shownBeforeChange_ = !shown_.isNull() && !held_->FoundChanged();
    shownUse_.Set(held_ && held_->Shares(shown_) ? 0 : shown_.sizeInBytes());
    if (shown_.isNull() || !stretch_)
        return;
    if (const std::optional<TShownKey> key = held_->ShownKey(shown_.size()))
        KeepShown(*key, shown_);
}

// A picture whose decode fails here (no memory left, say) shows nothing
// until a later paint decodes it.
const QImage& TPictureControl::Shown() {
    if (shown_.isNull() || shown_.size() != ShownSize()) {
        const QSize want = ShownSize();
        try {
            const QSize atLeast = stretch_ ? want : held_->Size();
            SetShown(ShownPicture(held_->Decode(atLeast, PictureRoom()), want, stretch_));
        } catch (const EError&) {
            SetShown(QImage());
        }
    }
    return shown_;
}

void TPictureControl::paintEvent(QPaintEvent*) {
    if (!held_ || width() <= 0 || height() <= 0)
        return;
    const QImage& shown = Shown();
    if (shown.isNull())
        return;
    QPainter p(this);
    if (!stretch_ || shown.size() == size())
        p.drawImage(QPoint(0, 0), shown);
    else
        p.drawImage(rect(), shown);
}

void TPictureControl::resizeEvent(QResizeEvent*) {
    if (shown_.size() != ShownSize())
        SetShown(QImage());
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
