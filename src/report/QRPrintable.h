#pragma once
// TQRPrintable: an element that a report page prints. It is a control on
// screen (pixel bounds at the page zoom) and keeps its bounds a second time in
// native units in its size object, from which the print run works.

#include "QRPictureDecodes.h"
#include "QRUnits.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

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

// A printable as a print run sees it: its bounds in native units, its frame
// and (in the descendants) its picture, colours and switches, copied on the UI
// thread before the run and owned by the run. The run prints from it, so the
// printing thread never reads the widget and the widget keeps its units.
class TQRPrintableSnapshot {
public:
    explicit TQRPrintableSnapshot(const TQRPrintable& printable);
    virtual ~TQRPrintableSnapshot() = default;

    // The stored bounds as the Size reads them in Native units.
    long double Left() const { return values_[TQRPrintableSize::LeftIdx]; }
    long double Top() const { return values_[TQRPrintableSize::TopIdx]; }
    long double Width() const { return values_[TQRPrintableSize::WidthIdx]; }
    long double Height() const { return values_[TQRPrintableSize::HeightIdx]; }
    // Screen pixels per inch of the printable's size object.
    int Resolution() const { return resolution_; }

    // The run's printer, its cancel check and its picture decodes, for the
    // length of the run.
    void BeginPrinting(TQRPrinter* printer, std::function<bool()> cancelled,
                       TQRPictureDecodes* decodes);
    TQRPrinter* QRPrinter() const { return printer_; }
    TQRPictureDecodes& PictureDecodes() const { return *decodes_; }
    // The picture decode that PrintAt(0, 0) takes on printer's page, mapped
    // for the run (TQRPrinter::MapDevice), for the run to start ahead of its
    // turn; none without a picture.
    virtual std::optional<TQRPictureAsk> PictureAsk(const TQRPrinter&) const {
        return std::nullopt;
    }
    // True once the run has been cancelled; long work checks it as it goes.
    bool Cancelled() const { return cancelled_ && cancelled_(); }

    // Prints the element at an offset in native units on the run's printer.
    // The base draws the frame sides that are switched on.
    virtual void PrintAt(long double offsetX, long double offsetY);

    // The element's edges in device pixels of a printer at an offset in
    // native units. The left and top edges move out by `lead` native units.
    struct TDeviceEdges {
        int L, T, R, B;
    };
    TDeviceEdges DeviceEdges(const TQRPrinter& printer, long double offsetX, long double offsetY,
                             long double lead = 0) const;

private:
    std::array<long double, 4> values_;
    int resolution_;
    TQRFrame frame_;
    TQRPrinter* printer_ = nullptr;
    std::function<bool()> cancelled_;
    TQRPictureDecodes* decodes_ = nullptr;
};

class TQRPrintable : public QWidget {
    Q_OBJECT
public:
    explicit TQRPrintable(QWidget* parent = nullptr, int resolution = kScreenPixelsPerInch);
    ~TQRPrintable() override;

    TQRPrintableSize* Size() { return size_.get(); }
    const TQRPrintableSize* Size() const { return size_.get(); }
    TQRFrame& Frame() { return frame_; }
    const TQRFrame& Frame() const { return frame_; }
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

    // What a print run prints of the element, taken on the UI thread. Each
    // descendant snapshots what its PrintAt needs.
    virtual std::unique_ptr<TQRPrintableSnapshot> TakeSnapshot() const;

protected:
    bool event(QEvent* e) override;

private:
    std::unique_ptr<TQRPrintableSize> size_;
    TQRFrame frame_;
    TQuickRep* report_ = nullptr;
    bool transparent_ = false;
};
