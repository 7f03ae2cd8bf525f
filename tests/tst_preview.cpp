// The preview window: zoom arithmetic, the page image control, page
// commands and keys, and what the window tells its printer.
#include "platform/Canvas.h"
#include "platform/Icons.h"
#include "platform/Rounding.h"
#include "report/QRPreviewSource.h"
#include "report/QRStandardPreview.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// A finished or running preview run at 96 dpi with recorded pages, each
// carrying a red square at (100, 100)..(200, 200) of the A4 landscape sheet.
class TRecordedRun : public TQRPreviewSource {
public:
    explicit TRecordedRun(int pages = 1, bool finished = true)
        : pages_(pages), available_(finished ? pages : 0), begun_(finished), finished_(finished) {}

    // The document is open: the sheet is known.
    void Begin() { begun_ = true; }
    void Finish() {
        begun_ = finished_ = true;
        available_ = pages_;
        if (client_)
            QMetaObject::invokeMethod(
                client_, [c = client_, n = pages_] { c->PageAvailable(n); }, Qt::QueuedConnection);
    }

    QString Title() const override { return begun_ ? title : QString(); }
    bool Finished() const override { return finished_; }
    int PageCount() const override { return pages_; }
    int AvailablePages() const override { return available_; }
    long double SheetWidth() const override { return begun_ ? 2970 : 0; }
    long double SheetLength() const override { return begun_ ? 2100 : 0; }
    int ToDeviceWidth(long double v) const override { return int(RoundHalfEven(v * 96 / 254)); }
    int ToDeviceHeight(long double v) const override { return int(RoundHalfEven(v * 96 / 254)); }
    bool PageImage(int n, TQRPageImage& page) const override {
        if (n < 1 || n > available_)
            return false;
        QPicture drawing;
        QPainter p(&drawing);
        p.fillRect(QRect(100, 100, 100, 100), Qt::red);
        p.end();
        page = TQRPageImage(drawing);
        for (const TQRPagePicture& picture : pictures)
            page.AddPicture(picture);
        return true;
    }
    TQRPreview* Client() const override { return client_; }
    void SetClient(TQRPreview* c) override { client_ = c; }
    bool ShowingPreview() const override { return showing_; }
    void SetShowingPreview(bool on) override { showing_ = on; }
    void SetPaperSize(TQRPaperSize) override {}
    void PrintSetup() override { ++setups; }
    void Print() override { ++prints; }
    void PreviewClosed() override { ++closings; }

    QString title;
    std::vector<TQRPagePicture> pictures; // placed above the red square
    int setups = 0, prints = 0, closings = 0;

private:
    int pages_;
    int available_;
    bool begun_;
    bool finished_;
    TQRPreview* client_ = nullptr;
    bool showing_ = false;
};

QWidget* ToolWidget(TQRStandardPreview& w, QAction* a) {
    return w.ToolBar1->widgetForAction(a);
}

// A preview window for the run, shown and exposed.
std::unique_ptr<TQRStandardPreview> ShownPreview(TRecordedRun& run) {
    auto w = std::make_unique<TQRStandardPreview>(nullptr, &run);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    return w;
}

} // namespace

Q_DECLARE_METATYPE(TQRPreview::TZoomMode)

class TstPreview : public QObject {
    Q_OBJECT
private slots:
    void zoomModes_data() {
        using Mode = TQRPreview::TZoomMode;
        QTest::addColumn<QSize>("area");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QRect>("image");
        QTest::newRow("100%, centred")
            << QSize(1272, 900) << Mode::Fixed << 100 << QRect(72, 51, 1127, 798);
        QTest::newRow("width, maximised")
            << QSize(1272, 900) << Mode::FitWidth << 102 << QRect(61, 43, 1149, 814);
        QTest::newRow("page, maximised")
            << QSize(1272, 900) << Mode::FitPage << 108 << QRect(28, 19, 1216, 861);
        QTest::newRow("width, window")
            << QSize(644, 501) << Mode::FitWidth << 52 << QRect(28, 42, 588, 417);
        QTest::newRow("page, window") << QSize(644, 501) << Mode::FitPage << 54 << QRect();
    }
    void zoomModes() {
        using Mode = TQRPreview::TZoomMode;
        QFETCH(QSize, area);
        QFETCH(Mode, mode);
        QFETCH(int, zoom);
        QFETCH(QRect, image);
        TRecordedRun run;
        TQRPreview preview;
        preview.resize(area);
        preview.SetSource(&run);
        if (mode == Mode::Fixed)
            preview.SetZoom(100);
        else
            mode == Mode::FitPage ? preview.ZoomToFit() : preview.ZoomToWidth();
        QCOMPARE(preview.Zoom(), zoom);
        QCOMPARE(preview.ZoomMode(), mode);
        if (!image.isNull()) // the last row checks the zoom only
            QCOMPARE(preview.PreviewImage()->geometry(), image);
    }

    void aComputedZoomUnderTwoIsRefusedButTheModeChanges() {
        TRecordedRun run;
        TQRPreview preview;
        preview.resize(10, 10);
        preview.SetSource(&run);
        preview.SetZoom(300);
        preview.ZoomToWidth();
        QCOMPARE(preview.Zoom(), 300);
        QCOMPARE(preview.ZoomMode(), TQRPreview::TZoomMode::FitWidth);
        preview.ZoomToFit();
        QCOMPARE(preview.Zoom(), 300);
        QCOMPARE(preview.ZoomMode(), TQRPreview::TZoomMode::FitPage);
        preview.SetZoom(1);
        preview.SetZoom(2001);
        QCOMPARE(preview.Zoom(), 300);
    }

    void resizingRefitsTheWidthButOnlyRecentresAFixedZoom() {
        TRecordedRun run;
        TQRPreview preview;
        preview.resize(644, 501);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.SetSource(&run);
        preview.ZoomToWidth();
        preview.resize(1272, 900);
        QCOMPARE(preview.Zoom(), 102);
        QCOMPARE(preview.PreviewImage()->pos(), QPoint(61, 43));
        preview.SetZoom(100);
        preview.resize(1400, 1000);
        QCOMPARE(preview.Zoom(), 100);
        QCOMPARE(preview.PreviewImage()->geometry(), QRect(136, 101, 1127, 798));
        preview.resize(1000, 700); // smaller than the image: at the corner, scrollable
        QCOMPARE(preview.PreviewImage()->pos(), QPoint(0, 0));
    }

    void thePageImageHasOutlineShadowAndTheScaledPage() {
        TRecordedRun run;
        TQRPreview preview;
        preview.resize(1272, 900);
        preview.SetSource(&run);
        preview.SetZoom(100);
        TQRPreviewImage* control = preview.PreviewImage();
        QImage shot(control->size(), QImage::Format_RGB32);
        shot.fill(Qt::green);
        control->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        const int w = shot.width(), h = shot.height();
        const QRgb black = qRgb(0, 0, 0);
        QCOMPARE(shot.pixel(0, 0), black);
        QCOMPARE(shot.pixel(w - 3, h - 3), black); // outline corner
        QCOMPARE(shot.pixel(w - 1, h - 1), black); // shadow
        QCOMPARE(shot.pixel(w - 2, 2), black);
        QCOMPARE(shot.pixel(w - 1, 1), qRgb(0, 255, 0)); // above the shadow: not painted
        QCOMPARE(shot.pixel(1, h - 1), qRgb(0, 255, 0));
        QCOMPARE(shot.pixel(5, 5), qRgb(255, 255, 255));
        QCOMPARE(shot.pixel(150, 150), qRgb(255, 0, 0)); // the page, stretched by 1127/1123
        QCOMPARE(shot.pixel(203, 150), qRgb(255, 255, 255));

        control->DropImage();
        shot.fill(Qt::green);
        control->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(shot.pixel(0, 0), qRgb(0, 255, 0)); // no image, nothing painted
    }

    // At every zoom up to 400 % a picture shows as many of its pixels as the
    // screen has pixels for it, or all of its own.
    void picturesShowAllThePixelsTheZoomCanShow_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("pictureWidth");
        for (const int zoom : {25, 100, 250, 400}) {
            QTest::addRow("photo at %d %%", zoom) << zoom << 3000;
            QTest::addRow("small picture at %d %%", zoom) << zoom << 100;
        }
    }
    void picturesShowAllThePixelsTheZoomCanShow() {
        QFETCH(int, zoom);
        QFETCH(int, pictureWidth);
        QImage picture(pictureWidth, 40, QImage::Format_RGB32);
        for (int x = 0; x < pictureWidth; ++x) // every column a colour of its own
            for (int y = 0; y < 40; ++y)
                picture.setPixel(x, y, qRgb(x & 0xFF, x >> 8, 0x80));
        TRecordedRun run;
        const QRect onPage(100, 300, 375, 250);
        run.pictures.push_back({picture, {onPage, QRect(0, 0, 1123, 794)}});
        TQRPreview preview;
        preview.resize(800, 600);
        preview.SetSource(&run);
        preview.SetZoom(zoom);
        TQRPreviewImage* control = preview.PreviewImage();
        QImage shot(control->size(), QImage::Format_RGB32);
        control->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        const double scale = double(control->width()) / 1123;
        const int left = int(std::lround(onPage.left() * scale));
        const int right = int(std::lround((onPage.right() + 1) * scale));
        const int row = int(std::lround(onPage.center().y() * double(control->height()) / 794));
        QSet<QRgb> columns;
        for (int x = left; x < right; ++x)
            columns.insert(shot.pixel(x, row));
        QCOMPARE(columns.size(), std::min(right - left, pictureWidth));
    }

    void theWindowAsLaidOut() {
        TRecordedRun run;
        TQRStandardPreview w(nullptr, &run);
        w.SaveReport->setVisible(false);
        w.LoadReport->setVisible(false);
        w.Separator4->setVisible(false);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("プレビュー"));
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QVERIFY(!ToolWidget(w, w.SaveReport)->isVisible());
        QVERIFY(!ToolWidget(w, w.LoadReport)->isVisible());
        QVERIFY(!ToolWidget(w, w.Separator4)->isVisible());
        for (QAction* a : {w.ZoomFit, w.Zoom100, w.ZoomToWidth, w.FirstPage, w.PreviousPage,
                           w.ToolButton2, w.LastPage, w.PrintSetup, w.Print, w.Separator3})
            QVERIFY2(ToolWidget(w, a)->isVisible(), qPrintable(a->objectName()));
        QCOMPARE(w.ExitButton->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(w.StatusPanel0->text(), QStringLiteral("0%"));
        QCOMPARE(w.Print->toolTip(), QStringLiteral("印刷"));
        QVERIFY(w.ZoomToWidth->isChecked());
        QCOMPARE(run.Client(), w.QRPreview);
        QVERIFY(run.ShowingPreview());
    }

    void aFinishedRunIsCaughtUpAtBinding() {
        TRecordedRun run;
        TQRStandardPreview w(nullptr, &run);
        QVERIFY(w.QRPreview->PreviewImage()->HasImage());
        QCOMPARE(w.QRPreview->ZoomMode(), TQRPreview::TZoomMode::FitWidth);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ: 1 / 1"));
        QVERIFY(w.Print->isEnabled());
        QVERIFY(w.PrintSetup->isEnabled());
    }

    void theLastPageAvailableShowsThePageFittedAndOffersPrinting() {
        TRecordedRun run(1, false);
        run.title = QStringLiteral("見出し");
        TQRStandardPreview w(nullptr, &run);
        w.QRPreview->resize(1272, 900);
        QVERIFY(!w.Print->isEnabled());
        QVERIFY(!w.PrintSetup->isEnabled());
        QVERIFY(!w.QRPreview->PreviewImage()->HasImage());
        QVERIFY(w.QRPreview->PreviewImage()->isHidden()); // no sheet before the document opens
        QCOMPARE(w.QRPreview->Zoom(), 100);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ:"));
        QCOMPARE(w.windowTitle(), QStringLiteral("プレビュー"));
        run.Begin();
        w.ZoomTo100Click();
        QCOMPARE(w.QRPreview->PreviewImage()->size(), QSize(1127, 798));
        run.Finish();
        QTRY_VERIFY(w.QRPreview->PreviewImage()->HasImage());
        QCOMPARE(w.windowTitle(), QStringLiteral("見出し"));
        QCOMPARE(w.QRPreview->Zoom(), 102);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ: 1 / 1"));
        QVERIFY(w.Print->isEnabled());
        QVERIFY(w.PrintSetup->isEnabled());
        w.Print->trigger();
        w.PrintSetup->trigger();
        QCOMPARE(run.prints, 1);
        QCOMPARE(run.setups, 1);
    }

    void withOnePageEveryPageCommandStaysOnPageOne() {
        TRecordedRun run;
        auto shown = ShownPreview(run);
        QVERIFY(shown);
        TQRStandardPreview& w = *shown;
        for (QAction* a : {w.FirstPage, w.PreviousPage, w.ToolButton2, w.LastPage}) {
            a->trigger();
            QCOMPARE(w.QRPreview->PageNumber(), 1);
            QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ: 1 / 1"));
        }
        for (int key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End}) {
            for (auto mods : {Qt::NoModifier, Qt::ControlModifier}) {
                QTest::keyClick(w.QRPreview, Qt::Key(key), mods);
                QCOMPARE(w.QRPreview->PageNumber(), 1);
                QVERIFY(w.QRPreview->PreviewImage()->HasImage());
                QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ: 1 / 1"));
            }
        }
    }

    void pageKeysFollowTheCtrlRule() {
        TRecordedRun run(3);
        auto shown = ShownPreview(run);
        QVERIFY(shown);
        TQRStandardPreview& w = *shown;
        QWidget* target = w.QRPreview;
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
            QTest::keyClick(target, key, mods);
            return w.QRPreview->PageNumber();
        };
        QCOMPARE(press(Qt::Key_End, Qt::ShiftModifier), 3);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("ページ: 3 / 3"));
        QCOMPARE(press(Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier), 2);
        QCOMPARE(press(Qt::Key_PageDown, Qt::NoModifier), 3);
        QCOMPARE(press(Qt::Key_PageUp, Qt::ControlModifier), 1);
        QCOMPARE(press(Qt::Key_PageDown, Qt::ControlModifier), 3);
        QCOMPARE(press(Qt::Key_Home, Qt::AltModifier), 1);
        QCOMPARE(press(Qt::Key_PageDown, Qt::ControlModifier | Qt::AltModifier), 2);
        // A key sent to a focused tool bar button is seen once, not once per parent.
        target = w.ExitButton;
        QCOMPARE(press(Qt::Key_PageDown, Qt::NoModifier), 3);
        QCOMPARE(press(Qt::Key_PageUp, Qt::NoModifier), 2);
    }

    void closingTellsThePrinterOnceAndUnbinds() {
        TRecordedRun run;
        auto byKey = ShownPreview(run);
        QVERIFY(byKey);
        QTest::keyClick(byKey->QRPreview, Qt::Key_Escape);
        QVERIFY(!byKey->isVisible());
        QCOMPARE(run.closings, 1);
        QCOMPARE(run.Client(), nullptr);
        byKey->ExitClick();
        byKey.reset();
        QCOMPARE(run.closings, 1);

        TRecordedRun second;
        auto byButton = ShownPreview(second);
        QVERIFY(byButton);
        QTest::mouseClick(byButton->ExitButton, Qt::LeftButton);
        QVERIFY(!byButton->isVisible());
        QCOMPARE(second.closings, 1);
    }

    // In a window too narrow for the tool bar, 閉じる is an item of the
    // overflow menu, and choosing it closes the window.
    void theCloseButtonStaysReachableInANarrowWindow() {
        TRecordedRun run;
        auto w = ShownPreview(run);
        QVERIFY(w);
        w->setWindowState(Qt::WindowNoState);
        w->resize(220, 300);
        QTRY_VERIFY(!ToolWidget(*w, w->Print)->isVisible());
        auto* more = w->ToolBar1->findChild<QToolButton*>("qt_toolbar_ext_button");
        QVERIFY(more && more->isVisible());
        bool offered = false;
        // The menu runs its own loop while it shows; it is used from there.
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions())
                if (a->text() == QStringLiteral("閉じる(&C)") && a->isVisible()) {
                    offered = true;
                    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                    return;
                }
            menu->close();
        });
        QTest::mouseClick(more, Qt::LeftButton);
        QVERIFY(offered);
        QTRY_VERIFY(!w->isVisible());
        QCOMPARE(run.closings, 1);
    }

    // 印刷 and プリンタの設定 show the desktop theme's print icons, or the
    // program's own where the theme has none.
    void thePrintButtonsShowPrintIcons_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("theme");
        QTest::newRow("print") << int(TActionIcon::Print) << "document-print";
        QTest::newRow("printer settings") << int(TActionIcon::PrinterSettings) << "printer";
    }
    void thePrintButtonsShowPrintIcons() {
        QFETCH(int, which);
        QFETCH(QString, theme);
        TRecordedRun run;
        TQRStandardPreview w(nullptr, &run);
        QAction* a = TActionIcon(which) == TActionIcon::Print ? w.Print : w.PrintSetup;
        const auto image = [](const QIcon& i) { return i.pixmap(16, 16).toImage(); };
        const QIcon expected = QIcon::hasThemeIcon(theme) ? QIcon::fromTheme(theme)
                                                          : OwnActionIcon(TActionIcon(which));
        QVERIFY(!image(expected).isNull());
        QCOMPARE(image(static_cast<QToolButton*>(ToolWidget(w, a))->icon()), image(expected));
    }

    void progressShowsStepsOfFiveAndClearsAtTheEnds() {
        TRecordedRun run;
        TQRStandardPreview w(nullptr, &run);
        w.QRPreview->ProgressUpdate(3);
        QCOMPARE(w.StatusPanel0->text(), QStringLiteral("0%"));
        w.QRPreview->ProgressUpdate(5);
        QCOMPARE(w.StatusPanel0->text(), QStringLiteral("5%"));
        w.QRPreview->ProgressUpdate(100);
        QCOMPARE(w.StatusPanel0->text(), QString());
    }
};

QTEST_MAIN(TstPreview)
#include "tst_preview.moc"
