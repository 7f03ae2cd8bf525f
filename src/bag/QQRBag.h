#pragma once
// TQRBag, the printable that draws the paper-bag net (BagNet.h) on screen and
// on every print device with DrawNet.

#include "BagNet.h"
#include "FoldStyle.h"
#include "platform/Canvas.h"
#include "report/QRPrintable.h"

#include <memory>

// The paper colour, the three line and flap colours, the brush style and the
// fold styles that a net is drawn with.
struct TBagLook {
    TColor Color;
    TColor YamaoriColor;
    TColor TanioriColor;
    TColor NorishiroColor;
    TBrushStyle BrushStyle;
    // Valley folds dashed and mountain folds dash-dot (FoldStyle.h); off,
    // every fold is a solid line.
    bool FoldStyles = false;
};

// Draws the net for the device rectangle L, T, R, B on any canvas. `scale`
// is the device's pixels per millimetre of the sheet, which sizes the dashes
// of the fold styles.
void DrawBagNet(TCanvas& canvas, const TBagLook& look, int L, int T, int R, int B, bool drawLines,
                TPixelsPerMm scale);

class TQRBag : public TQRPrintable {
    Q_OBJECT
public:
    explicit TQRBag(QWidget* owner = nullptr, int resolution = kScreenPixelsPerInch);

    TColor Color() const { return color_; }
    TColor YamaoriColor() const { return yamaoriColor_; }
    TColor TanioriColor() const { return tanioriColor_; }
    TColor NorishiroColor() const { return norishiroColor_; }
    // The colour setters repaint the net at once.
    void SetColor(TColor c);
    void SetYamaoriColor(TColor c);
    void SetTanioriColor(TColor c);
    void SetNorishiroColor(TColor c);

    // The fold styles of the look; setting them repaints the net at once.
    bool FoldStyles() const { return foldStyles_; }
    void SetFoldStyles(bool on);

    bool PrintLine() const { return printLine_; }
    void SetPrintLine(bool v) { printLine_ = v; }

    // Pen is published but not consulted; only the brush style is used.
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    // Replace the object; the bag owns what it is given. No repaint.
    void SetPen(std::unique_ptr<TPen> p) { pen_ = std::move(p); }
    void SetBrush(std::unique_ptr<TBrush> b) { brush_ = std::move(b); }

    // Takes parent and pixel bounds of another bag; anything else is ignored.
    void Assign(const QObject* source);

    TBagLook Look() const;
    void DrawNet(TCanvas& canvas, int L, int T, int R, int B, bool drawLines,
                 TPixelsPerMm scale) const;
    // Screen pixels per millimetre of the sheet at the page's zoom.
    TPixelsPerMm ScreenScale() const;

    std::unique_ptr<TQRPrintableSnapshot> TakeSnapshot() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RepaintNow();

    TColor color_ = clWhite;
    TColor yamaoriColor_ = clBlack;
    TColor tanioriColor_ = clBlack;
    TColor norishiroColor_ = clGray;
    bool printLine_ = true;
    bool foldStyles_ = false;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
};

// The bag as a print run prints it: its look and its PrintLine switch.
class TQRBagSnapshot : public TQRPrintableSnapshot {
public:
    explicit TQRBagSnapshot(const TQRBag& bag);
    // Draws the net on the run's printer page. Left and top are taken one
    // native unit further out than the bag's position; right and bottom exact.
    void PrintAt(long double offsetX, long double offsetY) override;

private:
    TBagLook look_;
    bool printLine_;
};
