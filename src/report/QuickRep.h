#pragma once
// TQuickRep: the report page. It owns the page setup, keeps its on-screen size
// in step with the paper at its zoom, paints the ruler grid and margin guide,
// and hosts the printables that a print run prints in attachment order.

#include "QRPage.h"
#include "QRUnits.h"

#include <QList>
#include <QWidget>
#include <memory>

class TQRPrintable;
class TCanvas;

// A detail band; this program uses one of height 0 with no content.
class TQRSubDetail : public QWidget {
    Q_OBJECT
public:
    explicit TQRSubDetail(QWidget* parent) : QWidget(parent) {}
    int BandHeight() const { return bandHeight_; }
    void SetBandHeight(int h) { bandHeight_ = h < 0 ? 0 : h; }

private:
    int bandHeight_ = 0;
};

class TQuickRep : public QWidget {
    Q_OBJECT
public:
    explicit TQuickRep(QWidget* parent = nullptr, int resolution = 96);
    ~TQuickRep() override;

    TQRPage* Page() { return page_.get(); }
    const TQRPage* Page() const { return page_.get(); }

    TQRUnit Units() const { return units_; }
    // Sets the page's unit and that of every printable placed on it.
    void SetUnits(TQRUnit u);
    // Sets the page's own unit only (used while the page setup converts).
    void SetUnitsOnly(TQRUnit u) { units_ = u; }

    int Zoom() const { return zoom_; }
    // 1..300; other values are ignored.
    void SetZoom(int z);
    int Resolution() const { return resolution_; }

    // Printables placed directly on the page, in the order they were attached.
    const QList<TQRPrintable*>& Printables() const { return printables_; }
    void AttachPrintable(TQRPrintable* p);
    void DetachPrintable(TQRPrintable* p);

    void AddBand(TQRSubDetail* band);
    const QList<TQRSubDetail*>& Bands() const { return bands_; }

    // Re-derives the pixel size from the paper at the zoom, then the bands.
    void UpdatePageSize();
    void LayoutBands();

    // The margin guide rectangle in pixels, the right/bottom edge exclusive.
    QRect MarginGuideRect() const;

signals:
    // The on-screen size was re-derived from the paper or the zoom.
    void PageSizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int PixelsOf(long double native) const;
    void PaintRuler(TCanvas& canvas);
    void PaintMarginGuide(TCanvas& canvas);
    bool FewColours() const;

    std::unique_ptr<TQRPage> page_;
    TQRUnit units_ = TQRUnit::MM;
    int zoom_ = 80;
    int resolution_;
    QList<TQRPrintable*> printables_;
    QList<TQRSubDetail*> bands_;
};
