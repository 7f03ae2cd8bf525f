#pragma once
// TQRPrintable: an element that a report page prints. It is a control on
// screen (pixel bounds at the page zoom) and keeps its bounds a second time in
// native units in its size object, from which the print run works.

#include "QRUnits.h"

#include <QWidget>
#include <array>
#include <memory>

class TQRPrintable;
class TQRPrinter;
class TQuickRep;

class TQRPrintableSize {
public:
    enum Index { HeightIdx = 0, LeftIdx = 1, TopIdx = 2, WidthIdx = 3 };

    TQRPrintableSize(TQRPrintable* owner, int resolution);

    TQRUnit Units() const { return units_; }
    void SetUnits(TQRUnit u) { units_ = u; }
    int Resolution() const { return resolution_; }
    int Zoom() const { return zoom_; }
    // Changing the zoom re-derives the control's pixel bounds.
    void SetZoom(int z);

    long double Value(int index) const;
    void SetValue(int index, long double v);
    long double Height() const { return Value(HeightIdx); }
    long double Left() const { return Value(LeftIdx); }
    long double Top() const { return Value(TopIdx); }
    long double Width() const { return Value(WidthIdx); }
    void SetHeight(long double v) { SetValue(HeightIdx, v); }
    void SetLeft(long double v) { SetValue(LeftIdx, v); }
    void SetTop(long double v) { SetValue(TopIdx, v); }
    void SetWidth(long double v) { SetValue(WidthIdx, v); }

    // The streamed form: height, left, top, width in native units.
    std::array<long double, 4> Values() const { return values_; }
    void SetValues(const std::array<long double, 4>& v);

    // Writes pixel bounds as stored values: height, width, top, left.
    void SetPixelBounds(int left, int top, int width, int height);
    // Writes only the pixel top and left (attachment keeps the position).
    void SetPixelPosition(int left, int top);
    // Gives the control the pixel bounds derived from the stored values.
    void UpdateControl();
    bool Updating() const { return updating_; }

    // While loading, pixel bounds are only remembered (the non-zero ones);
    // EndLoading derives the control from the stored values and then fills in
    // each remembered bound that is still 0.
    void BeginLoading() { loading_ = true; }
    void EndLoading();
    bool Loading() const { return loading_; }

private:
    void Remember(int& slot, int v) {
        if (v != 0)
            slot = v;
    }

    TQRPrintable* owner_;
    TQRUnit units_ = TQRUnit::MM;
    int resolution_;
    int zoom_ = 100;
    std::array<long double, 4> values_{0, 0, 0, 0};
    bool updating_ = false;
    bool loading_ = false;
    // Remembered pixel bounds while loading: left, top, width, height.
    std::array<int, 4> remembered_{0, 0, 0, 0};
};

struct TQRFrame {
    unsigned Color = 0;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    bool AnySide() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
};

class TQRPrintable : public QWidget {
    Q_OBJECT
public:
    explicit TQRPrintable(QWidget* parent = nullptr, int resolution = 96);
    ~TQRPrintable() override;

    TQRPrintableSize* Size() { return size_.get(); }
    const TQRPrintableSize* Size() const { return size_.get(); }
    TQRFrame& Frame() { return frame_; }
    TQuickRep* ParentReport() const { return report_; }

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int v) { SetBounds(v, y(), width(), height()); }
    void SetTop(int v) { SetBounds(x(), v, width(), height()); }
    void SetWidth(int v) { SetBounds(x(), y(), v, height()); }
    void SetHeight(int v) { SetBounds(x(), y(), width(), v); }
    // Pixel bounds; they are stored in native units and the control follows.
    void SetBounds(int left, int top, int width, int height);
    void SetPixelPosition(int left, int top);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; }

    // Called by the report page when the printable is attached to it.
    void AttachedTo(TQuickRep* report);
    // Called by a report page that is going away before its children.
    void ForgetReport() { report_ = nullptr; }

    // The run's printer while the element is printing, else none.
    TQRPrinter* QRPrinter() const { return printer_; }
    // Entered by the print run for its length; the printer draws the element.
    void BeginPrinting(TQRPrinter* printer) { printer_ = printer; }
    void EndPrinting() { printer_ = nullptr; }

    // Prints the element at an offset in native units during a run. The base
    // draws the frame sides that are switched on.
    virtual void PrintAt(long double offsetX, long double offsetY);

protected:
    bool event(QEvent* e) override;

private:
    std::unique_ptr<TQRPrintableSize> size_;
    TQRFrame frame_;
    TQuickRep* report_ = nullptr;
    TQRPrinter* printer_ = nullptr;
    bool transparent_ = false;
};
