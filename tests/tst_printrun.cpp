// The print and preview runs of the report page: what is printed and in
// which order, the run state, the progress window, cancelling, errors and
// the release of the preview's printer and page store.
#include "ModalSupport.h"
#include "PrintTestSupport.h"
#include "bag/QQRBag.h"
#include "platform/Errors.h"
#include "platform/HeldPicture.h"
#include "platform/Messages.h"
#include "report/QRImage.h"
#include "report/QRPageList.h"
#include "report/QRPictureDecodes.h"
#include "report/QRProgress.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace {
QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EError& e) {
        return e.Message();
    }
    return {};
}

// A stretched picture on the page that holds `held`.
void AddPicture(TQuickRep& rep, const THeldPicturePtr& held) {
    auto* image = new TQRImage(&rep);
    image->SetBounds(10, 10, 60, 40);
    image->SetStretch(true);
    image->SetPicture(held);
}

// A photo held as its JPEG file's bytes.
THeldPicturePtr HeldJpeg() {
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "jpeg");
    return THeldPicture::ReadBytes(bytes, QStringLiteral("photo.jpg"), QSize(), 1LL << 30).Held;
}
} // namespace

class TstPrintRun : public QObject {
    Q_OBJECT
private slots:
    void printablesPrintInAttachOrderInvisibleOnesToo() {
        TPdfPrinterScope pdf;
        TForm1 form;
        QStringList order;
        for (const char* name : {"back", "front"}) {
            auto* p = new TProbe(form.QuickRep1);
            p->setVisible(false);
            p->OnPrint = [&order, name](const TQRPrintableSnapshot&, TQRPrinter&) {
                order << name;
            };
        }
        auto* bag = new TProbe(form.QuickRep1);
        bag->OnPrint = [&order](const TQRPrintableSnapshot&, TQRPrinter& p) {
            order << "last";
            QCOMPARE(p.PageCount(), 1);
            QVERIFY(p.Canvas());
        };
        form.QuickRep1->Print();
        QCOMPARE(order, (QStringList{"back", "front", "last"}));
        QVERIFY(QFile::exists(pdf.file));
        QCOMPARE(form.QuickRep1->PageCount(), 1);
    }

    void printShowsTheProgressWindowAndIgnoresARunInProgress() {
        TPdfPrinterScope pdf;
        TQuickRep rep;
        auto* probe = new TProbe(&rep);
        int prints = 0;
        QStringList during; // title, size and button of every shown window
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter& p) {
            ++prints;
            for (QWidget* w : ShownWindows()) {
                auto* progress = qobject_cast<TQRProgressForm*>(w);
                QVERIFY(progress);
                QCOMPARE(p.Client(), progress);
                during << w->windowTitle() << QString("%1x%2").arg(w->width()).arg(w->height())
                       << progress->CancelButton()->text();
            }
            TQRPrinter* running = rep.QRPrinter();
            rep.Print(); // ignored: the run is in progress
            rep.Preview();
            QCOMPARE(rep.QRPrinter(), running);
        };
        rep.Print();
        QCOMPARE(prints, 1);
        QCOMPARE(during,
                 (QStringList{QStringLiteral("印刷中"), "149x94", QStringLiteral("キャンセル")}));
        QVERIFY(ShownWindows().isEmpty());
        QCOMPARE(rep.QRPrinter(), nullptr);
        QVERIFY(rep.Available());
    }

    // The direct print, and the print to a sheet file, draw on a worker: the
    // window answers while a printable is being drawn, and the progress
    // window's キャンセル stops the run before the next printable. The
    // abandoned job leaves no document and the file is not written; the next
    // print lands.
    void aPrintRunsBesideTheWindowAndItsCancelLeavesNoJob_data() {
        QTest::addColumn<bool>("toFile");
        QTest::newRow("printer") << false;
        QTest::newRow("sheet file") << true;
    }

    void aPrintRunsBesideTheWindowAndItsCancelLeavesNoJob() {
        QFETCH(bool, toFile);
        TPdfPrinterScope pdf;
        QTemporaryDir folder;
        const QString sheet = folder.filePath("sheet.png");
        const auto print = [&](TQuickRep& rep) {
            if (toFile)
                WhenModal([&sheet](QWidget* dialog) { ChooseInFileDialog(dialog, sheet); });
            rep.Print();
        };
        const QString& output = toFile ? sheet : pdf.file;
        TQuickRep rep;
        rep.PrinterSettings().ToFile = toFile;
        auto* first = new TProbe(&rep);
        auto* later = new TProbe(&rep);
        std::atomic<bool> answered{false};
        std::atomic<bool> cancelSeen{false};
        std::atomic<int> laterPrints{0};
        // The worker asks through atomics that a timer of the window's thread
        // reads: a call posted from the worker is freed there after the window
        // ran it, an order that Qt's uninstrumented atomics hide from
        // ThreadSanitizer.
        std::atomic<bool> askAnswer{false};
        std::atomic<TQRProgressForm*> askCancel{nullptr};
        QTimer window;
        connect(&window, &QTimer::timeout, [&] {
            if (askAnswer.exchange(false))
                answered = true;
            if (TQRProgressForm* progress = askCancel.exchange(nullptr))
                progress->CancelButton()->click();
        });
        window.start(2);
        first->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter& p) {
            if (cancelSeen)
                return;
            askAnswer = true;
            QElapsedTimer t;
            t.start();
            while (!answered && t.elapsed() < 10000)
                QThread::msleep(5);
            auto* progress = qobject_cast<TQRProgressForm*>(p.Client());
            QVERIFY(progress);
            askCancel = progress;
            while (!p.Cancelled() && t.elapsed() < 10000)
                QThread::msleep(5);
            cancelSeen = p.Cancelled();
        };
        later->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) { ++laterPrints; };
        for (int i = 0; i < 6; ++i) // decoded ahead, dropped with the run
            AddPicture(rep, HeldJpeg());
        print(rep);
        QVERIFY(answered);
        QVERIFY(cancelSeen);
        QCOMPARE(laterPrints.load(), 0);
        QVERIFY(!QFile::exists(pdf.file) && !QFile::exists(sheet));
        QVERIFY(ShownWindows().isEmpty());
        QVERIFY(rep.Available());
        print(rep);
        QVERIFY(QFile::exists(output));
        QCOMPARE(laterPrints.load(), 1);
    }

    // Both print commands say that no printer is installed (the offer of a
    // file, which a message sink declines); the preview shows the page's
    // own paper, landscape, whole.
    void withoutPrinterPrintSaysSoAndPreviewShowsThePaper() {
        TQRPrinterService::Install(std::make_unique<TNoPrinterService>());
        QStringList messages;
        const TMessageSink previous = SetMessageSink([&](const QString& t) { messages << t; });
        TForm1 form;
        auto* probe = new TProbe(form.QuickRep1);
        int prints = 0;
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) { ++prints; };
        form.QuickRep1->Print();
        QCOMPARE(prints, 0);
        QCOMPARE(messages, QStringList{NoPrinterMessage()});
        QVERIFY(ShownWindows().isEmpty());
        QRect sheet;
        form.QuickRep1->SetOnPreview([&](TQRPrinter* p) {
            QVERIFY(WaitFinished(p));
            sheet = p->PageImage(1).BoundingRect();
            p->RequestPrint(); // the preview's print does nothing either
            QCoreApplication::processEvents();
        });
        form.QuickRep1->Preview();
        SetMessageSink(previous);
        QCOMPARE(prints, 1); // the preview run only
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.last(), NoPrinterMessage());
        QCOMPARE(sheet, QRect(0, 0, 1123, 794));
        TQRPrinterService::Install(nullptr);
    }

    void previewMakesOnePageAndClosingReleasesTheStoreAndItsFile() {
        TPdfPrinterScope pdf;
        TForm1 form;
        auto* bulky = new TProbe(form.QuickRep1); // a page beyond the memory limit
        bulky->OnPrint = [](const TQRPrintableSnapshot&, TQRPrinter& p) {
            QVector<QPoint> points;
            for (int i = 0; i < 20000; ++i)
                points << QPoint(QRandomGenerator::global()->bounded(1000), i / 20);
            p.Canvas()->Polyline(points);
        };
        TPageClient client;
        QString file;
        QPointer<TQRPrinter> printer;
        form.QuickRep1->SetOnPreview([&](TQRPrinter* p) {
            printer = p;
            p->SetClient(&client);
            p->SetShowingPreview(true);
            QVERIFY(WaitFinished(p));
            QTRY_COMPARE(client.pages, QList<int>{1});
            QCOMPARE(p->PageList()->PageCount(), 1);
            QVERIFY(p->PageList()->Complete());
            QCOMPARE(p->Master(), form.QuickRep1);
            QCOMPARE(form.QuickRep1->QRPrinter(), p);
            form.QuickRep1->Preview(); // the page's printer shows a preview: ignored
            QCOMPARE(form.QuickRep1->QRPrinter(), p);
            file = p->PageList()->Stream().FileName();
            QVERIFY(QFile::exists(file));
            p->ClosePreview();
            QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
        });
        form.QuickRep1->Preview();
        QVERIFY(!file.isEmpty());
        // Freed once back in the event loop: ClosePreview is still on the stack.
        QVERIFY(!printer.isNull());
        QTRY_VERIFY(printer.isNull());
        QVERIFY(!QFile::exists(file));
        QVERIFY(form.QuickRep1->Available());
    }

    // The closed preview's run no longer belongs to the page: the page takes
    // the next run at once, and the run stops at its next check, prints no
    // further printable and releases its printer and page store itself.
    void closingThePreviewDuringTheRunCancelsIt() {
        TQuickRep rep;
        auto* probe = new TProbe(&rep);
        auto* later = new TProbe(&rep);
        QSemaphore entered, proceed;
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) {
            entered.release();
            proceed.acquire();
        };
        std::atomic<int> laterPrints{0};
        later->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) { ++laterPrints; };
        TPageClient client;
        QPointer<TQRPrinter> printer;
        rep.SetOnPreview([&](TQRPrinter* p) {
            printer = p;
            p->SetClient(&client);
            p->SetShowingPreview(true);
            entered.acquire();
            p->ClosePreview(); // the run is still going
            QVERIFY(rep.Cancelled());
            QVERIFY(p->Cancelled());
            QCOMPARE(rep.QRPrinter(), nullptr);
            QVERIFY(rep.Available());
        });
        rep.Preview();
        QVERIFY(!printer.isNull()); // the run has not stopped yet
        proceed.release();
        QTRY_VERIFY(printer.isNull());
        QCOMPARE(laterPrints.load(), 0);
        QVERIFY(client.pages.isEmpty());
        QVERIFY(rep.Available());
    }

    // The sound behaviour: the document is closed, the printer released, the
    // previous printer restored and the page accepts the next print.
    void anErrorInAPrintableEndsThePrintCleanly() {
        TPdfPrinterScope pdf;
        TForm1 form;
        auto* bad = new TProbe(form.QuickRep1);
        bad->OnPrint = [](const TQRPrintableSnapshot&, TQRPrinter&) {
            throw EError(QStringLiteral("壊れた"));
        };
        QCOMPARE(ErrorOf([&] { form.QuickRep1->Print(); }), QStringLiteral("壊れた"));
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
        QVERIFY(form.QuickRep1->Available());
        QVERIFY(ShownWindows().isEmpty());
        QCOMPARE(form.QuickRep1->Units(), TQRUnit::MM);
        QVERIFY(!RasterisePdf(pdf.file, 20).isNull()); // a closed, readable document
        QFile::remove(pdf.file);
        delete bad;
        form.QuickRep1->Print();
        QVERIFY(QFile::exists(pdf.file));
    }

    // Pictures are decoded ahead of their turn; a decode that fails is told
    // when its picture's turn comes: what comes before it prints, nothing
    // after it does, and the run raises its error.
    void aPictureDecodedAheadFailsInItsTurn() {
        TPdfPrinterScope pdf;
        TQuickRep rep;
        QStringList order;
        const auto probe = [&](const char* name) {
            auto* p = new TProbe(&rep);
            p->OnPrint = [&order, name](const TQRPrintableSnapshot&, TQRPrinter&) {
                order << name;
            };
        };
        AddPicture(rep, HeldJpeg());
        probe("before");
        const TPictureRead notAPicture{"not a picture", QSize(64, 48), QImage(), std::nullopt};
        AddPicture(rep, std::make_shared<const THeldPicture>(notAPicture, "bad.jpg", 0));
        probe("after");
        QCOMPARE(ErrorOf([&] { rep.Print(); }),
                 QStringLiteral("ファイル bad.jpg はJPEG イメージではありません"));
        QCOMPARE(order, QStringList{"before"});
        QVERIFY(rep.Available());
    }

    // A decode that starts after pixels were given back is made into them,
    // decoded or taken where it was kept: photos of one size take no fresh
    // memory each.
    void aDecodeStartedAfterAGiveBackIsMadeIntoItsPixels() {
        std::vector<TQRPictureAsk> asks;
        for (int i = 0; i < 6; ++i)
            asks.push_back({HeldJpeg(), QSize(64, 48)});
        TQRPictureDecodes decodes;
        decodes.Start(asks, nullptr);
        // The image data's serial number, which stays while it is written.
        std::vector<quint64> serials;
        for (const TQRPictureAsk& ask : asks) {
            QImage pixels = decodes.Take(ask);
            QCOMPARE(pixels.pixel(10, 10), HeldJpeg()->Decode(QSize(), 1 << 30).pixel(10, 10));
            serials.push_back(quint64(pixels.cacheKey()) >> 32);
            if (serials.size() == 1)
                decodes.GiveBack(std::move(pixels));
        }
        // Four start at once, the fifth as the first is taken, the sixth
        // after the first is given back.
        QCOMPARE(serials[5], serials[0]);
        QVERIFY(serials[4] != serials[0]);
    }

    void anErrorInThePreviewRunReachesTheCallerAfterThePreview() {
        TQuickRep rep;
        auto* bad = new TProbe(&rep);
        bad->OnPrint = [](const TQRPrintableSnapshot&, TQRPrinter&) {
            throw EError(QStringLiteral("壊れた"));
        };
        bool shown = false;
        rep.SetOnPreview([&](TQRPrinter* p) {
            shown = true;
            QVERIFY(WaitFinished(p));
            QCOMPARE(p->PageList()->PageCount(), 1); // the document was closed
        });
        QCOMPARE(ErrorOf([&] { rep.Preview(); }), QStringLiteral("壊れた"));
        QVERIFY(shown);
        QVERIFY(rep.Available());
        QCOMPARE(rep.QRPrinter(), nullptr);
    }

    void printRequestFromThePreviewPrintsAndKeepsThePreviewsPrinter() {
        TPdfPrinterScope pdf;
        TForm1 form;
        form.QuickRep1->SetOnPreview([&](TQRPrinter* p) {
            p->SetShowingPreview(true);
            QVERIFY(WaitFinished(p));
            QVERIFY(form.QuickRep1->Available()); // before the run's end is known
            p->RequestPrint();
            QVERIFY(!QFile::exists(pdf.file)); // posted, not run yet
            QTRY_VERIFY(QFile::exists(pdf.file));
            QCOMPARE(form.QuickRep1->QRPrinter(), p);
            p->ClosePreview();
        });
        form.QuickRep1->Preview();
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
    }

    void marginsThatLeaveNoRoomAreDroppedBeforeARun() {
        TQuickRep rep;
        rep.Page()->SetPaperSize(QRPaper::A5);
        for (int i : {0, 2, 4, 5})
            rep.Page()->SetValue(i, 50); // mm: 100 of 148 and 210
        rep.SetOnPreview([](TQRPrinter* p) { QVERIFY(WaitFinished(p)); });
        rep.Preview();
        for (int i : {0, 2, 4, 5})
            QCOMPARE(double(rep.Page()->NativeValue(i)), 500.0);
        rep.Page()->SetValue(TQRPage::LeftMarginIdx, 150);
        rep.Page()->SetValue(TQRPage::RightMarginIdx, 70); // 220 > 210
        rep.Preview();
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::LeftMarginIdx)), 0.0);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::RightMarginIdx)), 0.0);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::TopMarginIdx)), 500.0);
    }
};

QTEST_MAIN(TstPrintRun)
#include "tst_printrun.moc"
