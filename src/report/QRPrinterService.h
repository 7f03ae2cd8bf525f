#pragma once
// Where print jobs go. The system service lists the installed printers and
// opens them through the platform's print support; a file service writes each
// job as a PDF file instead (used to measure and check print output without a
// print server). One service is current for the whole program.

#include "QRPage.h"

#include <QPageSize>
#include <QString>
#include <memory>

class QPrinter;

class TQRPrinterService {
public:
    virtual ~TQRPrinterService() = default;
    // True when at least one printer is installed.
    virtual bool PrinterOK() const;
    // The named printer (empty: the default one), at its full resolution.
    virtual std::unique_ptr<QPrinter> Open(const QString& name) const;
    // Whether the printer offers the paper of a code 1..26, or custom sizes
    // for Custom.
    virtual bool SupportsPaper(const QPrinter& printer, TQRPaperSize code) const;

    static const TQRPrinterService& Current();
    // Replaces the current service; none restores the system service.
    static void Install(std::unique_ptr<TQRPrinterService> service);
};

class TQRPdfFileService : public TQRPrinterService {
public:
    // Jobs go to fileName at dpi dots per inch with an unprintable margin of
    // marginDots on every side.
    TQRPdfFileService(const QString& fileName, int dpi, int marginDots);
    bool PrinterOK() const override { return true; }
    std::unique_ptr<QPrinter> Open(const QString& name) const override;
    bool SupportsPaper(const QPrinter&, TQRPaperSize) const override { return true; }

private:
    QString fileName_;
    int dpi_;
    int marginDots_;
};

// The exact paper of a code 1..26 (portrait); an invalid size for other codes.
QPageSize PageSizeOf(TQRPaperSize code);
