// The road of one typical use, driven as a person would: the real program
// binary on a private X server with a window manager, real mouse and keys,
// the screen read back as pixels.
#include "XSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {
const QString kTitle = QStringLiteral("Tesorin");

// Where the page's top-left pixel lies in the window's client area: below
// the 41-pixel command bar, right of the 1-pixel strip.
constexpr QPoint kPageOrigin(1, 41);
// The image layer lies one pixel inside the page.
constexpr QPoint kLayerOrigin(1, 1);
// Command bar buttons, by the centre of each (client coordinates).
constexpr QPoint kOpenButton(8 + 44, 20);
constexpr QPoint kPaperButton(104 + 44, 20);
constexpr QPoint kMountainButton(200 + 44, 20);
constexpr QPoint kSettingsButton(488 + 44, 20);
constexpr QPoint kPrintButton(598 + 42, 20);
constexpr QPoint kPreviewButton(686 + 42, 20);
const QColor kPaper(255, 255, 128);
const QColor kBlue(0, 0, 255), kGreen(0, 192, 0);
} // namespace

class TstRoad : public QObject {
    Q_OBJECT
private:
    XSession x_;
    QTemporaryDir dir_;
    QProcess app_;
    QString win_;
    QRect client_;

    QString ProgramPath() const { return dir_.filePath("tesorin"); }
    QPoint OnPage(int px, int py) const { return client_.topLeft() + kPageOrigin + QPoint(px, py); }
    QColor PagePixel(const QImage& shot, int px, int py) const {
        return shot.pixelColor(OnPage(px, py));
    }
    QPoint OnLayer(int lx, int ly) const { return OnPage(lx, ly) + kLayerOrigin; }
    QColor LayerPixel(const QImage& shot, int lx, int ly) const {
        return shot.pixelColor(OnLayer(lx, ly));
    }
    QPoint OnClient(QPoint p) const { return client_.topLeft() + p; }

    // "開く", then the file typed into the open dialog's name field.
    void OpenPicture(const QString& path) {
        x_.Click(OnClient(kOpenButton));
        QVERIFY2(!x_.WaitForFocusedWindow(QStringLiteral("^開く$")).isEmpty(), "no open dialog");
        x_.Key("ctrl+a");
        x_.Type(path);
        x_.Key("Return");
        QVERIFY(x_.WaitForWindowGone(QStringLiteral("^開く$")));
    }

    // A colour button, then the colour typed into the dialog's HTML field.
    void ChooseColour(QPoint button, const QString& html) {
        x_.Click(OnClient(button));
        QVERIFY2(!x_.WaitForFocusedWindow(QStringLiteral("^色を選択$")).isEmpty(),
                 "no colour dialog");
        x_.Key("alt+h");
        x_.Key("ctrl+a");
        x_.Type(html);
        x_.Key("Return");
        QVERIFY(x_.WaitForWindowGone(QStringLiteral("^色を選択$")));
    }

    static int CountColour(const QImage& img, const QColor& c, int tolerance = 0) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor p = img.pixelColor(x, y);
                n += qAbs(p.red() - c.red()) <= tolerance &&
                     qAbs(p.green() - c.green()) <= tolerance &&
                     qAbs(p.blue() - c.blue()) <= tolerance;
            }
        return n;
    }

    // Dark pixels with the green picture on both sides: a line drawn over it.
    static int CountLinesInFront(const QImage& img) {
        auto picture = [&img](int x, int y) {
            const QColor p = img.pixelColor(x, y);
            return p.green() > 150 && p.red() < 60 && p.blue() < 60;
        };
        // A line pixel is black (the valley folds) or red (the mountain folds
        // in the colour chosen earlier on this road).
        auto dark = [&img](int x, int y) {
            const QColor p = img.pixelColor(x, y);
            return p.lightness() < 70 || (p.red() > 180 && p.green() < 80 && p.blue() < 80);
        };
        int n = 0;
        for (int y = 2; y < img.height() - 2; ++y)
            for (int x = 2; x < img.width() - 2; ++x)
                n += dark(x, y) && ((picture(x - 2, y) && picture(x + 2, y)) ||
                                    (picture(x, y - 2) && picture(x, y + 2)));
        return n;
    }

    // A sheet printed since `since`, whole, claimed by renaming it (a second
    // copy of this test may be printing into the same queue); its path.
    static QString WaitForNewPdf(const QString& dir, const QDateTime& since) {
        const QString claimed = QStringLiteral("%1/road-%2.pdf").arg(dir).arg(getpid());
        const auto whole = [](const QString& path) {
            QFile pdf(path);
            return pdf.open(QIODevice::ReadOnly) && pdf.size() > 16 && pdf.seek(pdf.size() - 16) &&
                   pdf.read(16).contains("%%EOF");
        };
        const bool found = XSession::WaitUntil(
            [&] {
                // The other print tests title their jobs "tesorin-…"; the
                // program's own job has no title.
                for (const QFileInfo& f : QDir(dir).entryInfoList({"*.pdf"}, QDir::Files)) {
                    const QString name = f.fileName();
                    if (!name.startsWith("tesorin-") && !name.startsWith("road-") &&
                        f.lastModified() >= since && whole(f.filePath()) &&
                        QFile::rename(f.filePath(), claimed))
                        return true;
                }
                return false;
            },
            60000);
        return found ? claimed : QString();
    }

    static void MakePictures(const QDir& dir) {
        QImage blue(120, 80, QImage::Format_RGB32);
        blue.fill(kBlue);
        QVERIFY(blue.save(dir.filePath("blue.bmp"), "BMP"));
        QImage green(60, 60, QImage::Format_RGB32);
        green.fill(kGreen);
        QVERIFY(green.save(dir.filePath("green.png"), "PNG"));
    }

    // Keeps what the person saw, for the README's pictures and for failures.
    void SaveShot(const QImage& shot, const QString& name, QRect client = {}) const {
        const QString dir = qEnvironmentVariable("TESORIN_SHOTS", QDir::tempPath());
        QDir().mkpath(dir);
        if (client.isNull())
            client = client_;
        shot.copy(client.adjusted(-1, -25, 1, 1) & shot.rect()).save(dir + "/" + name + ".png");
    }

    void StartProgram() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x_.Display());
        env.remove("QT_QPA_PLATFORM");
        app_.setProcessEnvironment(env);
        app_.setProgram(ProgramPath());
        app_.setWorkingDirectory(dir_.path());
        app_.start();
        QVERIFY(app_.waitForStarted(5000));
        win_ = x_.WaitForWindow(kTitle);
        QVERIFY2(!win_.isEmpty(), "the main window did not appear");
        client_ = x_.Geometry(win_);
    }

    void CloseProgram() {
        x_.CloseWindow(win_);
        QVERIFY2(app_.waitForFinished(10000), "the program did not end after its window closed");
        QCOMPARE(app_.exitStatus(), QProcess::NormalExit);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        MakePictures(QDir(dir_.path()));
        QVERIFY(QFile::copy(TESORIN_BINARY, ProgramPath()));
        QFile::setPermissions(ProgramPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QString error;
        QVERIFY2(x_.Start(&error), qPrintable(error));
    }

    void startsWithTheDefaultPageAndNet() {
        StartProgram();
        // 785 x 625 outside, with openbox's frame (1-pixel border, title bar).
        QCOMPARE(client_.width(), 783);
        const QImage shot = x_.ScreenshotWhen(
            [this](const QImage& s) { return PagePixel(s, 30 + 18, 200) == QColor(Qt::black); });
        SaveShot(shot, "start");
        // The bag at 30, 30: its flap boundary (x1 = 18) and first valley fold
        // (x2 = 79) in black, the glue flap grey, the paper white.
        QCOMPARE(PagePixel(shot, 30 + 18, 200), QColor(Qt::black));
        QCOMPARE(PagePixel(shot, 30 + 79, 200), QColor(Qt::black));
        QCOMPARE(PagePixel(shot, 35, 200), QColor(128, 128, 128));
        QCOMPARE(PagePixel(shot, 30 + 300, 200), QColor(Qt::white));
        QVERIFY(!QFile::exists(dir_.filePath("SETTING.DAT")));
    }

    void openedPicturesStandAtTheLayersCorner() {
        OpenPicture(dir_.filePath("blue.bmp"));
        QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 100, 100) == kBlue; });
        // Shown stretched, 105 x 105, at the layer's top-left corner.
        QCOMPARE(LayerPixel(shot, 0, 0), kBlue);
        QCOMPARE(LayerPixel(shot, 100, 100), kBlue);
        OpenPicture(dir_.filePath("green.png"));
        shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 50, 50) == kGreen; });
        QCOMPARE(LayerPixel(shot, 50, 50), kGreen);
        QCOMPARE(LayerPixel(shot, 104, 104), kGreen);
        QVERIFY(LayerPixel(shot, 106, 50) != kGreen);
    }

    void draggingByTheMiddleMovesAPicture() {
        x_.Drag(OnLayer(52, 52), OnLayer(352, 152));
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 50, 50) == kBlue; });
        QCOMPARE(LayerPixel(shot, 310, 110), kGreen);
        QCOMPARE(LayerPixel(shot, 403, 203), kGreen); // inside the selection frame
        QCOMPARE(LayerPixel(shot, 50, 50), kBlue);    // uncovered again
    }

    void draggingACornerResizesAPicture() {
        x_.Drag(OnLayer(103, 103), OnLayer(353, 163));
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 352, 60) == kBlue; });
        SaveShot(shot, "pictures");
        QCOMPARE(LayerPixel(shot, 352, 60), kBlue);
        QCOMPARE(LayerPixel(shot, 100, 162), kBlue);
        QVERIFY(LayerPixel(shot, 357, 50) != kBlue);
        // Green was placed later, so it covers the overlap.
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);
    }

    void bringToFrontFromThePopupMenu() {
        x_.Click(OnLayer(60, 60), 3);
        x_.Key("Down");
        x_.Key("Return");
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 330, 130) == kBlue; });
        QCOMPARE(LayerPixel(shot, 330, 130), kBlue);
        QCOMPARE(LayerPixel(shot, 380, 190), kGreen);
    }

    void deleteRemovesTheSelectedPicture() {
        x_.Click(OnLayer(50, 50));
        x_.Key("Delete");
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return LayerPixel(s, 50, 50) != kBlue; });
        QVERIFY(LayerPixel(shot, 50, 50) != kBlue);
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);
    }

    // Ctrl+Z brings the deleted picture back on top, where it was; either
    // redo key deletes it again.
    void undoAndRedoTakeTheDeleteBackAndAgain() {
        const auto blueOnTop = [this](const QImage& s) { return LayerPixel(s, 330, 130) == kBlue; };
        const auto greenOnTop = [this](const QImage& s) {
            return LayerPixel(s, 330, 130) == kGreen;
        };
        x_.Key("ctrl+z");
        QImage shot = x_.ScreenshotWhen(blueOnTop);
        QCOMPARE(LayerPixel(shot, 330, 130), kBlue);
        QCOMPARE(LayerPixel(shot, 50, 50), kBlue);
        x_.Key("ctrl+shift+z");
        shot = x_.ScreenshotWhen(greenOnTop);
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);
        QVERIFY(LayerPixel(shot, 50, 50) != kBlue);
        x_.Key("ctrl+z");
        QVERIFY(blueOnTop(x_.ScreenshotWhen(blueOnTop)));
        x_.Key("ctrl+y");
        shot = x_.ScreenshotWhen(greenOnTop);
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);
        QVERIFY(LayerPixel(shot, 50, 50) != kBlue);
    }

    // The arrow keys move the selected picture by 1 pixel, with Shift by 10;
    // a key held down moves it on, and one Ctrl+Z takes the whole hold back.
    // The picture's right column (404, then 405 ...) carries the frame.
    void arrowKeysMoveTheSelectedPicture() {
        const auto greenAt = [this](int x) {
            return [this, x](const QImage& s) { return LayerPixel(s, x, 150) == kGreen; };
        };
        x_.Click(OnLayer(380, 190));
        x_.Key("Right");
        QVERIFY(greenAt(404)(x_.ScreenshotWhen(greenAt(404))));
        x_.Key("shift+Right");
        QVERIFY(greenAt(414)(x_.ScreenshotWhen(greenAt(414))));
        // Held until the server's repeats have carried it ten pixels on.
        x_.Run("xdotool", {"keydown", "Right"});
        const bool repeated = greenAt(424)(x_.ScreenshotWhen(greenAt(424)));
        x_.Run("xdotool", {"keyup", "Right"});
        QVERIFY2(repeated, "the held key did not repeat");
        x_.Key("ctrl+z");
        QImage shot =
            x_.ScreenshotWhen([&](const QImage& s) { return greenAt(414)(s) && !greenAt(416)(s); });
        QVERIFY(greenAt(414)(shot) && !greenAt(416)(shot));
        x_.Key("ctrl+z");
        x_.Key("ctrl+z");
        shot = x_.ScreenshotWhen([&](const QImage& s) { return !greenAt(405)(s); });
        QVERIFY(greenAt(403)(shot) && !greenAt(405)(shot));
        QVERIFY(greenAt(301)(shot));
    }

    void colourCommandsRepaintTheNetUnderThePictures() {
        ChooseColour(kPaperButton, "#ffff80");
        ChooseColour(kMountainButton, "#ff0000");
        const QImage shot = x_.ScreenshotWhen([this](const QImage& s) {
            return PagePixel(s, 30 + 300, 300) == kPaper &&
                   PagePixel(s, 30 + 18, 300) == QColor(255, 0, 0);
        });
        SaveShot(shot, "colours");
        QCOMPARE(PagePixel(shot, 30 + 300, 300), kPaper);
        QCOMPARE(PagePixel(shot, 30 + 18, 300), QColor(255, 0, 0)); // mountain fold x1
        QCOMPARE(PagePixel(shot, 30 + 79, 300), QColor(Qt::black)); // valley fold x2
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);               // picture still on top
    }

    // "その他の設定": B5, margin 25, lines also in front of the pictures.
    void settingsDialogReshapesThePage() {
        x_.Click(OnClient(kSettingsButton));
        QVERIFY2(!x_.WaitForFocusedWindow(QStringLiteral("^その他の設定$")).isEmpty(),
                 "no settings dialog");
        for (const char* k : {"Down", "Down", "Down", "Tab", "ctrl+a"})
            x_.Key(k);
        x_.Type("25");
        for (const char* k : {"Tab", "Tab", "space", "Return"})
            x_.Key(k);
        QVERIFY(x_.WaitForWindowGone(QStringLiteral("^その他の設定$")));
        const QImage shot = x_.ScreenshotWhen(
            [this](const QImage& s) { return PagePixel(s, 778, 300) != QColor(Qt::white); });
        SaveShot(shot, "settings");
        // B5 landscape is 777 x 550 on screen; the bag is inset by 76 pixels,
        // 625 wide, so its flap boundary lies 13 pixels in.
        QCOMPARE(PagePixel(shot, 776, 300), QColor(Qt::white));
        QVERIFY(PagePixel(shot, 778, 300) != QColor(Qt::white));
        QCOMPARE(PagePixel(shot, 80, 300), QColor(128, 128, 128));
        QCOMPARE(PagePixel(shot, 76 + 13, 300), QColor(255, 0, 0));
        QCOMPARE(PagePixel(shot, 76 + 100, 300), kPaper);
        QCOMPARE(LayerPixel(shot, 330, 130), kGreen);
    }

    void previewShowsTheSheetAndCloses() {
        x_.Click(OnClient(kPreviewButton));
        const QString preview = x_.WaitForWindow(QStringLiteral("^プレビュー$"));
        QVERIFY2(!preview.isEmpty(), "no preview window");
        // The page is made on a worker and then fitted to the window.
        const QImage shot = x_.ScreenshotWhen([](const QImage& s) {
            return CountColour(s, kGreen) > 10000 && CountLinesInFront(s) > 50;
        });
        SaveShot(shot, "preview", x_.Geometry(preview));
        // The sheet: the picture, the grey flap and the fold lines in front of
        // the picture, in their chosen colours (the mountain folds red).
        QVERIFY(CountColour(shot, kGreen) > 10000);
        QVERIFY(CountColour(shot, QColor(128, 128, 128)) > 500);
        QVERIFY(CountLinesInFront(shot) > 50);
        x_.CloseWindow(preview);
        QVERIFY(x_.WaitForWindowGone(QStringLiteral("^プレビュー$")));
    }

    void printSendsTheSheetToThePrinter() {
        const QString pdfDir = qEnvironmentVariable("TESORIN_PDF_DIR");
        if (pdfDir.isEmpty())
            QSKIP("no PDF queue prepared (run through road.sh)");
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        x_.Click(OnClient(kPrintButton));
        const QString pdf = WaitForNewPdf(pdfDir, before);
        QVERIFY2(!pdf.isEmpty(), "nothing arrived from the PDF queue");
        QProcess raster;
        raster.start("pdftoppm",
                     {"-r", "60", "-png", "-singlefile", pdf, dir_.filePath("printed")});
        QVERIFY(raster.waitForFinished(60000));
        QFile::remove(pdf);
        const QImage page(dir_.filePath("printed.png"));
        QVERIFY(!page.isNull());
        QVERIFY(CountColour(page, kGreen, 8) > 500);
        QVERIFY(CountLinesInFront(page) > 20);
        page.save(qEnvironmentVariable("TESORIN_SHOTS", QDir::tempPath()) + "/printed.png");
    }

    void closingWritesBothDataFiles() {
        CloseProgram();
        QFile settings(dir_.filePath("SETTING.DAT"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray s = settings.readAll();
        QCOMPARE(s.size(), 12);
        QCOMPARE(quint8(s[0]), quint8(13));                     // B5
        QCOMPARE(s.mid(4, 4), QByteArray::fromHex("19000000")); // 25 mm
        QCOMPARE(quint8(s[8]), quint8(1));                      // lines printed
        QCOMPARE(quint8(s[9]), quint8(1));                      // and in front
        QFile list(dir_.filePath("LIST.DAT"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QByteArray l = list.readAll();
        QCOMPARE(l.size(), 276); // the green picture only; blue was deleted
        // Top (100) comes before Left (300), then width and height (105).
        QCOMPARE(l.mid(0, 16), QByteArray::fromHex("640000002c0100006900000069000000"));
        QCOMPARE(l.mid(16, dir_.filePath("green.png").size() + 1),
                 dir_.filePath("green.png").toLocal8Bit() + QByteArray(1, '\0'));
        QCOMPARE(quint8(l[274]), quint8(1)); // stretched
    }

    void restartShowsTheSamePagePicturesAndSettings() {
        StartProgram();
        const QImage shot = x_.ScreenshotWhen(
            [this](const QImage& s) { return LayerPixel(s, 300, 100) == kGreen; });
        SaveShot(shot, "restart");
        // Colours are not kept: the net is back in white, black and grey;
        // paper, margin and the picture are as they were.
        QCOMPARE(PagePixel(shot, 76 + 100, 300), QColor(Qt::white));
        QCOMPARE(PagePixel(shot, 76 + 13, 300), QColor(Qt::black));
        QCOMPARE(PagePixel(shot, 80, 300), QColor(128, 128, 128));
        QVERIFY(PagePixel(shot, 778, 300) != QColor(Qt::white));
        QCOMPARE(LayerPixel(shot, 300, 100), kGreen);
        QCOMPARE(LayerPixel(shot, 404, 204), kGreen);
        QVERIFY(LayerPixel(shot, 299, 150) != kGreen);
        QVERIFY(LayerPixel(shot, 350, 99) != kGreen);
        QVERIFY(LayerPixel(shot, 50, 50) != kBlue);
        CloseProgram();
    }
};

QTEST_GUILESS_MAIN(TstRoad)
#include "tst_road.moc"
