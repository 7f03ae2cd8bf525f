// SETTING.DAT: the 12-byte record, the reader's record rules, the paper size
// table, and the file handling shared by both data files (atomic replace,
// backups, the data folder).
#include "DataFileSupport.h"
#include "ScratchMount.h"
#include "bag/Common.h"
#include "platform/Errors.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {
QByteArray Record(quint8 paper, qint32 margin, quint8 lines, quint8 front, char pad = 0) {
    QByteArray b(12, pad);
    b[0] = char(paper);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = char((quint32(margin) >> (8 * i)) & 0xFF);
    b[8] = char(lines);
    b[9] = char(front);
    return b;
}

QByteArray WriteToBytes(const TSettingRec& rec) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteSettings(buffer, rec);
    return bytes;
}

bool ReadFromBytes(QByteArray bytes, TSettingRec& rec) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadSettings(buffer, rec);
}

} // namespace

class TstSettingFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void writesTheDocumentedBytes() {
        const TSettingRec rec{QRPaper::A5, 20, false, true};
        const QByteArray bytes = WriteToBytes(rec);
        QCOMPARE(bytes.size(), 12);
        QCOMPARE(bytes, Record(0x0B, 20, 0, 1));
        QCOMPARE(bytes.mid(4, 4), QByteArray::fromHex("14000000"));
        // A negative margin is stored in two's complement, little-endian.
        QCOMPARE(WriteToBytes({QRPaper::B5, -2, true, false}).mid(4, 4),
                 QByteArray::fromHex("feffffff"));
    }

    void readsHandWrittenRecordsIgnoringPadding() {
        TSettingRec rec;
        QVERIFY(ReadFromBytes(Record(13, 0x01020304, 1, 0, char(0xEE)), rec));
        QCOMPARE(rec.PaperSize, QRPaper::B5);
        QCOMPARE(rec.PageMargin, 0x01020304);
        QVERIFY(rec.PrintLines);
        QVERIFY(!rec.LinesInFront);
        const TSettingRec original{QRPaper::B4, 50, false, true};
        QVERIFY(ReadFromBytes(WriteToBytes(original), rec));
        QCOMPARE(WriteToBytes(rec), WriteToBytes(original));
    }

    void lastWholeRecordWins_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("margin");
        const QByteArray first = Record(9, 11, 1, 0), second = Record(11, 22, 0, 1);
        QTest::newRow("two records") << first + second << true << 22;
        QTest::newRow("13 bytes") << first + QByteArray(1, 'x') << true << 11;
        QTest::newRow("two and a half") << first + second + first.left(6) << true << 22;
        QTest::newRow("11 bytes") << first.left(11) << false << -7;
        QTest::newRow("empty") << QByteArray() << false << -7;
    }
    void lastWholeRecordWins() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, found);
        QFETCH(int, margin);
        TSettingRec rec{QRPaper::A4, -7, true, true};
        QCOMPARE(ReadFromBytes(bytes, rec), found);
        QCOMPARE(rec.PageMargin, margin);
    }

    void paperTableLookups() {
        QCOMPARE(PaperSizeToIndex(9), 0);
        QCOMPARE(PaperSizeToIndex(11), 1);
        QCOMPARE(PaperSizeToIndex(12), 2);
        QCOMPARE(PaperSizeToIndex(13), 3);
        for (int code : {0, 8, 10, 14, 27, 255})
            QCOMPARE(PaperSizeToIndex(TQRPaperSize(code)), -1);
        QComboBox none, b4;
        FillPaperSizeCombo(&none, -1);
        QCOMPARE(none.count(), 4);
        QCOMPARE(none.currentIndex(), -1);
        FillPaperSizeCombo(&b4, 2);
        QCOMPARE(b4.currentText(), QStringLiteral("B4"));
        QCOMPARE(b4.itemText(0) + b4.itemText(1) + b4.itemText(3), QStringLiteral("A4A5B5"));
    }

    void fileIsReplacedWholeWithoutLeftovers() {
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        QFile old(folder + SettingFileName);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(40, 'z')); // longer than a record: must not survive
        old.close();
        QVERIFY(WriteSettingFile({QRPaper::A5, 20, false, true}, folder));
        QCOMPARE(FileBytes(folder + SettingFileName), Record(0x0B, 20, 0, 1));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{SettingFileName});
        TSettingRec rec;
        QVERIFY(ReadSettingFile(rec, folder));
        QCOMPARE(rec.PaperSize, QRPaper::A5);
    }

    void failuresRaiseTheSystemMessage() {
        QTemporaryDir dir;
        TSettingRec rec;
        try {
            ReadSettingFile(rec, dir.path() + '/');
            QFAIL("reading a missing file must raise");
        } catch (const EError& e) {
            QVERIFY(e.Message().contains(SettingFileName));
        }
        // A regular file where the folder should be: nothing can be created in it.
        const QString notAFolder = dir.path() + "/plain";
        QFile plain(notAFolder);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY_THROWS_EXCEPTION(EError, WriteSettingFile(rec, notAFolder + '/'));
        // A folder in the file's place: the final rename fails, nothing is left behind.
        QVERIFY(QDir(dir.path()).mkdir(SettingFileName));
        QVERIFY_THROWS_EXCEPTION(EError, WriteSettingFile(rec, dir.path() + '/'));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"plain"});
    }

    // Failed starts in a row: every content the file had is kept once.
    void backupsAreNumberedAndNeverReplaced() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/LIST.DAT";
        QVERIFY(::mkfifo(QFile::encodeName(path + ".1.bak").constData(), 0600) == 0);
        const QList<QByteArray> contents{"first", "second", "first", "third", "second"};
        for (const QByteArray& content : contents) {
            PutFile(path, content);
            BackupFile(path);
        }
        QCOMPARE(FileBytes(path + ".bak"), QByteArray("first"));
        QCOMPARE(FileBytes(path + ".2.bak"), QByteArray("second")); // the pipe is passed by
        QCOMPARE(FileBytes(path + ".3.bak"), QByteArray("third"));
        QVERIFY(QFileInfo(path + ".1.bak").isFile() == false);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 5);
        QFile::remove(path);
        BackupFile(path); // nothing to keep
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 4);
    }

    void writableExecutableFolderHoldsTheFiles() {
        QTemporaryDir dir;
        const TDataFolders folders = DataFoldersFor(dir.path());
        QCOMPARE(folders.Read, dir.path() + '/');
        QCOMPARE(folders.Write, dir.path() + '/');
        SetDataFolderOverride(dir.path());
        QCOMPARE(DataFolders().Write, dir.path() + '/');
        SetDataFolderOverride(QString());
        QCOMPARE(DataFolders().Read, QCoreApplication::applicationDirPath() + '/');
    }

    // An installed program (its menu entry where installing puts it, under
    // any prefix) keeps nothing beside itself, even in a folder it could
    // write, as root does; a copied program folder keeps its files beside it.
    void installedProgramKeepsItsFilesInTheUserFolder() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        QVERIFY(QDir(prefix.path()).mkpath("share/applications"));
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + '/';
        QCOMPARE(DataFoldersFor(prefix.path() + "/bin").Write, prefix.path() + "/bin/");
        QFile entry(prefix.path() + "/share/applications/jp.tesorin.Tesorin.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        QVERIFY(IsInstalledProgramFolder(prefix.path() + "/bin"));
        QCOMPARE(DataFoldersFor(prefix.path() + "/bin").Write, config);
        QCOMPARE(DataFoldersFor(prefix.path()).Write, prefix.path() + '/');
    }

    // A program started from a read-only folder reads the files beside it
    // until the configuration folder holds its own.
    void readOnlyExecutableFolderIsReadUntilTheConfigFolderHoldsFiles() {
        TScratchMount exe;
        MOUNT_OR_SKIP(exe, "size=64k");
        PutFile(exe.Folder() + SettingFileName, Record(13, 25, 1, 0));
        QVERIFY(exe.RemountReadOnly());
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + '/';
        QDir(config).removeRecursively();
        const TDataFolders first = DataFoldersFor(exe.Folder());
        QCOMPARE(first.Read, exe.Folder());
        QCOMPARE(first.Write, config);
        TSettingRec rec;
        QVERIFY(ReadSettingFile(rec, first.Read));
        QCOMPARE(rec.PageMargin, 25);
        QVERIFY(WriteSettingFile(rec, first.Write));
        const TDataFolders next = DataFoldersFor(exe.Folder());
        QCOMPARE(next.Read, config);
        QCOMPARE(next.Write, config);
        QDir(config).removeRecursively();
    }
};

QTEST_MAIN(TstSettingFile)
#include "tst_settingfile.moc"
