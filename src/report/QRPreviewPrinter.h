#pragma once
// TQRPreviewPrinter: the report printer of a preview run as the preview
// window sees it. It forwards to the printer until the window reports that
// it is closing, after which the printer may be released at any time.

#include "QRPreviewSource.h"

class TQRPrinter;

class TQRPreviewPrinter : public TQRPreviewSource {
public:
    explicit TQRPreviewPrinter(TQRPrinter* printer) : printer_(printer) {}

    QString Title() const override;
    bool Finished() const override;
    int PageCount() const override;
    int AvailablePages() const override;
    long double SheetWidth() const override;
    long double SheetLength() const override;
    int ToDeviceWidth(long double native) const override;
    int ToDeviceHeight(long double native) const override;
    bool PageImage(int n, TQRPageImage& page) const override;

    TQRPreview* Client() const override;
    void SetClient(TQRPreview* client) override;
    bool ShowingPreview() const override;
    void SetShowingPreview(bool on) override;
    void SetPaperSize(TQRPaperSize code) override;

    void PrintSetup() override;
    void Print() override;
    void PreviewClosed() override;

private:
    bool Begun() const;

    TQRPrinter* printer_;
};
