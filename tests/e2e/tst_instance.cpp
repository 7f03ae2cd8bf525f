// The real program on a private X server, about the everyday ends of a run:
// a second start hands its files to the running window and ends, a kill
// after a change loses nothing, SIGTERM and a lost X server save or keep
// the work, and a running program that cannot be reached opens nothing.
// The binary is copied into a folder of the test's own, where it keeps its
// data files beside itself as a copied program does.
#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {
const QString kMainTitle = QStringLiteral("^Tesorin\\(仮\\)");
const QString kMessageTitle = QStringLiteral("^Tesorin$");
constexpr int kRecordSize = 276;
} // namespace

class TstInstance : public QObject {
    Q_OBJECT
private:
    XSession x_;
    QTemporaryDir home_;
    QTemporaryDir dir_;
    QString program_;
    QString picture_;

    QString Data(const QString& name) const { return dir_.path() + "/program/" + name; }
    QByteArray Bytes(const QString& name) const {
        QFile f(Data(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int MainWindows(const XSession& x) const {
        int n = 0;
        for (const auto& w : x.Windows())
            n += QRegularExpression(kMainTitle).match(w.second).hasMatch();
        return n;
    }

    void Start(QProcess& app, const XSession& x, const QStringList& args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x.Display());
        env.remove("QT_QPA_PLATFORM");
        env.insert("HOME", home_.path());
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(dir_.path());
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(program_, args);
        QVERIFY(app.waitForStarted(5000));
    }
    void StartWindow(QProcess& app, const XSession& x) {
        Start(app, x);
        QVERIFY2(!x.WaitForWindow(kMainTitle).isEmpty(), "the main window did not appear");
    }
    // A second start that places the picture: exits 0 within 2 s.
    void HandPictureOver(const XSession& x) {
        QProcess second;
        QElapsedTimer timer;
        timer.start();
        Start(second, x, {"red.bmp"}); // relative: the running window gets it whole
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(MainWindows(x), 1, 3000);
    }
    void KillAndWait(QProcess& app, int signal) {
        ::kill(pid_t(app.processId()), signal);
        QVERIFY(app.waitForFinished(10000));
    }
    // The next start says it restored the work; its close stores it. With
    // handOver, a later start hands the picture over while the message
    // waits, and the window places it once it is there.
    void RestartRestoresAndStores(bool handOver = false) {
        QProcess next;
        Start(next, x_); // the message comes before the window shows
        const QString box = x_.WaitForWindow(kMessageTitle, 5000);
        QVERIFY2(!box.isEmpty(), "no message that the work was restored");
        if (handOver) {
            QProcess second;
            Start(second, x_, {"red.bmp"});
            QVERIFY(second.waitForFinished(5000));
            QCOMPARE(second.exitCode(), 0);
        }
        QVERIFY(x_.Activate(box));
        x_.Key("Return");
        QVERIFY(x_.WaitForWindowGone(kMessageTitle, 5000));
        x_.CloseWindow(x_.WaitForWindow(kMainTitle));
        QVERIFY(next.waitForFinished(10000));
        QCOMPARE(next.exitCode(), 0);
        QCOMPARE(Bytes("LIST.DAT").size(), kRecordSize * (handOver ? 2 : 1));
        QVERIFY(Bytes("LIST.DAT").contains(QFile::encodeName(picture_)));
        QVERIFY(!QFile::exists(Data("LIST.DAT.recovery")));
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(x_.Start(&error), qPrintable(error));
        QVERIFY(QDir(dir_.path()).mkpath("program"));
        program_ = dir_.path() + "/program/tesorin";
        QVERIFY(QFile::copy(TESORIN_BINARY, program_));
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(Qt::red);
        picture_ = dir_.path() + "/red.bmp";
        QVERIFY(red.save(picture_, "BMP"));
    }
    void init() {
        for (const QString& name : QDir(Data("")).entryList({"*.DAT*", "*.lock"}, QDir::Files))
            QFile::remove(Data(name));
    }

    // Killed once the change's pair is written (within 4 s), nothing is
    // lost: the lock is taken over, the pair restores the change, and the
    // close stores it. A start ended by a signal while its message waits
    // keeps the pair for the next; files handed over meanwhile are placed.
    void secondStartHandsOverAndAKillLosesNothing() {
        QProcess first;
        StartWindow(first, x_);
        HandPictureOver(x_);
        // The settings file of the pair is put in place last.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Data("SETTING.DAT.recovery")), 4000);
        QVERIFY(QFile::exists(Data("LIST.DAT.recovery")));
        KillAndWait(first, SIGKILL);
        QVERIFY(!QFile::exists(Data("LIST.DAT")));
        QProcess ended;
        Start(ended, x_);
        QVERIFY2(!x_.WaitForWindow(kMessageTitle, 5000).isEmpty(), "no message at the start");
        ::kill(pid_t(ended.processId()), SIGTERM);
        QVERIFY2(ended.waitForFinished(5000), "a signal at the start's message was not taken");
        QCOMPARE(ended.exitCode(), 0);
        QVERIFY(QFile::exists(Data("SETTING.DAT.recovery")));
        QVERIFY(!QFile::exists(Data("LIST.DAT")));
        RestartRestoresAndStores(true);
    }

    void sigtermSavesAsACloseDoes() {
        QProcess app;
        StartWindow(app, x_);
        HandPictureOver(x_); // no time for the pair: the signal's save counts
        KillAndWait(app, SIGTERM);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(Bytes("LIST.DAT").size(), kRecordSize);
        QCOMPARE(Bytes("SETTING.DAT").size(), 12);
        QCOMPARE(QDir(Data("")).entryList({"*.recovery", "*.lock"}, QDir::Files), QStringList());
    }

    // The X server goes away under the program: the pair stays and the
    // next start restores it.
    void lostXServerLeavesThePair() {
        auto gone = std::make_unique<XSession>();
        QString error;
        QVERIFY2(gone->Start(&error), qPrintable(error));
        QProcess app;
        StartWindow(app, *gone);
        HandPictureOver(*gone);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Data("LIST.DAT.recovery")), 2500);
        gone.reset();
        QVERIFY(app.waitForFinished(10000));
        QVERIFY(QFile::exists(Data("LIST.DAT.recovery")));
        RestartRestoresAndStores();
    }

    // The folder's lock is held by a live program that does not answer:
    // the start says so and opens no window.
    void unreachableRunningProgramOpensNothing() {
        QLockFile held(Data("tesorin.lock"));
        QVERIFY(held.tryLock(0));
        QProcess app;
        Start(app, x_, {"red.bmp"});
        const QString box = x_.WaitForWindow(kMessageTitle, 8000);
        QVERIFY2(!box.isEmpty(), "no message that the running program cannot be reached");
        QCOMPARE(MainWindows(x_), 0);
        QVERIFY(x_.Activate(box));
        x_.Key("Return");
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 1);
        QCOMPARE(QDir(Data("")).entryList({"*.DAT*"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TstInstance)
#include "tst_instance.moc"
