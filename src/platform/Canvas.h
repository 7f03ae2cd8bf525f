#pragma once
// TCanvas: the one drawing interface used for the screen, printer pages and
// recorded page images. It keeps the pixel conventions the drawing code was
// written for: rectangles cover L..R-1 / T..B-1, a polyline leaves its last
// point unset, a clear brush becomes solid when given a colour, and the pen
// can mix in NOT-XOR so that a mark drawn twice leaves the surface unchanged.
// The conventions hold on vector devices too (a recorded page, a PDF or a
// printer page): a one-pixel line at x covers device column x there as on a
// QImage, not the boundary between two columns.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QVector>
#include <cstdint>

using TColor = std::uint32_t; // 0x00BBGGRR, red in the low byte

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clRed = 0x0000FF;

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);
constexpr TColor RGBColor(int r, int g, int b) {
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}

enum class TPenStyle { Solid, Clear, Dot, Dash, InsideFrame };
enum class TPenMode { Copy, NotXor };
enum class TBrushStyle { Solid, Clear };

// The published pen and brush objects of controls: settings a control hands
// to a canvas when it draws.
struct TPen {
    TColor Color = clBlack;
    TPenStyle Style = TPenStyle::Solid;
    int Width = 1;
};
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::Solid;
};

// A device that keeps what is drawn on it in named groups (a sheet's SVG
// file): strokes go to the current lines group, areas and pictures to the
// current areas group. A group holds its elements once each, in the order
// drawn. When a later figure (BeginFigure) draws into a group that an
// earlier figure filled, with other groups drawn in between, its elements
// replace the earlier ones and the group moves to the top: the later figure
// is drawn over the earlier at the same places (the lines drawn again in
// front of the pictures), and each line stays in the file once, as a
// cutting plotter must get it.
class TGroupedDevice {
public:
    virtual ~TGroupedDevice() = default;
    virtual void SetGroups(const QString& lines, const QString& areas) = 0;
    virtual void BeginFigure() = 0;
};

class TCanvas {
public:
    // The painter must stay valid for the canvas' lifetime; antialiasing is
    // switched off because every primitive is meant pixel-exact.
    explicit TCanvas(QPainter* painter);

    TColor PenColor() const { return penColor_; }
    void SetPenColor(TColor c) { penColor_ = c; }
    TPenStyle PenStyle() const { return penStyle_; }
    void SetPenStyle(TPenStyle s) { penStyle_ = s; }
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int w) { penWidth_ = w < 1 ? 1 : w; }
    TPenMode PenMode() const { return penMode_; }
    void SetPenMode(TPenMode m) { penMode_ = m; }

    TColor BrushColor() const { return brushColor_; }
    // Giving a colour to a clear brush makes it solid.
    void SetBrushColor(TColor c);
    TBrushStyle BrushStyle() const { return brushStyle_; }
    void SetBrushStyle(TBrushStyle s) { brushStyle_ = s; }

    void SetFont(const QFont& f);
    void SetFontColor(TColor c) { fontColor_ = c; }

    void Rectangle(int l, int t, int r, int b);
    void Rectangle(const QRect& rc) {
        Rectangle(rc.left(), rc.top(), rc.right() + 1, rc.bottom() + 1);
    }
    void FillRect(int l, int t, int r, int b);
    void Polyline(const QVector<QPoint>& pts);
    void Line(QPoint from, QPoint to) { Polyline({from, to}); }
    void RoundRect(int l, int t, int r, int b, int rx, int ry);
    void Ellipse(int l, int t, int r, int b);
    void Polygon(const QVector<QPoint>& pts);
    // Text on a clear background, top-left of the text cell at (x, y).
    void TextOut(int x, int y, const QString& text);
    void StretchDraw(const QRect& target, const QImage& image);

    QPainter* Painter() const { return painter_; }
    // Names the groups of what follows, on a device that keeps groups;
    // other devices ignore them.
    void SetGroups(const QString& lines, const QString& areas);
    void BeginFigure();

private:
    void ApplyMode();
    QPen MakePen() const;
    void DrawPixelRun(QPoint from, QPoint to, bool includeLast);
    void DrawSegment(QPoint from, QPoint to);
    void DrawDottedRect(int l, int t, int r, int b);
    void FillBand(int l, int t, int r, int b, int w);
    void StrokeRun(const QRect& run);
    void StrokeOutline(int l, int t, int r, int b);

    QPainter* painter_;
    // Strokes on PDF and printer pages run through the pixel centres (see
    // DrawSegment).
    bool shiftStrokes_ = false;
    // On a device of paths (SVG), lines stay strokes and an outline is one
    // closed path, as a cutting plotter follows them.
    bool strokesAsPaths_ = false;
    TGroupedDevice* groups_ = nullptr;
    TColor penColor_ = clBlack;
    TPenStyle penStyle_ = TPenStyle::Solid;
    int penWidth_ = 1;
    TPenMode penMode_ = TPenMode::Copy;
    TColor brushColor_ = clWhite;
    TBrushStyle brushStyle_ = TBrushStyle::Solid;
    TColor fontColor_ = clBlack;
};
