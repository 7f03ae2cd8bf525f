#include "ButtonEx.h"

#include <QDialog>
#include <QPainter>
#include <QShortcut>

namespace {
constexpr int kCorner = 6; // corner ellipse of the face and the outline

TColor PaletteColor(const QPalette& palette, QPalette::ColorRole role) {
    return FromQColor(palette.color(QPalette::Active, role));
}

// One-pixel frame on [l, r) x [t, b): top row and left column in topLeft,
// right column and bottom row in bottomRight.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): edges in the canvas's l, t, r, b order
void Frame(TCanvas& canvas, int l, int t, int r, int b, TColor topLeft, TColor bottomRight) {
    canvas.SetBrushColor(topLeft);
    canvas.FillRect(l, t, r - 1, t + 1);
    canvas.FillRect(l, t, l + 1, b - 1);
    canvas.SetBrushColor(bottomRight);
    canvas.FillRect(r - 1, t, r, b);
    canvas.FillRect(l, b - 1, r, b);
}
} // namespace

TButtonEx::TButtonEx(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), color_(PaletteColor(palette(), QPalette::Base)),
      glyph_([this] { update(); }) {
    // A press with the modal result set ends the dialog the button is on.
    connect(this, &QAbstractButton::clicked, this, &TButtonEx::CloseWindowWithResult);
}

void TButtonEx::SetButtonStyle(TButtonStyle style) {
    buttonStyle_ = style;
    update();
}

void TButtonEx::SetColor(TColor color) {
    color_ = color;
    update();
}

void TButtonEx::SetLayout(TButtonLayout layout) {
    layout_ = layout;
    update();
}

void TButtonEx::SetMargin(int margin) {
    margin_ = margin;
    update();
}

void TButtonEx::SetSpacing(int spacing) {
    spacing_ = spacing;
    update();
}

void TButtonEx::SetOnDraw(TDrawByIndexEvent handler) {
    onDraw_ = std::move(handler);
    update();
}

void TButtonEx::SetKind(TBitBtnKind kind) {
    if (kind == kind_)
        return;
    kind_ = kind;
    if (kind == TBitBtnKind::Custom)
        return;
    const bool ok = kind == TBitBtnKind::OK;
    setText(ok ? QStringLiteral("OK") : QStringLiteral("キャンセル"));
    modalResult_ = ok ? TModalResult::OK : TModalResult::Cancel;
    setDefault(ok);
    SetCancel(!ok);
}

void TButtonEx::SetCancel(bool cancel) {
    if (cancel == Cancel())
        return;
    if (!cancel) {
        delete cancelShortcut_;
        cancelShortcut_ = nullptr;
        return;
    }
    cancelShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelShortcut_->setContext(Qt::WindowShortcut);
    connect(cancelShortcut_, &QShortcut::activated, this, [this] {
        if (isEnabled())
            click();
    });
}

void TButtonEx::CloseWindowWithResult() {
    if (modalResult_ == TModalResult::None)
        return;
    auto* dialog = qobject_cast<QDialog*>(window());
    if (dialog && dialog->isVisible())
        dialog->done(modalResult_ == TModalResult::OK ? QDialog::Accepted : QDialog::Rejected);
}

TButtonColors TButtonEx::SystemColors() const {
    return {PaletteColor(palette(), QPalette::Button), PaletteColor(palette(), QPalette::Light),
            PaletteColor(palette(), QPalette::Dark)};
}

void TButtonEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    int itemState = 0;
    if (isDown())
        itemState |= odsSelected;
    if (hasFocus())
        itemState |= odsFocus;
    DrawButton(canvas, itemState);
}

void TButtonEx::DrawButton(TCanvas& canvas, int itemState) {
    canvas.SetFont(font());
    if (onDraw_) {
        onDraw_(this, canvas, itemState);
        return;
    }
    const bool pressed = (itemState & odsSelected) != 0;
    const TButtonColors colors = SystemColors();
    DrawFace(canvas, pressed, colors);

    const QPoint offset = pressed ? QPoint(1, 1) : QPoint(0, 0);
    TButtonState state = pressed ? TButtonState::Down : TButtonState::Up;
    if (!isEnabled())
        state = TButtonState::Disabled;
    if (itemState & odsFocus) {
        canvas.SetPenStyle(TPenStyle::Dot);
        canvas.SetPenMode(TPenMode::NotXor);
        canvas.SetPenColor(clBlack);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.Rectangle(4, 4, width() - 4, height() - 4);
        canvas.SetPenMode(TPenMode::Copy);
    }

    QPainter& painter = *canvas.Painter();
    const QSize textSize =
        text().isEmpty() ? QSize(0, 0) : painter.fontMetrics().size(Qt::TextSingleLine, text());
    const TButtonPlacement place =
        CalcButtonLayout(size(), glyph_.ImageSize(), textSize, layout_, margin_, spacing_, offset,
                         layoutDirection() == Qt::RightToLeft);
    glyph_.Draw(painter, place.GlyphPos, state, colors);
    DrawCaption(painter, place.TextBounds, state, colors);
}

// Bevel, face and outline. The face is inset by 3, 2 or 1 pixels and so
// leaves two, one or none of the bevel's three rings showing.
void TButtonEx::DrawFace(TCanvas& canvas, bool pressed, const TButtonColors& colors) const {
    const int w = width();
    const int h = height();
    const TColor topLeft = pressed ? colors.Shadow : colors.Highlight;
    const TColor bottomRight = pressed ? colors.Highlight : colors.Shadow;
    canvas.SetPenMode(TPenMode::Copy);
    for (int ring = 1; ring <= 3; ++ring)
        Frame(canvas, ring, ring, w - ring, h - ring, topLeft, bottomRight);

    const int inset = buttonStyle_ == TButtonStyle::Normal ? 3
                      : buttonStyle_ == TButtonStyle::Flat ? 2
                                                           : 1;
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenWidth(1);
    canvas.SetPenColor(color_);
    canvas.SetBrushColor(color_);
    canvas.RoundRect(inset, inset, w - inset, h - inset, kCorner, kCorner);

    canvas.SetPenColor(clBlack);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.RoundRect(0, 0, w, h, kCorner, kCorner);
}

// A disabled caption is engraved: a highlight copy one pixel right and down
// under the caption in the shadow colour.
void TButtonEx::DrawCaption(QPainter& painter, const QRect& bounds, TButtonState state,
                            const TButtonColors& colors) const {
    if (text().isEmpty())
        return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setLayoutDirection(layoutDirection());
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (state == TButtonState::Disabled) {
        painter.setPen(ToQColor(colors.Highlight));
        painter.drawText(bounds.translated(1, 1), flags, text());
        painter.setPen(ToQColor(colors.Shadow));
    } else {
        painter.setPen(palette().color(QPalette::Active, QPalette::ButtonText));
    }
    painter.drawText(bounds, flags, text());
}
