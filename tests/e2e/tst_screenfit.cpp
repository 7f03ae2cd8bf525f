// The real program on a screen that cannot hold the window's design size at
// the scale factor in force: at 2x a 1920 x 1080 screen is 960 x 540 logical
// pixels, less than the 785 x 625 the window is laid out for. The window
// comes up sized to the screen with its title bar on it, as a window
// manager frames it.
#include "XSession.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TstScreenFit : public QObject {
    Q_OBJECT
private:
    XSession x_;
    QTemporaryDir home_;
    QProcess app_;

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(x_.Start(&error, QStringLiteral("1920x1080x24")), qPrintable(error));
    }

    void cleanupTestCase() {
        if (app_.state() != QProcess::NotRunning) {
            app_.kill();
            app_.waitForFinished(3000);
        }
    }

    void theWindowFitsTheScreenWithItsTitleBarOnItAtScaleTwo() {
        // A program folder of its own keeps the data files of this run apart.
        const QString program = home_.filePath("tesorin");
        QVERIFY(QFile::copy(QStringLiteral(TESORIN_BINARY), program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x_.Display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_SCALE_FACTOR", "2");
        env.insert("HOME", home_.path());
        env.remove("XDG_CONFIG_HOME");
        app_.setProcessEnvironment(env);
        app_.setProcessChannelMode(QProcess::ForwardedChannels);
        app_.start(program, {});
        QVERIFY(app_.waitForStarted(5000));
        const QString win = x_.WaitForWindow(QStringLiteral("Tesorin"));
        QVERIFY2(!win.isEmpty(), "the main window did not appear");

        const QRect screen(0, 0, 1920, 1080);
        QRect frame;
        // The window is fitted once the manager has framed it.
        const bool fitted = XSession::WaitUntil([&] {
            const QMargins extents = x_.FrameExtents(win);
            frame = x_.Geometry(win).marginsAdded(extents);
            return extents.top() > 0 && screen.contains(frame);
        });
        QVERIFY2(fitted, qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                        .arg(frame.x())
                                        .arg(frame.y())
                                        .arg(frame.width())
                                        .arg(frame.height())));
        // Across, the design width fits and is kept; down, the screen's height
        // is all the window gets.
        // (The frame is measured in logical pixels: within a device pixel.)
        QVERIFY2(qAbs(frame.width() - 2 * 785) <= 2, qPrintable(QString::number(frame.width())));
        QVERIFY2(qAbs(frame.height() - screen.height()) <= 2,
                 qPrintable(QString::number(frame.height())));

        x_.CloseWindow(win);
        QVERIFY(app_.waitForFinished(10000));
        QCOMPARE(app_.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TstScreenFit)
#include "tst_screenfit.moc"
