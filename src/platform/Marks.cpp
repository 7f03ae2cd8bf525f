#include "Marks.h"

#include "Canvas.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace {
int BandWidth(TMarkKind kind) {
    return kind == TMarkKind::Outline ? 3 : 1;
}
} // namespace

QRegion TMark::Pixels() const {
    if (Empty())
        return QRegion();
    const QRect box(QPoint(std::min(Left, Right), std::min(Top, Bottom)),
                    QPoint(std::max(Left, Right) - 1, std::max(Top, Bottom) - 1));
    const int w = BandWidth(Kind);
    return QRegion(box) - QRegion(box.adjusted(w, w, -w, -w));
}

TMarkOverlay::TMarkOverlay(QWidget* layer) : QWidget(layer->parentWidget()), layer_(layer) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(layer->geometry());
    raise();
    layer->installEventFilter(this);
    setVisible(layer->isVisibleTo(parentWidget()));
}

void TMarkOverlay::Toggle(const TMark& mark) {
    if (mark.Empty())
        return;
    const int at = int(marks_.indexOf(mark));
    if (at >= 0)
        marks_.removeAt(at);
    else
        marks_.append(mark);
    Repaint(mark);
}

void TMarkOverlay::ClearKind(TMarkKind kind) {
    for (int i = int(marks_.size()) - 1; i >= 0; --i) {
        if (marks_[i].Kind != kind)
            continue;
        const TMark gone = marks_.takeAt(i);
        Repaint(gone);
    }
}

void TMarkOverlay::Repaint(const TMark& mark) {
    if (inLayerPaint_)
        return;
    update(mark.Pixels());
}

void TMarkOverlay::BeginLayerPaint(const QRegion& painted) {
    inLayerPaint_ = true;
    layerPaint_ = painted;
    before_ = marks_;
}

void TMarkOverlay::EndLayerPaint() {
    inLayerPaint_ = false;
    QRegion changed;
    for (const TMark& m : std::as_const(before_))
        if (!marks_.contains(m))
            changed += m.Pixels();
    for (const TMark& m : std::as_const(marks_))
        if (!before_.contains(m))
            changed += m.Pixels();
    changed -= layerPaint_;
    if (!changed.isEmpty())
        update(changed);
    before_.clear();
    layerPaint_ = QRegion();
}

void TMarkOverlay::paintEvent(QPaintEvent*) {
    if (marks_.isEmpty())
        return;
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.SetPenMode(TPenMode::NotXor);
    canvas.SetPenColor(clBlack);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    for (const TMark& m : marks_) {
        const bool frame = m.Kind == TMarkKind::Frame;
        canvas.SetPenStyle(frame ? TPenStyle::Dot : TPenStyle::InsideFrame);
        canvas.SetPenWidth(BandWidth(m.Kind));
        canvas.Rectangle(m.Left, m.Top, m.Right, m.Bottom);
    }
}

bool TMarkOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched != layer_)
        return false;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        setGeometry(layer_->geometry());
        break;
    case QEvent::Show:
        show();
        break;
    case QEvent::Hide:
        hide();
        break;
    default:
        break;
    }
    return false;
}
