#include "PrintSpool.h"

#include <QByteArrayList>
#include <QDir>
#include <QPageLayout>
#include <QPrintEngine>
#include <QPrinter>
#include <cups/cups.h>
#include <vector>

namespace {
// Qt's key for the CUPS options a print engine carries (name, value, ...).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

const char* SidesOf(const QPrinter& printer) {
    const bool portrait = printer.pageLayout().orientation() == QPageLayout::Portrait;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        break;
    case QPrinter::DuplexAuto:
        return portrait ? "two-sided-long-edge" : "two-sided-short-edge";
    case QPrinter::DuplexLongSide:
        return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
        return "two-sided-short-edge";
    }
    return "one-sided";
}

// Name, value, name, value, ... as Qt's CUPS engine sends them.
QByteArrayList JobOptions(const QPrinter& printer) {
    QByteArrayList options{"media", printer.pageLayout().pageSize().key().toLocal8Bit()};
    if (printer.copyCount() > 1) {
        options << "copies" << QByteArray::number(printer.copyCount());
        if (printer.collateCopies())
            options << "Collate"
                    << "True";
    }
    options << "sides" << SidesOf(printer);
    if (printer.pageLayout().orientation() == QPageLayout::Landscape)
        options << "landscape"
                << "true";
    const QStringList extra = printer.printEngine()->property(kCupsOptions).toStringList();
    for (int i = 0; i + 1 < extra.size(); i += 2)
        options << extra[i].toLocal8Bit() << extra[i + 1].toLocal8Bit();
    return options;
}
} // namespace

TPrintSpool::TPrintSpool(QPrinter& printer)
    : file_(QDir::tempPath() + QStringLiteral("/tesorin-job-XXXXXX.pdf")) {
    if (file_.open())
        fileName_ = file_.fileName();
    printer.printEngine()->setProperty(QPrintEngine::PPK_OutputFileName, fileName_);
}

bool TPrintSpool::Submit(const QPrinter& printer, const QString& title) const {
    const QByteArrayList options = JobOptions(printer);
    std::vector<cups_option_t> cups;
    for (int i = 0; i + 1 < options.size(); i += 2)
        cups.push_back({const_cast<char*>(options[i].constData()),
                        const_cast<char*>(options[i + 1].constData())});
    // A named instance ("queue/instance") prints on its queue.
    const QByteArray queue = printer.printerName().section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const int job = cupsPrintFile(queue.constData(), QFile::encodeName(fileName_).constData(),
                                  title.toLocal8Bit().constData(), int(cups.size()), cups.data());
    return job > 0;
}
