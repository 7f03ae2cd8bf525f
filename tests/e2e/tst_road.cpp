// The road of one typical use, driven as a person would: the real program
// binary on a private X server with a window manager, real mouse and keys,
// the screen read back as pixels.
#include "XSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {
const QString kTitle = QStringLiteral("Tesorin");

// Where the page's top-left pixel lies in the window's client area: below
// the 41-pixel command bar, right of the 1-pixel strip.
constexpr QPoint kPageOrigin(1, 41);
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

    // Keeps what the person saw, for the README's pictures and for failures.
    void SaveShot(const QImage& shot, const QString& name) const {
        const QString dir = qEnvironmentVariable("TESORIN_SHOTS", QDir::tempPath());
        QDir().mkpath(dir);
        shot.copy(client_.adjusted(-1, -25, 1, 1)).save(dir + "/" + name + ".png");
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
        const QImage shot = x_.Screenshot();
        SaveShot(shot, "start");
        // The bag at 30, 30: its flap boundary (x1 = 18) and first valley fold
        // (x2 = 79) in black, the glue flap grey, the paper white.
        QCOMPARE(PagePixel(shot, 30 + 18, 200), QColor(Qt::black));
        QCOMPARE(PagePixel(shot, 30 + 79, 200), QColor(Qt::black));
        QCOMPARE(PagePixel(shot, 35, 200), QColor(128, 128, 128));
        QCOMPARE(PagePixel(shot, 30 + 300, 200), QColor(Qt::white));
        QVERIFY(!QFile::exists(dir_.filePath("SETTING.DAT")));
    }

    void closingEndsTheProgram() { CloseProgram(); }

    // The settings and the (empty) picture list land beside the executable.
    void closingWroteBothDataFilesBesideTheProgram() {
        QFile settings(dir_.filePath("SETTING.DAT"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), QByteArray::fromHex("090000000a000000010000"
                                                         "00"));
        QCOMPARE(QFileInfo(dir_.filePath("LIST.DAT")).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TstRoad)
#include "tst_road.moc"
