// The installed program on the desktop, driven as a person would on a
// private X server with a window manager: its window carries the icon,
// files dragged from another program land on the page as pictures, and,
// started from a folder it cannot write, it keeps what it had across two
// runs in the per-user folder. The binary under test is the one a staged
// install put in place (TESORIN_INSTALLED).
#include "XSession.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kTitle = QStringLiteral("Tesorin");
// The image layer's top-left pixel in the window's client area: below the
// command bar, right of the 1-pixel strip, one pixel inside the page.
constexpr QPoint kLayerOrigin(2, 42);
const QColor kRed(255, 0, 0), kBlue(0, 0, 255);
constexpr QPoint kDropAt(300, 200); // layer coordinates
} // namespace

class TstDesktop : public QObject {
    Q_OBJECT
private:
    XSession x_;
    QTemporaryDir home_;
    QTemporaryDir files_;
    QProcess app_;
    QProcess source_;
    QString win_;
    QRect client_;
    QString program_;

    QPoint OnLayer(QPoint p) const { return client_.topLeft() + kLayerOrigin + p; }
    QColor LayerPixel(const QImage& shot, QPoint p) const { return shot.pixelColor(OnLayer(p)); }

    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x_.Display());
        env.remove("QT_QPA_PLATFORM");
        env.insert("HOME", home_.path());
        env.remove("XDG_CONFIG_HOME");
        return env;
    }

    void StartProgram() {
        app_.setProcessEnvironment(Env());
        app_.setProgram(program_);
        app_.setWorkingDirectory(home_.path());
        app_.setProcessChannelMode(QProcess::MergedChannels);
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

    // The data file the program keeps for this user, wherever under HOME.
    QString UserDataFile(const QString& name) const {
        QDirIterator it(home_.path(), {name}, QDir::Files | QDir::Hidden | QDir::AllDirs,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            if (const QString path = it.next(); QFileInfo(path).isFile())
                return path;
        return QString();
    }

    QString Picture(const QString& name, const QColor& colour) {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = files_.filePath(name);
        img.save(path);
        return path;
    }

    // The drag source's next line: the window under the pointer answered
    // the last position the drag sent it.
    bool NextAnswer() {
        const bool answered = XSession::WaitUntil([this] {
            source_.waitForReadyRead(20);
            return source_.canReadLine();
        });
        return answered && source_.readLine() == "answer\n";
    }

    // Presses the drag source, carries the drag over to 'to' in steps, as a
    // hand does, and lets go there.
    void DragFromSource(const QStringList& paths, QPoint to) {
        source_.setProcessEnvironment(Env());
        source_.start(QStringLiteral(TESORIN_DRAG_SOURCE), paths);
        QVERIFY(source_.waitForStarted(5000));
        const QString w = x_.WaitForWindow(QStringLiteral("^drag source$"));
        QVERIFY2(!w.isEmpty(), "the drag source did not appear");
        const QPoint from = x_.Geometry(w).center();
        x_.MoveMouse(from);
        x_.Run("xdotool", {"mousedown", "1"});
        // A drag sends no position while the last one is unanswered: over the
        // program's window, each step waits for the answer, so that the drop
        // lands where the pointer is.
        for (int i = 1; i <= 12; ++i) {
            const QPoint at = from + (to - from) * i / 12;
            x_.MoveMouse(at);
            if (client_.contains(at))
                QVERIFY2(NextAnswer(), "the program did not answer the drag");
        }
        x_.Run("xdotool", {"mouseup", "1"});
    }

    // Both pictures at the drop point, red beneath and blue a step further.
    bool DroppedPicturesShown(const QImage& shot) const {
        return LayerPixel(shot, kDropAt) == kRed &&
               LayerPixel(shot, kDropAt + QPoint(120, 120)) == kBlue;
    }

private slots:
    void initTestCase() {
        program_ = qEnvironmentVariable("TESORIN_INSTALLED");
        if (program_.isEmpty())
            QSKIP("run through tests/install/desktop_install.sh, which stages the install");
        QVERIFY(QFileInfo(program_).isExecutable());
        QVERIFY(home_.isValid() && files_.isValid());
        QString error;
        QVERIFY2(x_.Start(&error), qPrintable(error));
    }

    void cleanupTestCase() {
        source_.kill();
        source_.waitForFinished(3000);
        if (app_.state() != QProcess::NotRunning) {
            app_.kill();
            app_.waitForFinished(3000);
        }
    }

    void theWindowCarriesTheIconAtEverySize() {
        StartProgram();
        const QString icon = x_.Run("xprop", {"-len", "1000000", "-id", win_, "_NET_WM_ICON"});
        QVERIFY2(icon.startsWith("_NET_WM_ICON(CARDINAL)"), qPrintable(icon.left(200)));
        for (int n : {16, 22, 24, 32, 48, 64, 128, 256})
            QVERIFY2(icon.contains(QStringLiteral("Icon (%1 x %1):").arg(n)),
                     qPrintable(QString::number(n)));
    }

    // Two pictures and a file that is none, dragged from another program:
    // the pictures land at the drop point, 105 x 105, the second on top and a
    // step further; the other file gives 開く's message and adds nothing.
    void filesDraggedFromAnotherProgramArePlaced() {
        const QString red = Picture("red.bmp", kRed);
        const QString blue = Picture("blue.png", kBlue);
        const QString notes = files_.filePath("notes.txt");
        QFile(notes).open(QIODevice::WriteOnly);
        DragFromSource({red, notes, blue}, OnLayer(kDropAt));
        // The error report is titled with the program's name alone.
        const QString box = x_.WaitForFocusedWindow(QStringLiteral("^Tesorin$"), 5000);
        QVERIFY2(!box.isEmpty(), "no message for the file that is no picture");
        x_.Key("Return");
        QVERIFY(x_.WaitForWindowGone(QStringLiteral("^Tesorin$")));
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return DroppedPicturesShown(s); });
        QCOMPARE(LayerPixel(shot, kDropAt), kRed);
        QCOMPARE(LayerPixel(shot, kDropAt + QPoint(15, 104)), kRed);
        QVERIFY(LayerPixel(shot, kDropAt + QPoint(-1, 0)) != kRed);
        QVERIFY(LayerPixel(shot, kDropAt + QPoint(0, -1)) != kRed);
        QCOMPARE(LayerPixel(shot, kDropAt + QPoint(16, 16)), kBlue);
        QCOMPARE(LayerPixel(shot, kDropAt + QPoint(120, 120)), kBlue);
        QVERIFY(LayerPixel(shot, kDropAt + QPoint(121, 121)) != kBlue);
    }

    // Closing writes the data files to the per-user folder (the program's
    // own folder is read-only); the next start shows the same pictures.
    void aReadOnlyProgramFolderKeepsThePicturesPerUser() {
        CloseProgram();
        const QString list = UserDataFile("LIST.DAT");
        QVERIFY2(!list.isEmpty(), qPrintable("no LIST.DAT in the per-user folder; output: " +
                                             QString::fromLocal8Bit(app_.readAll())));
        QCOMPARE(QFileInfo(list).size(), 2 * 276);
        QVERIFY(!UserDataFile("SETTING.DAT").isEmpty());
        QVERIFY(!QFile::exists(QFileInfo(program_).dir().filePath("LIST.DAT")));
        StartProgram();
        const QImage shot =
            x_.ScreenshotWhen([this](const QImage& s) { return DroppedPicturesShown(s); });
        QVERIFY(DroppedPicturesShown(shot));
        CloseProgram();
        QCOMPARE(QFileInfo(list).size(), 2 * 276);
    }
};

QTEST_GUILESS_MAIN(TstDesktop)
#include "tst_desktop.moc"
