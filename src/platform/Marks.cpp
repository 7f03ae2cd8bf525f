#include "Marks.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace {
int BandWidth(TMarkKind kind) {
    return kind == TMarkKind::Outline ? 3 : 1;
}
} // namespace

namespace {
QRect Box(const TMark& m) {
    return QRect(QPoint(std::min(m.Left, m.Right), std::min(m.Top, m.Bottom)),
                 QPoint(std::max(m.Left, m.Right) - 1, std::max(m.Top, m.Bottom) - 1));
}

// Every other pixel of the box's edge, each edge pixel looked at once.
QList<QRect> Dots(const QRect& box) {
    QList<QRect> dots;
    const auto add = [&](int x, int y) {
        if (((x - box.left()) + (y - box.top())) % 2 == 0)
            dots.append(QRect(x, y, 1, 1));
    };
    for (int x = box.left(); x <= box.right(); ++x)
        add(x, box.top());
    if (box.bottom() > box.top())
        for (int x = box.left(); x <= box.right(); ++x)
            add(x, box.bottom());
    for (int y = box.top() + 1; y < box.bottom(); ++y) {
        add(box.left(), y);
        if (box.right() > box.left())
            add(box.right(), y);
    }
    return dots;
}
} // namespace

QRegion TMark::Pixels() const {
    if (Empty())
        return QRegion();
    const QRect box = Box(*this);
    const int w = BandWidth(Kind);
    return QRegion(box) - QRegion(box.adjusted(w, w, -w, -w));
}

QList<QRect> TMark::Inverted() const {
    if (Empty())
        return {};
    if (Kind == TMarkKind::Frame)
        return Dots(Box(*this));
    const QRegion band = Pixels();
    return QList<QRect>(band.begin(), band.end());
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
    painter.setRenderHint(QPainter::Antialiasing, false);
    // NOT(screen XOR black) inverts every pixel filled.
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    for (const TMark& m : std::as_const(marks_))
        for (const QRect& r : m.Inverted())
            painter.fillRect(r, Qt::black);
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
