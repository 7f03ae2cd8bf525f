// The main window's print and preview commands: the print-time elements, the
// layers of the sheet, the page and the button after the run (also a failed
// or cancelled one), and the preview's printer dialog.
#include "ButtonEx.h"
#include "ImageEx.h"
#include "PreviewTestSupport.h"
#include "QQRBag.h"
#include "TrPanel.h"
#include "Unit1.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "report/QRImage.h"
#include "report/QRPageList.h"
#include "report/QRPrinter.h"
#include "report/QuickRep.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
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

QString WriteBitmap(const QTemporaryDir& dir, const QString& name, QSize size, bool noise) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kMagenta);
    if (noise) {
        auto* random = QRandomGenerator::global();
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, random->generate() | 0xFF000000u);
    }
    const QString path = dir.filePath(name);
    image.save(path, "BMP");
    return path;
}

TImageEx* Place(TForm1& form, const QString& path, QRect bounds) {
    auto* image = new TImageEx(form.TransPanel1);
    image->LoadFromFile(path);
    image->setGeometry(bounds);
    image->SetStretch(true);
    image->show();
    form.PlacedImages.append(image);
    return image;
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
    bag.DrawNet(canvas, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), lines);
    return sheet;
}

// A printable that fails while the page is being drawn.
class TFailingPrintable : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    void PrintAt(long double, long double) override { throw EError(QStringLiteral("印刷エラー")); }
};

// A printable that takes its time on the worker and checks that the print
// pictures of the run are still there when it ends.
class TSlowPrintable : public TQRPrintable {
public:
    TSlowPrintable(TForm1* form) : TQRPrintable(form->QuickRep1), form_(form) {}
    void PrintAt(long double, long double) override {
        started = true;
        QThread::msleep(400);
        picturesAlive =
            form_->PrintImages.size() == 1 && form_->PrintImages.first()->Picture().width() == 600;
        done = true;
    }
    std::atomic<bool> started{false}, done{false}, picturesAlive{false};

private:
    TForm1* form_;
};

// Pictures stay out of the page store's stream; a long line of many points
// is what makes a page large enough to move the stream to its file.
class TBulkyPrintable : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    void PrintAt(long double, long double) override {
        QVector<QPoint> points;
        for (int i = 0; i < 20000; ++i)
            points << QPoint(i % 1000, i / 20);
        QRPrinter()->Canvas()->Polyline(points);
    }
};

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
            QCOMPARE(form.PrintImages.size(), 1);
            seen = form.PrintImages.first()->JpegSource() == jpeg;
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        QVERIFY(seen);
    }

    void aPlacedPictureBecomesAPrintPictureOneInsideThePage() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TImageEx* placed =
            Place(form, WriteBitmap(dir_, "a.bmp", {40, 20}, false), {0, 0, 100, 50});
        placed->SetStretch(false);
        form.LinesInFront = true;
        const QImage before = form.QuickRep1->grab().toImage();

        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.PrintImages.size(), 1);
            TQRImage* print = form.PrintImages.first();
            QCOMPARE(print->geometry(), QRect(1, 1, 100, 50));
            QCOMPARE(print->Picture().size(), QSize(40, 20));
            QVERIFY(!print->Stretch());
            QVERIFY(print->isHidden());
            QVERIFY(form.FrontBag && form.FrontBag->isHidden());
            QCOMPARE(form.QuickRep1->Printables(),
                     (QList<TQRPrintable*>{form.QRBag1, print, form.FrontBag}));
            QVERIFY(!form.ButtonEx3->isEnabled());
            QVERIFY(!form.QuickRep1->updatesEnabled());
        };
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form.ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 1);

        QVERIFY(form.PrintImages.isEmpty());
        QCOMPARE(form.FrontBag, nullptr);
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
        form.PrintLines = printLines;
        form.LinesInFront = linesInFront;

        // First without pictures: the sheet is exactly the composed bags.
        QImage sheet;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            QCOMPARE(form.FrontBag != nullptr, printLines && linesInFront);
            sheet = Render(form.QuickRep1->QRPrinter()->PageImage(1));
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        QImage expected = DrawBag(*form.QRBag1, printLines);
        if (printLines && linesInFront) {
            TQRBag front;
            front.Brush()->Style = TBrushStyle::Clear;
            expected = DrawBag(front, true, expected);
        }
        QCOMPARE(sheet, expected);

        // Then with a picture over a fold line.
        Place(form, WriteBitmap(dir_, "p.bmp", {8, 8}, false), {400, 100, 200, 100});
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        const QImage userNet = DrawBag(*form.QRBag1, true);
        const int y = 190;
        int lineX = -1;
        for (int x = 510; x < 740 && lineX < 0; ++x)
            if (userNet.pixel(x, y) == qRgb(255, 0, 0) || userNet.pixel(x, y) == qRgb(0, 255, 0))
                lineX = x;
        QVERIFY(lineX > 0);
        const QRgb expectedOnLine = printLines && linesInFront ? qRgb(0, 0, 0) : kMagenta;
        QCOMPARE(sheet.pixel(lineX, y), expectedOnLine);
        QCOMPARE(sheet.pixel(lineX + 3, y), kMagenta);
        if (!printLines) {
            for (int x = 0; x < sheet.width(); ++x)
                QVERIFY(sheet.pixel(x, y) != qRgb(255, 0, 0) &&
                        sheet.pixel(x, y) != qRgb(0, 255, 0));
        }
    }

    void aFailingRunStillGivesBackButtonPageAndElements() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Place(form, WriteBitmap(dir_, "f.bmp", {8, 8}, false), {10, 10, 50, 50});
        form.LinesInFront = true;
        auto* failing = new TFailingPrintable(form.QuickRep1);
        QStringList messages;
        const TMessageSink previous =
            SetMessageSink([&](const QString& text) { messages.append(text); });
        TPreviewVisit visit;
        visit.waitForPage = false;
        visit.action = [&](TQRStandardPreview&) {
            QVERIFY(QTest::qWaitFor([&] { return form.QuickRep1->Available(); }, 10000));
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        SetMessageSink(previous);
        QCOMPARE(messages, QStringList{QStringLiteral("印刷エラー")});
        QVERIFY(form.ButtonEx3->isEnabled());
        QVERIFY(form.QuickRep1->updatesEnabled());
        QVERIFY(form.PrintImages.isEmpty());
        QCOMPARE(form.FrontBag, nullptr);
        QCOMPARE(form.QuickRep1->Printables(), (QList<TQRPrintable*>{form.QRBag1, failing}));
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
    }

    void thePageStoreFileIsGoneAfterThePreview() {
        TForm1 form;
        Place(form, WriteBitmap(dir_, "big.bmp", {600, 400}, true), {20, 20, 300, 200});
        new TBulkyPrintable(form.QuickRep1);
        QString file;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview&) {
            file = form.QuickRep1->QRPrinter()->PageList()->Stream().FileName();
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        QVERIFY(!file.isEmpty());
        QVERIFY(!QFileInfo::exists(file));
    }

    void closingDuringTheRunLeavesNothingBehind() {
        const QStringList filesBefore = PageStoreFiles();
        TForm1 form;
        Place(form, WriteBitmap(dir_, "big.bmp", {600, 400}, true), {20, 20, 300, 200});
        auto* slow = new TSlowPrintable(&form);
        TPreviewVisit visit;
        visit.waitForPage = false;
        visit.action = [&](TQRStandardPreview& preview) {
            QVERIFY(QTest::qWaitFor([&] { return slow->started.load(); }, 10000));
            QVERIFY(!preview.Print->isEnabled());
            preview.close();
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
        QCOMPARE(visit.visits, 1);
        QVERIFY(slow->done);
        QVERIFY(slow->picturesAlive);
        QVERIFY(form.PrintImages.isEmpty());
        QCOMPARE(form.QuickRep1->Printables(), (QList<TQRPrintable*>{form.QRBag1, slow}));
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
        QVERIFY(form.QuickRep1->Available());
        QCOMPARE(PageStoreFiles(), filesBefore);
        QVERIFY(form.ButtonEx3->isEnabled());
    }

    void portraitInThePrinterDialogReshapesThePage() {
        TForm1 form;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            ChooseInPrinterDialog(preview, TPrinterOrientation::Portrait, true);
            QVERIFY(preview.isVisible()); // the dialog leaves the preview open
        };
        VisitPreviewWhenShown(visit);
        form.ButtonPrevierClick();
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
