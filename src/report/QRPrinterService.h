#pragma once
// Where print jobs go. The system service lists the installed printers and
// opens them through the platform's print support; a file service writes each
// job as a PDF file instead (used to measure and check print output without a
// print server). One service is current for the whole program.

#include "QRPage.h"

#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class TPrintSpool;

class TQRPrinterService {
public:
    virtual ~TQRPrinterService() = default;
    // The installed printers, and the system's default one (may be empty).
    virtual QStringList PrinterNames() const;
    virtual QString DefaultPrinterName() const;
    // True when at least one printer is installed.
    bool PrinterOK() const { return !PrinterNames().isEmpty(); }
    // The named printer (empty: the default one), at the resolution its
    // queue prints at (Qt's own when the server does not say);
    // none when a named printer is not installed (any more).
    virtual std::unique_ptr<QPrinter> Open(const QString& name) const;
    // The printer's paper for a code (custom: the page's size in mm), taken
    // from the printer's own list to the point; Qt's standard size only for
    // a printer that lists none. Invalid when the printer lacks that paper.
    virtual QPageSize Media(const QPrinter& printer, TQRPaperSize code, QSizeF custom) const;
    // Hands a complete job, spooled from the printer, to where jobs go: the
    // printer's queue, under the printer's document name. Raises EError
    // when the job is refused.
    virtual void Submit(const QPrinter& printer, const TPrintSpool& spool) const;
    // True when what the service tells of printers comes from a print
    // server, whose answers may be long in coming.
    virtual bool AsksAServer() const { return true; }
    // True when that server neither answers nor refuses a request within
    // ms milliseconds; any thread may ask (PrintServerSilent).
    virtual bool ServerSilent(int ms) const;

    static const TQRPrinterService& Current();
    // The current service, kept alive for a thread that asks it while
    // another one is installed.
    static std::shared_ptr<const TQRPrinterService> Shared();
    // Replaces the current service; none restores the system service.
    static void Install(std::unique_ptr<TQRPrinterService> service);
};

class TQRPdfFileService : public TQRPrinterService {
public:
    // Jobs go to fileName at dpi dots per inch with an unprintable margin of
    // marginDots on every side.
    TQRPdfFileService(const QString& fileName, int dpi, int marginDots);
    // One printer, named after the file.
    QStringList PrinterNames() const override;
    QString DefaultPrinterName() const override { return PrinterNames().value(0); }
    std::unique_ptr<QPrinter> Open(const QString& name) const override;
    // Every paper, at Qt's standard size.
    QPageSize Media(const QPrinter&, TQRPaperSize code, QSizeF custom) const override;
    // The job becomes the file.
    void Submit(const QPrinter&, const TPrintSpool& spool) const override;
    bool AsksAServer() const override { return false; }

private:
    QString fileName_;
    int dpi_;
    int marginDots_;
};

// The message for a print asked of a system without printers.
QString NoPrinterMessage();

// How long a print, a preview or the printer dialog waits for the print
// server to answer before it is refused with SilentServerMessage: each of
// their requests for printers would hold the window for a minute.
constexpr int kPrintServerWaitMs = 2000;
// True when the current service asks a print server that neither answers
// nor refuses within ms (TQRPrinterService::ServerSilent).
bool CurrentServerSilent(int ms);
QString SilentServerMessage();

// The media of a code as Qt's standard size (a custom one in whole points
// when no standard size is that paper); invalid for Default.
QPageSize StandardMedia(TQRPaperSize code, QSizeF custom);
