#pragma once
// TQRPage: the page setup of the report page: paper code, orientation and the
// seven lengths (stored in native units, addressed by index 0..6).

#include "QRUnits.h"

#include <array>
#include <cstdint>

using TQRPaperSize = std::uint8_t; // 0..27

namespace QRPaper {
constexpr TQRPaperSize Default = 0;
constexpr TQRPaperSize A4 = 9;
constexpr TQRPaperSize A5 = 11;
constexpr TQRPaperSize B4 = 12;
constexpr TQRPaperSize B5 = 13;
constexpr TQRPaperSize Custom = 27;
} // namespace QRPaper

struct TPaperDimension {
    double Width;  // mm, portrait
    double Length; // mm, portrait
};

// Indexed by paper code; Default (0) and Custom (27) have no dimensions.
const TPaperDimension& PaperDimensions(TQRPaperSize code);

enum class TPrinterOrientation { Portrait = 0, Landscape = 1 };

class TQuickRep;

class TQRPage {
public:
    enum Index {
        BottomMarginIdx = 0,
        LengthIdx = 1,
        TopMarginIdx = 2,
        WidthIdx = 3,
        LeftMarginIdx = 4,
        RightMarginIdx = 5,
        ColumnSpaceIdx = 6
    };

    explicit TQRPage(TQuickRep* report);

    TQRPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TQRPaperSize code);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation o);

    // Lengths in the page's unit (the report's Units).
    long double Value(int index) const;
    void SetValue(int index, long double v);
    long double NativeValue(int index) const { return values_.at(index); }

    long double BottomMargin() const { return Value(BottomMarginIdx); }
    long double Length() const { return Value(LengthIdx); }
    long double TopMargin() const { return Value(TopMarginIdx); }
    long double Width() const { return Value(WidthIdx); }
    long double LeftMargin() const { return Value(LeftMarginIdx); }
    long double RightMargin() const { return Value(RightMarginIdx); }
    long double ColumnSpace() const { return Value(ColumnSpaceIdx); }

    int Columns() const { return columns_; }
    bool Ruler() const { return ruler_; }

private:
    TQuickRep* report_;
    TQRPaperSize paperSize_ = QRPaper::A4;
    TPrinterOrientation orientation_ = TPrinterOrientation::Landscape;
    // Bottom, Length, Top, Width, Left, Right, ColumnSpace: A4 landscape, 10 mm.
    std::array<long double, 7> values_{100, 2100, 100, 2970, 100, 100, 0};
    int columns_ = 1;
    bool ruler_ = true;
};
