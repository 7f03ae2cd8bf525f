// The main window's print and preview commands: the print-time elements, the
// layers of the sheet, the page and the button after the run (also a failed
// or cancelled one), and the preview's printer dialog.
#include "DataFileSupport.h"
#include "PreviewTestSupport.h"
#include "PrintTestSupport.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/PictureMemory.h"
#include "platform/ShownCache.h"
#include "report/QRExport.h"
#include "report/QRImage.h"
#include "report/QRPageList.h"
#include "report/QRPictureDecodes.h"
#include "report/QRPrinter.h"
#include "report/QRPrinterService.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>

namespace {

constexpr TColor kGreen = RGBColor(0, 255, 0);
constexpr TColor kBlue = RGBColor(0, 0, 255);
const QRgb kMagenta = qRgb(255, 0, 255);
// The bag laid out 10 mm inside the A4 page, as the preview's 96 dpi page
// image shows it (one native unit further out at left and top).
const QRect kBagOnSheet(37, 37, 1085 - 37, 756 - 37);

QImage Noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random->generate() | 0xFF000000u);
    return image;
}

// A print server as the window meets it: one that answers at once, or one
// that has stopped answering, whose every request for printers takes
// seconds.
class TServerService : public TQRPdfFileService {
public:
    TServerService(const QString& file, bool answers)
        : TQRPdfFileService(file, 300, 0), answers_(answers) {}
    void SetAnswers(bool answers) { answers_ = answers; }
    bool AsksAServer() const override { return true; }
    bool ServerSilent(int ms) const override {
        if (!answers_)
            QThread::msleep(ms);
        return !answers_;
    }
    QStringList PrinterNames() const override {
        if (!answers_)
            QThread::msleep(2000);
        return TQRPdfFileService::PrinterNames();
    }

private:
    std::atomic<bool> answers_;
};

// A cache folder of the test's own and a print service, for the length of
// a test on the decodes made ahead; the service and the folder before are
// put back once those decodes and the cache's writes are done.
class TKeptDecodes {
public:
    explicit TKeptDecodes(std::unique_ptr<TQRPrinterService> service)
        : before_(ShownCacheFolder()) {
        SetShownCacheFolder(cache_.path());
        TQRPrinterService::Install(std::move(service));
    }
    ~TKeptDecodes() {
        TQRPrinterService::Install(nullptr);
        PictureWarmups().waitForDone();
        ShownCacheWrites().waitForDone();
        SetShownCacheFolder(before_);
    }
    TKeptDecodes(const TKeptDecodes&) = delete;
    TKeptDecodes& operator=(const TKeptDecodes&) = delete;

    // The decodes kept so far, once written.
    QStringList Entries() const {
        ShownCacheWrites().waitForDone();
        return QDir(cache_.path()).entryList({"*.dx"}, QDir::Files);
    }
    QString FilePath(const QString& entry) const { return cache_.filePath(entry); }

private:
    QTemporaryDir cache_;
    QString before_;
};

// Closes, after a while, a modal window that a test does not expect to open
// (so that the test fails instead of waiting for it).
void CloseUnexpectedModal(QObject* context) {
    QTimer::singleShot(5000, context, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

QString WriteBitmap(const QTemporaryDir& dir, const QString& name, QSize size, bool noise) {
    QImage image = noise ? Noise(size) : QImage(size, QImage::Format_RGB32);
    if (!noise)
        image.fill(kMagenta);
    const QString path = dir.filePath(name);
    image.save(path, "BMP");
    return path;
}

QImage Render(const TQRPageImage& page) {
    QImage sheet(1123, 794, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    page.Play(painter);
    return sheet;
}

// The net as one bag draws it, on a white sheet or over a given one.
QImage DrawBag(const TQRBag& bag, bool lines, QImage sheet = {}) {
    if (sheet.isNull()) {
        sheet = QImage(1123, 794, QImage::Format_RGB32);
        sheet.fill(Qt::white);
    }
    QPainter painter(&sheet);
    TCanvas canvas(&painter);
    const QRect r = kBagOnSheet;
    const double perMm = 96 / 25.4; // the preview's page image
    bag.DrawNet(canvas, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), lines,
                {perMm, perMm});
    return sheet;
}

// Pictures stay out of the page store's stream; a long line of many points
// is what makes a page large enough to move the stream to its file.
void AddBulkyPrintable(TQuickRep* page) {
    auto* bulky = new TProbe(page);
    bulky->OnPrint = [](const TQRPrintableSnapshot&, TQRPrinter& printer) {
        QVector<QPoint> points;
        for (int i = 0; i < 20000; ++i)
            points << QPoint(i % 1000, i / 20);
        printer.Canvas()->Polyline(points);
    };
}

QStringList PageStoreFiles() {
    return QDir(QDir::tempPath()).entryList({QStringLiteral("QRP*")}, QDir::Files);
}

} // namespace

class TstPrintCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    // A picture read from a JPEG file may travel JPEG-compressed; one read
    // from any other file travels lossless. The file's extension chose the
    // decoder, so it names the source.
    void aPrintPictureKnowsAJpegSource_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("jpeg");
        QTest::newRow("jpg") << "photo.jpg" << true;
        QTest::newRow("JPEG in capitals") << "photo.JPEG" << true;
        QTest::newRow("bitmap") << "picture.bmp" << false;
        QTest::newRow("png") << "picture.png" << false;
    }
    void aPrintPictureKnowsAJpegSource() {
        QFETCH(QString, name);
        QFETCH(bool, jpeg);
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(kMagenta);
        const QString path = dir_.filePath(name);
        QVERIFY(image.save(path, jpeg ? "JPEG" : QFileInfo(name).suffix().toLatin1().constData()));
        TForm1 form;
        form.AddPlacedImage(path); // as the open command places it
        bool seen = false;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.PrintElements().PrintImages().size(), 1);
            seen = form.PrintElements().PrintImages().first()->JpegSource() == jpeg;
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        QVERIFY(seen);
    }

    // A placeholder has no print picture: over a picture, the preview's run
    // stands the picture alone, and the exported sheet is the one without it.
    void aPlaceholderPrintsNothing() {
        QStringList messages;
        TDataFolderScope scope(messages);
        PutFile(scope.Folder() + "LIST.DAT",
                ImageRecordBytes(100, 100, 300, 200, scope.Folder() + "gone.bmp", true));
        TForm1 form;
        TImageEx* held = form.PlacedImages().first();
        QVERIFY(held->IsPlaceholder());
        form.AddPlacedImage(WriteBitmap(dir_, "m.bmp", {8, 8}, false), {0, 0, 600, 400}, true);
        form.SelectImage(held);
        form.BringSelectedImageToFront();
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.PrintElements().PrintImages().size(), 1);
            QCOMPARE(form.PrintElements().PrintImages().first()->geometry(), QRect(1, 1, 600, 400));
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        QCOMPARE(visit.visits, 1);
        const QString with = scope.Folder() + "with.png";
        form.ExportSheet(with, 30);
        form.DeleteSelectedImage();
        QCOMPARE(form.PlacedImages().size(), 1);
        const QString without = scope.Folder() + "without.png";
        form.ExportSheet(without, 30);
        QCOMPARE(QImage(with), QImage(without));
    }

    void aPlacedPictureBecomesAPrintPictureOneInsideThePage() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TImageEx* placed =
            form.AddPlacedImage(WriteBitmap(dir_, "a.bmp", {40, 20}, false), {0, 0, 100, 50}, true);
        placed->SetStretch(false);
        TFormSettings settings = form.Settings();
        settings.LinesInFront = true;
        form.ApplySettings(settings);
        const QImage before = form.QuickRep1->grab().toImage();

        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.PrintElements().PrintImages().size(), 1);
            TQRImage* print = form.PrintElements().PrintImages().first();
            QCOMPARE(print->geometry(), QRect(1, 1, 100, 50));
            QCOMPARE(print->Picture().size(), QSize(40, 20));
            QVERIFY(!print->Stretch());
            QVERIFY(print->isHidden());
            QVERIFY(form.PrintElements().FrontBag() && form.PrintElements().FrontBag()->isHidden());
            QCOMPARE(form.QuickRep1->Printables(),
                     (QList<TQRPrintable*>{form.QRBag1, print, form.PrintElements().FrontBag()}));
            QVERIFY(!form.ButtonEx3->isEnabled());
            QVERIFY(!form.QuickRep1->updatesEnabled());
        };
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 1);

        QVERIFY(form.PrintElements().PrintImages().isEmpty());
        QCOMPARE(form.PrintElements().FrontBag(), nullptr);
        QCOMPARE(form.QuickRep1->Printables(), QList<TQRPrintable*>{form.QRBag1});
        QVERIFY(form.QuickRep1->updatesEnabled());
        QVERIFY(form.ButtonEx3->isEnabled());
        QCOMPARE(form.QuickRep1->grab().toImage(), before);

        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 2);
    }

    void theSheetIsLayeredAsTheSwitchesSay_data() {
        QTest::addColumn<bool>("printLines");
        QTest::addColumn<bool>("linesInFront");
        QTest::newRow("lines behind the pictures") << true << false;
        QTest::newRow("lines in front") << true << true;
        QTest::newRow("no lines") << false << false;
        QTest::newRow("no lines, in front asked") << false << true;
    }
    void theSheetIsLayeredAsTheSwitchesSay() {
        QFETCH(bool, printLines);
        QFETCH(bool, linesInFront);
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.QRBag1->SetYamaoriColor(clRed);
        form.QRBag1->SetTanioriColor(kGreen);
        form.QRBag1->SetNorishiroColor(kBlue);
        TFormSettings settings = form.Settings();
        settings.PrintLines = printLines;
        settings.LinesInFront = linesInFront;
        form.ApplySettings(settings);

        // First without pictures: the sheet is exactly the composed bags.
        QImage sheet;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.PrintElements().FrontBag() != nullptr, printLines && linesInFront);
            sheet = Render(form.QuickRep1->QRPrinter()->PageImage(1));
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        // The lines in front are drawn in the chosen colours, over the page's
        // bag, with the paper area left clear.
        QImage expected = DrawBag(*form.QRBag1, printLines);
        if (printLines && linesInFront) {
            TQRBag front;
            front.Brush()->Style = TBrushStyle::Clear;
            front.SetYamaoriColor(clRed);
            front.SetTanioriColor(kGreen);
            front.SetNorishiroColor(kBlue);
            expected = DrawBag(front, true, expected);
        }
        QCOMPARE(sheet, expected);

        // Then with a picture over a fold line.
        form.AddPlacedImage(WriteBitmap(dir_, "p.bmp", {8, 8}, false), {400, 100, 200, 100}, true);
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        const QImage userNet = DrawBag(*form.QRBag1, true);
        const int y = 190;
        int lineX = -1;
        for (int x = 510; x < 740 && lineX < 0; ++x)
            if (userNet.pixel(x, y) == qRgb(255, 0, 0) || userNet.pixel(x, y) == qRgb(0, 255, 0))
                lineX = x;
        QVERIFY(lineX > 0);
        const QRgb expectedOnLine = printLines && linesInFront ? userNet.pixel(lineX, y) : kMagenta;
        QCOMPARE(sheet.pixel(lineX, y), expectedOnLine);
        QCOMPARE(sheet.pixel(lineX + 3, y), kMagenta);
        if (!printLines) {
            for (int x = 0; x < sheet.width(); ++x)
                QVERIFY(sheet.pixel(x, y) != qRgb(255, 0, 0) &&
                        sheet.pixel(x, y) != qRgb(0, 255, 0));
        }
    }

    // Once the design has been still for a moment after the start or a
    // change, the decodes that a print would make are made and kept, for
    // the printer a print takes as for the sheet file of one without: the
    // print then takes them. A colour put into the kept decode is what
    // prints.
    void aStillDesignHasItsPrintDecodesMadeAhead_data() {
        QTest::addColumn<bool>("sheetFile");
        QTest::newRow("printer") << false;
        QTest::newRow("sheet file") << true;
    }
    void aStillDesignHasItsPrintDecodesMadeAhead() {
        QFETCH(bool, sheetFile);
        const QString pdf = dir_.filePath("ahead.pdf");
        const TKeptDecodes kept(std::make_unique<TQRPdfFileService>(pdf, 300, 0));
        const QString path = dir_.filePath("ahead.jpg");
        QVERIFY(Noise({1600, 1200}).save(path, "jpeg", 90));
        TForm1 form;
        form.QuickRep1->PrinterSettings().ToFile = sheetFile;
        form.AddPlacedImage(path, {100, 80, 300, 220}, true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE_WITH_TIMEOUT(kept.Entries().size(), 1, 10000);
        // A change starts the wait again.
        QVERIFY(QFile::remove(kept.FilePath(kept.Entries().first())));
        TFormSettings settings = form.Settings();
        settings.PageMargin += 1;
        form.ApplySettings(settings);
        QTRY_COMPARE_WITH_TIMEOUT(kept.Entries().size(), 1, 10000);

        const QString entry = kept.FilePath(kept.Entries().first());
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        constexpr int kHeader = 20;
        for (qsizetype i = kHeader; i + 4 <= bytes.size(); i += 4)
            bytes.replace(i, 4, QByteArray("\x33\x99\x33\xff", 4)); // qRgb(0x33, 0x99, 0x33)
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        file.close();
        if (sheetFile)
            form.ExportSheet(pdf, kDefaultPictureDpi);
        else
            form.ButtonEx4->click();
        const QImage sheet = RasterisePdf(pdf, 50);
        QVERIFY(!sheet.isNull());
        int forged = 0;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x) {
                const QRgb c = sheet.pixel(x, y);
                forged += qAbs(qRed(c) - 0x33) < 8 && qAbs(qGreen(c) - 0x99) < 8 &&
                          qAbs(qBlue(c) - 0x33) < 8;
            }
        // The picture covers about 80 x 58 mm: some 12000 pixels at 50 dpi.
        QVERIFY2(forged > 8000, qPrintable(QString::number(forged)));
    }

    // A window that goes while decodes are made ahead for it stops them and
    // lets go of its pictures as it goes: none is counted afterwards, and
    // none is left for the program's end to wait for.
    void aClosingWindowStopsItsDecodesMadeAhead() {
        const TKeptDecodes kept(
            std::make_unique<TQRPdfFileService>(dir_.filePath("gone.pdf"), 300, 0));
        const qint64 before = PictureMemoryInUse();
        {
            TForm1 form;
            for (int i = 0; i < 12; ++i) {
                const QString path = dir_.filePath(QStringLiteral("gone%1.jpg").arg(i));
                QVERIFY(Noise({2400, 1800}).save(path, "jpeg", 90));
                form.AddPlacedImage(path, {20 * i, 20 * i, 300, 220}, true);
            }
            form.WarmPrint();
        }
        QCOMPARE(PictureMemoryInUse(), before);
        QCOMPARE(PictureWarmups().activeThreadCount(), 0);
    }

    // The window makes its decodes ahead on its own only once the print
    // server has answered, asked on another thread: one that has stopped
    // answering never holds the window, and gets asked nothing more.
    void aPrintServerThatStoppedAnsweringNeverHoldsTheWindow_data() {
        QTest::addColumn<bool>("answers");
        QTest::newRow("answers") << true;
        QTest::newRow("stopped") << false;
    }
    void aPrintServerThatStoppedAnsweringNeverHoldsTheWindow() {
        QFETCH(bool, answers);
        const TKeptDecodes kept(
            std::make_unique<TServerService>(dir_.filePath("server.pdf"), answers));
        QFile::remove(dir_.filePath("server.pdf"));
        const QString path = dir_.filePath("server.jpg");
        QVERIFY(Noise({800, 600}).save(path, "jpeg", 90));
        TForm1 form;
        form.AddPlacedImage(path, {100, 80, 300, 220}, true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        const auto count = [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
            return kept.Entries().size();
        };
        const qint64 enough = TForm1::kPrintWarmupDelayMs + 1500;
        while (clock.elapsed() < enough && count() == 0)
            QTest::qWait(10);
        QCOMPARE(count(), answers ? 1 : 0);
        QVERIFY2(longest < 500, qPrintable(QString::number(longest)));

        // A print or a preview asked of it is refused at once, with why.
        QStringList messages;
        const TMessageSink previous =
            SetMessageSink([&](const QString& text) { messages.append(text); });
        form.ButtonEx4->click();
        if (!answers) {
            CloseUnexpectedModal(&form);
            form.ButtonEx3->click();
        }
        SetMessageSink(previous);
        const QString refused = SilentServerMessage();
        const QStringList expected = answers ? QStringList() : QStringList{refused, refused};
        QCOMPARE(messages, expected);
        QCOMPARE(QFileInfo::exists(dir_.filePath("server.pdf")), answers);
        QVERIFY(form.ButtonEx4->isEnabled() && form.ButtonEx3->isEnabled());
    }

    // A server that stops answering while a preview is open: the preview's
    // printer dialog is refused with the same message, and the preview
    // goes on.
    void thePrinterDialogOfASilentServerIsRefused() {
        auto owned = std::make_unique<TServerService>(dir_.filePath("dialog.pdf"), true);
        TServerService* service = owned.get();
        TQRPrinterService::Install(std::move(owned));
        const auto restore = qScopeGuard([] { TQRPrinterService::Install(nullptr); });
        TForm1 form;
        QStringList messages;
        const TMessageSink previous =
            SetMessageSink([&](const QString& text) { messages.append(text); });
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            service->SetAnswers(false);
            CloseUnexpectedModal(&preview);
            preview.PrintSetup->trigger();
            service->SetAnswers(true);
            QVERIFY(preview.isVisible());
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        SetMessageSink(previous);
        QCOMPARE(visit.visits, 1);
        QCOMPARE(messages, QStringList{SilentServerMessage()});
    }

    void aFailingRunStillGivesBackButtonPageAndElements() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.AddPlacedImage(WriteBitmap(dir_, "f.bmp", {8, 8}, false), {10, 10, 50, 50}, true);
        TFormSettings settings = form.Settings();
        settings.LinesInFront = true;
        form.ApplySettings(settings);
        auto* failing = new TProbe(form.QuickRep1);
        failing->OnPrint = [](const TQRPrintableSnapshot&, TQRPrinter&) {
            throw EError(QStringLiteral("印刷エラー"));
        };
        QStringList messages;
        const TMessageSink previous =
            SetMessageSink([&](const QString& text) { messages.append(text); });
        TPreviewVisit visit;
        visit.waitForPage = false;
        visit.action = [&](TQRStandardPreview&) {
            QVERIFY(QTest::qWaitFor([&] { return form.QuickRep1->Available(); }, 10000));
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        SetMessageSink(previous);
        QCOMPARE(messages, QStringList{QStringLiteral("印刷エラー")});
        QVERIFY(form.ButtonEx3->isEnabled());
        QVERIFY(form.QuickRep1->updatesEnabled());
        QVERIFY(form.PrintElements().PrintImages().isEmpty());
        QCOMPARE(form.PrintElements().FrontBag(), nullptr);
        QCOMPARE(form.QuickRep1->Printables(), (QList<TQRPrintable*>{form.QRBag1, failing}));
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
    }

    void thePageStoreFileIsGoneAfterThePreview() {
        TForm1 form;
        form.AddPlacedImage(WriteBitmap(dir_, "big.bmp", {600, 400}, true), {20, 20, 300, 200},
                            true);
        AddBulkyPrintable(form.QuickRep1);
        QString file;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            file = form.QuickRep1->QRPrinter()->PageList()->Stream().FileName();
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        QVERIFY(!file.isEmpty());
        QTRY_VERIFY(!QFileInfo::exists(file)); // freed once back in the event loop
    }

    // Closing the preview while its run is still drawing gives the main
    // window back at once: the command ends, the page redraws and the print
    // pictures go while the run is still inside a printable. The run then
    // stops at its next check and takes its page store with it.
    void closingDuringTheRunGivesTheWindowBackAndLeavesNothingBehind() {
        const QStringList filesBefore = PageStoreFiles();
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.AddPlacedImage(WriteBitmap(dir_, "p.bmp", {8, 8}, false), {20, 20, 30, 30}, true);
        auto* big = new TQRImage(form.QuickRep1); // a page image past the memory limit
        big->SetPicture(QImage(WriteBitmap(dir_, "big.bmp", {600, 400}, true)));
        auto* slow = new TProbe(form.QuickRep1);
        auto* after = new TProbe(form.QuickRep1);
        QSemaphore entered, proceed;
        slow->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) {
            entered.release();
            proceed.acquire();
        };
        std::atomic<bool> afterPrinted{false};
        after->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) { afterPrinted = true; };
        QPointer<TQRPrinter> printer;
        TPreviewVisit visit;
        visit.waitForPage = false;
        visit.action = [&](TQRStandardPreview& preview) {
            QVERIFY(entered.tryAcquire(1, 10000));
            printer = form.QuickRep1->QRPrinter();
            QVERIFY(!preview.Print->isEnabled());
            preview.close();
        };
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 1);
        QVERIFY(!printer.isNull()); // still inside the slow printable
        QVERIFY(form.ButtonEx3->isEnabled());
        QVERIFY(form.QuickRep1->updatesEnabled());
        QVERIFY(form.PrintElements().PrintImages().isEmpty());
        QCOMPARE(form.QuickRep1->Printables(),
                 (QList<TQRPrintable*>{form.QRBag1, big, slow, after}));
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
        QVERIFY(form.QuickRep1->Available());
        proceed.release();
        QTRY_VERIFY(printer.isNull());
        QVERIFY(!afterPrinted);
        QCOMPARE(PageStoreFiles(), filesBefore);
    }

    // 印刷 in the preview, and the preview closed before that print is done
    // (the end of the print's document lets the close through): the
    // preview's printer goes with its window and the next preview opens.
    void closingThePreviewDuringItsPrintLeavesPreviewsWorking() {
        TPdfPrinterScope pdf;
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool closedDuringThePrint = false;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            preview.Print->trigger();
            QMetaObject::invokeMethod(&preview, &QWidget::close, Qt::QueuedConnection);
            QTRY_VERIFY(!preview.isVisible());
            closedDuringThePrint = QFile::exists(pdf.file);
        };
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 1);
        QVERIFY(closedDuringThePrint);
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
        visit.action = [](TQRStandardPreview&) {};
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 2);
    }

    // The preview offers 印刷 once its run has ended; a print asked for the
    // moment the window learns of that is carried out, every time.
    // While 印刷 runs its button is disabled and the focus is on ﾌﾟﾚﾋﾞｭｰ: a
    // Space or a click that reaches it then (the window answers during the
    // print) is refused and starts no run inside the print.
    // Afterwards only the bag stands on the page, and a picture deleted
    // then reaches no later sheet.
    void aCommandGivenDuringAPrintStartsNoRunInsideIt() {
        TPdfPrinterScope pdf(96);
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TImageEx* picture = form.AddPlacedImage(WriteBitmap(dir_, "r.bmp", {8, 8}, false),
                                                {200, 200, 300, 200}, true);
        TFormSettings settings = form.Settings();
        settings.LinesInFront = true;
        form.ApplySettings(settings);
        auto* probe = new TProbe(form.QuickRep1);
        auto fired = std::make_shared<std::atomic<bool>>(false);
        QPointer<TButtonEx> previewButton = form.ButtonEx3;
        probe->OnPrint = [previewButton, fired](const TQRPrintableSnapshot&, TQRPrinter&) {
            if (fired->exchange(true))
                return;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(
                    previewButton, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, " "));
            QMetaObject::invokeMethod(previewButton, "click", Qt::QueuedConnection);
        };
        int previews = 0;
        form.QuickRep1->SetOnPreview([&previews](TQRPrinter*) { ++previews; });
        form.ButtonEx4->click();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(previews, 0); // answered while the print ran, and refused
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QTRY_VERIFY(form.ButtonEx3->isEnabled() && form.ButtonEx4->isEnabled());
        QCOMPARE(form.QuickRep1->Printables(), (QList<TQRPrintable*>{form.QRBag1, probe}));
        QVERIFY(form.PrintElements().PrintImages().isEmpty());
        QCOMPARE(form.PrintElements().FrontBag(), nullptr);

        form.SelectImage(picture);
        form.DeleteSelectedImage();
        QFile::remove(pdf.file);
        form.ButtonEx4->click();
        QTRY_VERIFY(QFile::exists(pdf.file));
        const QImage sheet = RasterisePdf(pdf.file, 96);
        QVERIFY(!sheet.isNull());
        for (int y = 0; y < sheet.height(); y += 2)
            for (int x = 0; x < sheet.width(); x += 2)
                QVERIFY2(sheet.pixel(x, y) != kMagenta, "a deleted picture was printed");
    }

    void aPrintAskedForAsSoonAsOfferedIsCarriedOut() {
        TPdfPrinterScope pdf;
        TForm1 form;
        QList<bool> printed;
        TPreviewVisit visit;
        visit.waitForPage = false;
        visit.action = [&](TQRStandardPreview& preview) {
            bool asked = false;
            auto ask = [&] {
                if (!asked && preview.Print->isEnabled()) {
                    asked = true;
                    preview.Print->trigger();
                }
            };
            connect(preview.QRPreview, &TQRPreview::OnPageAvailable, &preview, ask);
            ask(); // the run may have ended before the window bound it
            QVERIFY(QTest::qWaitFor([&] { return asked; }, 10000));
            printed << QTest::qWaitFor([&] { return QFile::exists(pdf.file); }, 5000);
        };
        for (int i = 0; i < 10; ++i) {
            QFile::remove(pdf.file);
            VisitPreviewWhenShown(visit);
            form.ButtonEx3->click();
        }
        QCOMPARE(printed, QList<bool>(10, true));
    }

    // Disabling the pressed button moves the focus on; it comes back.
    void thePressedButtonHasTheFocusAfterItsCommand_data() {
        QTest::addColumn<bool>("preview");
        QTest::newRow("印刷") << false;
        QTest::newRow("ﾌﾟﾚﾋﾞｭｰ") << true;
    }
    void thePressedButtonHasTheFocusAfterItsCommand() {
        QFETCH(bool, preview);
        TPdfPrinterScope pdf;
        TForm1 form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TButtonEx* button = preview ? form.ButtonEx3 : form.ButtonEx4;
        button->setFocus();
        QCOMPARE(form.focusWidget(), button);
        TPreviewVisit visit;
        visit.action = [](TQRStandardPreview&) {};
        if (preview)
            VisitPreviewWhenShown(visit);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(visit.visits, preview ? 1 : 0);
        QVERIFY(button->isEnabled());
        QCOMPARE(form.focusWidget(), button);
        if (!preview)
            QVERIFY(QFile::exists(pdf.file));
    }

    void portraitInThePrinterDialogReshapesThePage() {
        TPdfPrinterScope pdf; // the dialog lists the printers; none may be installed
        TForm1 form;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            ChooseInPrinterDialog(preview, TPrinterOrientation::Portrait, true);
            QVERIFY(preview.isVisible()); // the dialog leaves the preview open
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        QCOMPARE(form.QuickRep1->size(), QSize(635, 898));
        QCOMPARE(form.QuickRep1->Page()->Orientation(), TPrinterOrientation::Portrait);
        QCOMPARE(form.QuickRep1->PrinterSettings().FirstPage, 1);
        QCOMPARE(form.QuickRep1->PrinterSettings().LastPage, 1);
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TstPrintCommands)
#include "tst_printcommands.moc"
