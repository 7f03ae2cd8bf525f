#pragma once
// TButtonEx: the push button of the command bar and of the settings dialog.
// It paints everything itself: a rounded face in its own colour over a
// three-pixel bevel with a black rounded outline, in one of three styles,
// then an optional glyph and the caption; or it leaves all painting to an
// OnDraw handler. Kind OK / Cancel give the usual caption, dialog result and
// default / cancel role.

#include "ButtonGlyph.h"
#include "ButtonLayout.h"
#include "platform/Canvas.h"

#include <QPushButton>
#include <functional>

class QShortcut;

enum class TButtonStyle { Normal, Flat, UltraFlat };
enum class TBitBtnKind { Custom, OK, Cancel };
enum class TModalResult { None, OK, Cancel };

// Sender, the canvas to paint on, and the item state bits (see TButtonEx).
using TDrawByIndexEvent = std::function<void(QObject* Sender, TCanvas& Canvas, int itemState)>;

class TButtonEx : public QPushButton {
    Q_OBJECT
public:
    // Item state bits handed to DrawButton and OnDraw.
    static constexpr int odsSelected = 1; // pressed
    static constexpr int odsFocus = 16;   // has the keyboard focus

    explicit TButtonEx(const QString& caption, QWidget* parent = nullptr);
    explicit TButtonEx(QWidget* parent = nullptr) : TButtonEx(QString(), parent) {}

    TButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TButtonStyle style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    const QImage& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const QImage& image) { glyph_.SetGlyph(image); }
    void EditGlyph(const std::function<void(QImage&)>& edit) { glyph_.EditGlyph(edit); }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int value) { glyph_.SetNumGlyphs(value); }
    const TButtonGlyph& GlyphObject() const { return glyph_; }

    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);

    const TDrawByIndexEvent& OnDraw() const { return onDraw_; }
    void SetOnDraw(TDrawByIndexEvent handler);

    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // The cancel button of its window: Escape presses it.
    bool Cancel() const { return cancelShortcut_ != nullptr; }
    void SetCancel(bool cancel);

    // Paints the whole button on canvas for the given item state.
    virtual void DrawButton(TCanvas& canvas, int itemState);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TButtonColors SystemColors() const;
    void DrawFace(TCanvas& canvas, bool pressed, const TButtonColors& colors) const;
    void DrawCaption(QPainter& painter, const QRect& bounds, TButtonState state,
                     const TButtonColors& colors) const;
    void CloseWindowWithResult();

    TButtonStyle buttonStyle_ = TButtonStyle::Normal;
    TColor color_;
    TButtonGlyph glyph_;
    TButtonLayout layout_ = TButtonLayout::GlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    TDrawByIndexEvent onDraw_;
    TBitBtnKind kind_ = TBitBtnKind::Custom;
    TModalResult modalResult_ = TModalResult::None;
    QShortcut* cancelShortcut_ = nullptr;
};
