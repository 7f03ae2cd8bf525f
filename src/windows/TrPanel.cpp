#include "TrPanel.h"

#include "platform/CursorClip.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>

TTransPanel::TTransPanel(QWidget* parent) : QWidget(parent) {
    color_ = FromQColor(palette().color(QPalette::Button));
    resize(185, 41);
    setAttribute(Qt::WA_OpaquePaintEvent);
    clipAtCreation_ = clipToRestore_ = TCursorClip::Instance().Current();
    // Made with MouseClipBack still false, this releases any confinement.
    SetMouseClip(false);
}

TTransPanel::~TTransPanel() {
    if (mouseClipBack_)
        TCursorClip::Instance().Restore(clipAtCreation_);
    else
        TCursorClip::Instance().Release();
}

void TTransPanel::FitToParent() {
    const QSize s = parentWidget()->size();
    setGeometry(1, 1, qMax(0, s.width() - 2), qMax(0, s.height() - 2));
}

void TTransPanel::Invalidate() {
    if (!transparent_)
        update();
}

void TTransPanel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TTransPanel::SetBevelInner(TPanelBevel b) {
    bevelInner_ = b;
    Invalidate();
}

void TTransPanel::SetBevelOuter(TPanelBevel b) {
    bevelOuter_ = b;
    Invalidate();
}

void TTransPanel::SetBevelWidth(int w) {
    bevelWidth_ = qMax(1, w);
    Invalidate();
}

void TTransPanel::SetBorderWidth(int w) {
    borderWidth_ = qMax(0, w);
    Invalidate();
}

void TTransPanel::SetMouseClip(bool clip) {
    TCursorClip& cursor = TCursorClip::Instance();
    if (clip) {
        if (!mouseClip_ && mouseClipBack_)
            clipToRestore_ = cursor.Current();
        cursor.Confine(QRect(mapToGlobal(QPoint(0, 0)), size()));
    } else if (mouseClipBack_) {
        cursor.Restore(clipToRestore_);
    } else {
        cursor.Release();
    }
    mouseClip_ = clip;
}

void TTransPanel::SetShape(TShapeType s) {
    if (shape_ == s)
        return;
    shape_ = s;
    Invalidate();
}

void TTransPanel::SetShapeBrush(const TBrush& b) {
    shapeBrush_ = b;
    StyleChanged();
}

void TTransPanel::SetShapePen(const TPen& p) {
    shapePen_ = p;
    StyleChanged();
}

void TTransPanel::SetTransparent(bool t) {
    if (transparent_ == t)
        return;
    transparent_ = t;
    // An opaque panel covers all of itself; a transparent one lets Qt paint
    // what lies beneath it first.
    setAttribute(Qt::WA_OpaquePaintEvent, !t);
    update();
}

void TTransPanel::SetShapeTransparent(bool t) {
    if (shapeTransparent_ == t)
        return;
    shapeTransparent_ = t;
    Invalidate();
}

void TTransPanel::SetShapeRoundSize(int s) {
    s = std::clamp(s, 1, 32);
    if (shapeRoundSize_ == s)
        return;
    shapeRoundSize_ = s;
    Invalidate();
}

void TTransPanel::SetFukidasiPosition(int p) {
    if (p == fukidasiPosition_)
        return;
    if (p < 0)
        p = 0;
    if ((fukidasiType_ == ftTop || fukidasiType_ == ftBottom) && p > width())
        p = width() - 9;
    fukidasiPosition_ = p;
    if (shape_ == stFukidasi)
        Invalidate();
}

void TTransPanel::SetFukidasiType(TFukidasiType t) {
    if (fukidasiType_ == t)
        return;
    fukidasiType_ = t;
    if (shape_ == stFukidasi)
        Invalidate();
}

void TTransPanel::SetCaptionLines(const QStringList& lines) {
    captionLines_ = lines;
    if (captionLines_.size() == 1 && captionLines_.front().isEmpty())
        captionLines_.clear();
    Invalidate();
}

void TTransPanel::SetCaption(const QString& c) {
    if (caption_ == c)
        return;
    caption_ = c;
    Invalidate();
}

void TTransPanel::SetColor(TColor c) {
    color_ = c;
    Invalidate();
}

void TTransPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        Invalidate();
}

void TTransPanel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    const QPoint at = mapFromGlobal(QCursor::pos());
    if (rect().contains(at) || !OnMouseLeave)
        return;
    OnMouseLeave(this, QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons(),
                 at.x(), at.y());
}

void TTransPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.SetFont(font());
    Paint(canvas);
}
