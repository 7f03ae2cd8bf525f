// The report printer object: device conversions, sheet sizes, the document
// states, settings applied to the printer and the notifications it posts.
#include "PrintTestSupport.h"
#include "platform/Errors.h"
#include "platform/PrinterMedia.h"
#include "report/QRPageList.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <future>

class TstPrinter : public QObject {
    Q_OBJECT
private slots:
    void toDeviceAt600DpiWithoutOffset() {
        TPdfPrinterScope pdf(600, 0);
        TQRPrinter p;
        p.BeginDocument();
        QCOMPARE(double(p.DevicePerNativeX()), 600.0 / 254);
        QCOMPARE(p.PrinterLeftOffset(), 0);
        QCOMPARE(p.ToDeviceX(99.21875L), 234);
        QCOMPARE(p.ToDeviceX(98.21875L), 232);
        QCOMPARE(p.ToDeviceX(100), 236);
        QCOMPARE(p.ToDeviceWidth(2771.5104166L), 6547);
        p.AbortDocument();
    }

    void unprintableOffsetIsSubtractedInNativeUnits() {
        TPdfPrinterScope pdf(600, 50);
        TQRPrinter p;
        p.BeginDocument();
        QCOMPARE(p.PrinterLeftOffset(), 21); // round(50 / 600 x 254)
        QCOMPARE(p.PrinterTopOffset(), 21);
        QCOMPARE(p.ToDeviceX(100), 187); // round(79 x 600 / 254)
        QCOMPARE(p.ToDeviceY(100), 187);
        QCOMPARE(p.ToDeviceWidth(100), 236); // extents carry no offset
        p.AbortDocument();
    }

    void misuseIsReportedWithItsMessage() {
        TQRPrinter p;
        p.SetDestination(TQRDestination::PageStore);
        auto message = [](auto&& f) {
            try {
                f();
            } catch (const EError& e) {
                return e.Message();
            }
            return QString();
        };
        QCOMPARE(message([&] { p.NewPage(); }), QStringLiteral("間違った NewPage の呼び出し"));
        p.BeginDocument();
        QCOMPARE(message([&] { p.BeginDocument(); }),
                 QStringLiteral("QRPrinter の準備ができていません"));
        p.NewPage();
        p.EndDocument();
        QCOMPARE(p.Status(), TQRPrinterStatus::Finished);
        QCOMPARE(message([&] { p.NewPage(); }), QStringLiteral("間違った NewPage の呼び出し"));
    }

    void pageStoreSheetsAt96Dpi_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("sheet");
        QTest::newRow("A4") << 9 << QSize(1123, 794);
        QTest::newRow("A5") << 11 << QSize(794, 559);
        QTest::newRow("B4") << 12 << QSize(1338, 945);
        QTest::newRow("B5") << 13 << QSize(971, 688);
    }
    void pageStoreSheetsAt96Dpi() {
        QFETCH(int, code);
        QFETCH(QSize, sheet);
        TPdfPrinterScope pdf; // a printer that takes every paper
        TQRPrinter p;
        p.SetDestination(TQRDestination::PageStore);
        p.SetPaperSize(TQRPaperSize(code));
        p.SetOrientation(TPrinterOrientation::Landscape);
        p.BeginDocument();
        QCOMPARE(p.PrinterLeftOffset(), 0);
        p.NewPage();
        QVERIFY(p.Canvas());
        p.EndDocument();
        QCOMPARE(p.PageImage(1).BoundingRect(), QRect(QPoint(0, 0), sheet));
        QVERIFY(p.PageImage(2).IsNull());
        QVERIFY(p.PageImage(0).IsNull());
    }

    // Without a printer the sheet is the page's own paper as oriented (a
    // preview shows it whole); the job settings stay unaccepted.
    void withoutPrinterTheSheetIsThePagesPaper() {
        TQRPrinterService::Install(std::make_unique<TNoPrinterService>());
        TQRPrinter p;
        QVERIFY(!p.PrinterOK());
        p.SetPaperSize(QRPaper::B4);
        p.SetOrientation(TPrinterOrientation::Landscape);
        p.SetCopies(3);
        QCOMPARE(p.PaperSize(), QRPaper::B4);
        QCOMPARE(p.Orientation(), TPrinterOrientation::Landscape);
        QCOMPARE(p.Copies(), 1);
        QCOMPARE(double(p.SheetWidth()), 3540.0);
        QCOMPARE(double(p.SheetLength()), 2500.0);
        p.SetDestination(TQRDestination::PageStore);
        p.BeginDocument();
        p.NewPage();
        p.EndDocument();
        QCOMPARE(p.PageImage(1).BoundingRect(), QRect(0, 0, 1338, 945));
        TQRPrinterService::Install(nullptr);
    }

    // The media is the drivers' paper of the code; the sheet laid out on it
    // keeps the table's size (B4 250 x 354 on JIS B4 paper).
    void paperCodesBecomeTheDriversPaperOnThePrinter_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSizeF>("mm");
        QTest::addColumn<double>("sheetWidth");
        QTest::newRow("A4") << 9 << QSizeF(210, 297) << 2970.0;
        QTest::newRow("A5") << 11 << QSizeF(148, 210) << 2100.0;
        QTest::newRow("B4 on JIS B4") << 12 << QSizeF(257, 364) << 3540.0;
        QTest::newRow("B5 on JIS B5") << 13 << QSizeF(182, 257) << 2570.0;
        QTest::newRow("Letter") << 1 << QSizeF(215.9, 279.4) << 2794.0;
    }
    void paperCodesBecomeTheDriversPaperOnThePrinter() {
        QFETCH(int, code);
        QFETCH(QSizeF, mm);
        QFETCH(double, sheetWidth);
        TPdfPrinterScope pdf;
        TQRPrinter p;
        p.SetPaperSize(TQRPaperSize(code));
        p.SetOrientation(TPrinterOrientation::Landscape);
        p.SetCopies(2);
        p.BeginDocument();
        const QPageLayout layout = p.Device()->pageLayout();
        QCOMPARE(layout.pageSize().size(QPageSize::Millimeter), mm);
        QCOMPARE(layout.orientation(), QPageLayout::Landscape);
        QCOMPARE(p.Copies(), p.Device()->supportsMultipleCopies() ? 2 : 1); // PDF: no copies
        QCOMPARE(double(p.SheetWidth()), sheetWidth);
        p.AbortDocument();
    }

    // A job that cannot have its paper, or whose printer is gone, is refused
    // with a message naming the paper or the printer; nothing is printed.
    void aJobWithoutItsPaperOrPrinterIsRefusedByName_data() {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no B4") << QString() << 12
                               << QStringLiteral(
                                      "プリンタ「」には用紙 B4 (257 × 364 mm) がありません。");
        QTest::newRow("printer gone") << QStringLiteral("gone") << 9
                                      << QStringLiteral("プリンタ「gone」が見つかりません。"
                                                        "プリンタの設定で選び直してください。");
    }
    void aJobWithoutItsPaperOrPrinterIsRefusedByName() {
        QFETCH(QString, printer);
        QFETCH(int, code);
        QFETCH(QString, message);
        struct TLimitedService : TQRPdfFileService {
            using TQRPdfFileService::TQRPdfFileService;
            std::unique_ptr<QPrinter> Open(const QString& name) const override {
                return name == "gone" ? nullptr : TQRPdfFileService::Open(name);
            }
            QPageSize Media(const QPrinter& p, TQRPaperSize c, QSizeF custom) const override {
                return c == QRPaper::B4 ? QPageSize() : TQRPdfFileService::Media(p, c, custom);
            }
        };
        QTemporaryDir dir;
        const QString file = dir.filePath("out.pdf");
        TQRPrinterService::Install(std::make_unique<TLimitedService>(file, 600, 0));
        TQRPrinter p;
        p.SetPrinterName(printer);
        p.SetPaperSize(TQRPaperSize(code));
        QString refused;
        try {
            p.BeginDocument();
        } catch (const EError& e) {
            refused = e.Message();
        }
        TQRPrinterService::Install(nullptr);
        QCOMPARE(refused, message);
        QVERIFY(!QFile::exists(file));
    }

    void pageAvailableIsPostedToTheBoundClientOnly() {
        TQRPrinter p;
        TPageClient client;
        p.SetDestination(TQRDestination::PageStore);
        p.SetClient(&client);
        p.BeginDocument();
        p.NewPage();
        p.NewPage();                          // closing page 1 makes it available
        QCOMPARE(client.pages, QList<int>{}); // posted, not yet delivered
        p.EndDocument();
        QCoreApplication::processEvents();
        QCOMPARE(client.pages, (QList<int>{1, 2}));
        QCOMPARE(p.PageList()->PageCount(), 2);
        QVERIFY(p.PageList()->Complete());

        TQRPrinter q;
        q.SetDestination(TQRDestination::PageStore);
        q.SetClient(&client);
        q.BeginDocument();
        q.NewPage();
        q.SetClient(nullptr);
        q.EndDocument();
        QCoreApplication::processEvents();
        QCOMPARE(client.pages, (QList<int>{1, 2}));
    }

    void abandoningKeepsThePartialPageInTheStore() {
        TQRPrinter p;
        p.SetDestination(TQRDestination::PageStore);
        p.BeginDocument();
        p.NewPage();
        p.Canvas()->SetBrushColor(clRed);
        p.Canvas()->FillRect(10, 10, 20, 20);
        p.Cancel();
        p.AbortDocument();
        QCOMPARE(p.Status(), TQRPrinterStatus::Finished);
        QCOMPARE(p.PageList()->PageCount(), 1);
        QVERIFY(!p.PageList()->Complete());
        QImage img(40, 40, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        p.PageImage(1).Play(painter);
        QCOMPARE(img.pixelColor(15, 15), QColor(Qt::red));
    }

    void pagesOutsideTheRangeAreNotPrinted() {
        TPdfPrinterScope pdf;
        TQRPrinter p;
        p.SetPageRange(2, 0);
        p.BeginDocument();
        p.NewPage();
        QVERIFY(p.Canvas()); // a throwaway page
        p.EndDocument();
        QVERIFY(!QFile::exists(pdf.file)); // the job never started
        QCOMPARE(p.AvailablePages(), 1);
    }

    // The print server is asked on a thread of its own (its client library
    // takes the server's address once per thread), while this thread serves
    // as that server: one that answers, one that takes the connection and
    // never answers (also to an encrypted connection, whose handshake then
    // waits a minute on its own), and none at all, which refuses at once.
    // Qt's own requests would wait a minute for the second.
    void thePrintServerIsAskedWithoutWaitingForOneThatHangs_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArray>("encryption");
        QTest::addColumn<bool>("silent");
        QTest::newRow("answers") << "answers" << QByteArray() << false;
        QTest::newRow("hangs") << "hangs" << QByteArray() << true;
        QTest::newRow("hangs, encrypted") << "hangs" << QByteArray("Required") << true;
        QTest::newRow("none") << "none" << QByteArray() << false;
    }
    void thePrintServerIsAskedWithoutWaitingForOneThatHangs() {
        QFETCH(QString, server);
        QFETCH(QByteArray, encryption);
        QFETCH(bool, silent);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const quint16 port = listener.serverPort();
        QList<QTcpSocket*> taken;
        connect(&listener, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* socket = listener.nextPendingConnection();
            taken.append(socket);
            if (server == "answers")
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
                });
        });
        if (server == "none")
            listener.close();
        const QByteArray before = qgetenv("CUPS_SERVER");
        qputenv("CUPS_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(port));
        if (!encryption.isEmpty())
            qputenv("CUPS_ENCRYPTION", encryption);
        QElapsedTimer timer;
        timer.start();
        std::future<bool> asked =
            std::async(std::launch::async, [] { return PrintServerSilent(300); });
        QTRY_VERIFY_WITH_TIMEOUT(
            asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 10000);
        qputenv("CUPS_SERVER", before);
        qunsetenv("CUPS_ENCRYPTION");
        QCOMPARE(asked.get(), silent);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(taken.isEmpty(), server == "none");
        qDeleteAll(taken);
    }
};

QTEST_MAIN(TstPrinter)
#include "tst_printer.moc"
