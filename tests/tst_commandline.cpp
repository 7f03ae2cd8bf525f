// The command line: what each argument asks for, and the Japanese texts of
// help, version and refusals.
#include "windows/CommandLine.h"
#include "windows/Unit1.h"

#include <QtTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void readsExportDpiAndPictures() {
        const TCommandLineParse p = ParseCommandLine(
            {"tesorin", "--export", "/tmp/ふくろ.pdf", "--dpi", "150", "a.bmp", "写真.jpg"});
        QCOMPARE(p.Action, TCommandLineAction::Run);
        QVERIFY(p.Line.Export());
        QCOMPARE(p.Line.ExportFile, QStringLiteral("/tmp/ふくろ.pdf"));
        QCOMPARE(p.Line.Dpi, 150);
        QCOMPARE(p.Line.Files, QStringList({"a.bmp", "写真.jpg"}));

        const TCommandLineParse plain = ParseCommandLine({"tesorin", "--export=x.png"});
        QCOMPARE(plain.Line.ExportFile, QStringLiteral("x.png"));
        QCOMPARE(plain.Line.Dpi, kDefaultExportDpi);
        QVERIFY(!ParseCommandLine({"tesorin"}).Line.Export());
    }

    void helpAndVersionSpeakJapanese() {
        const TCommandLineParse help = ParseCommandLine({"/usr/bin/tesorin", "--help"});
        QCOMPARE(help.Action, TCommandLineAction::Help);
        QVERIFY(
            help.Text.startsWith(QStringLiteral("使い方: tesorin [オプション] [画像ファイル...]")));
        for (const char* name : {"--export <ファイル>", "--dpi <N>", "-h, --help", "-v, --version"})
            QVERIFY2(help.Text.contains(QString::fromUtf8(name)), name);
        QVERIFY(!help.Text.contains(QStringLiteral("Usage")));
        const TCommandLineParse version = ParseCommandLine({"tesorin", "-v"});
        QCOMPARE(version.Action, TCommandLineAction::Version);
        QCOMPARE(version.Text, ProgramCaption() + '\n');
    }

    void refusesWhatItCannotRead_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"tesorin", "--colour"}
                                 << QStringLiteral("不明なオプションです: --colour");
        QTest::newRow("no value") << QStringList{"tesorin", "a.bmp", "--export"}
                                  << QStringLiteral("オプション --export の値がありません。");
        QTest::newRow("empty name")
            << QStringList{"tesorin", "--export="}
            << QStringLiteral("--export に書き出すファイルの名前がありません。");
        QTest::newRow("dpi text")
            << QStringList{"tesorin", "--export", "a.pdf", "--dpi", "high"}
            << QStringLiteral("--dpi には 10 から 1200 までの整数を指定してください: high");
        QTest::newRow("dpi too fine")
            << QStringList{"tesorin", "--export", "a.png", "--dpi", "4800"}
            << QStringLiteral("--dpi には 10 から 1200 までの整数を指定してください: 4800");
        QTest::newRow("dpi alone")
            << QStringList{"tesorin", "--dpi", "300"}
            << QStringLiteral("--dpi は --export と一緒に指定してください。");
    }
    void refusesWhatItCannotRead() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const TCommandLineParse p = ParseCommandLine(arguments);
        QCOMPARE(p.Action, TCommandLineAction::Error);
        QCOMPARE(p.Text, message);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
