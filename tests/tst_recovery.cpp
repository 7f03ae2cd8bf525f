// The recovery pair of a window that owns its data folder: a change is in
// the pair within two seconds, a window that ends without a close is
// restored from it, a close removes it, and its writes survive faults and
// kills. The writer is also run as a child process of this test (see main)
// so that it can be killed in the middle of a write.
#include "DataFileSupport.h"
#include "ScratchMount.h"
#include "bag/Common.h"
#include "bag/CommonRecovery.h"
#include "bag/ImageEx.h"
#include "platform/FileSystem.h"
#include "windows/RecoveryWriter.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <cerrno>
#include <csignal>

namespace {
// How long a wait for a write may take where its time is not what is
// checked: a loaded machine's fsync alone can take over a second.
constexpr int kSettleMs = 10000;

const QString kRestored =
    QStringLiteral("前回は閉じる前に終了したため、自動保存された作業を復元しました。");

// Two designs the child writes in turn: a large and a small one, with
// different settings, so that any mix of them shows.
TRecoveryDesign Design(bool large, const QString& picture) {
    TRecoveryDesign design;
    design.Settings = {large ? QRPaper::B4 : QRPaper::A5, large ? 40 : 7, large, !large};
    for (int i = 0; i < (large ? MaxPlacedImages : 1); ++i)
        design.Images.append({i, large ? i : 99, 20, 20, EncodeImagePath(picture), large});
    return design;
}

bool SameDesign(const TRecoveryDesign& a, const TRecoveryDesign& b) {
    return EncodeRecovery(a).Images == EncodeRecovery(b).Images;
}

// Fault layer: the chosen step of saves whose temporary file starts with
// `File` fails with `Error`; every call is counted.
struct TFault {
    QByteArray File;
    QByteArray Step;
    int Error = 0;
    QList<QByteArray> Struck;
    QList<int> Fds;
};
TFault fault;
TFileCalls real;

bool Strikes(const QByteArray& path, const char* step) {
    if (fault.Step != step || !path.contains(fault.File))
        return false;
    fault.Struck.append(step);
    errno = fault.Error;
    return true;
}
const TFileCalls faulty{
    [](const char* path, int flags, mode_t mode) {
        if (Strikes(path, "open"))
            return -1;
        const int fd = real.Open(path, flags, mode);
        if (QByteArray(path).contains(fault.File))
            fault.Fds.append(fd);
        return fd;
    },
    [](int fd, const void* data, size_t size) -> ssize_t {
        return fault.Fds.contains(fd) && Strikes(fault.File, "write") ? -1
                                                                      : real.Write(fd, data, size);
    },
    [](int fd) {
        return fault.Fds.contains(fd) && Strikes(fault.File, "sync") ? -1 : real.Sync(fd);
    },
    [](int fd) {
        const bool strike = fault.Fds.contains(fd) && Strikes(fault.File, "close");
        fault.Fds.removeAll(fd);
        real.Close(fd);
        return strike ? -1 : 0;
    },
    [](const char* from, const char* to) {
        return Strikes(from, "rename") ? -1 : real.Rename(from, to);
    }};
} // namespace

class TstRecovery : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TDataFolderScope> data_;
    QStringList messages_;
    QString Folder() const { return data_->Folder(); }
    QString Picture() { return PutBitmap(Folder() + "p.bmp", Qt::red); }
    bool HasPair() const { return QFile::exists(Folder() + ImageRecoveryName); }
    QStringList Leftovers() const {
        return QDir(Folder()).entryList({"*.tmp*", "*.old*"}, QDir::Files);
    }

    // A window with one picture from the data files, which then moves it
    // and sets the margin to `margin`.
    std::unique_ptr<TForm1> ChangedWindow(int margin) {
        auto form = std::make_unique<TForm1>(nullptr, TDataFolderUse::Owned);
        form->show();
        form->PlacedImages().first()->move(150, 80 + margin);
        TFormSettings settings = form->Settings();
        settings.PageMargin = margin;
        form->ApplySettings(settings);
        return form;
    }
    void PutDataFiles() {
        PutFile(Folder() + SettingFileName, SettingBytes(QRPaper::B5, 20, true, false));
        PutFile(Folder() + ImageFileName, ImageRecordBytes(10, 10, 30, 30, Picture(), true));
    }

private slots:
    void init() {
        data_ = std::make_unique<TDataFolderScope>(messages_);
        real = SystemFileCalls();
    }
    void cleanup() {
        SetFileCalls(SystemFileCalls());
        data_.reset();
    }

    // The road of a kill: the change is in the pair within 2 s while the
    // data files stay as they were; the next window shows it and says so
    // once; its close stores it and removes the pair.
    void changeSurvivesAnEndWithoutCloseAndTheCloseStoresIt() {
        PutDataFiles();
        const QByteArray settingBefore = FileBytes(Folder() + SettingFileName);
        const QByteArray listBefore = FileBytes(Folder() + ImageFileName);
        {
            const auto form = ChangedWindow(33);
            QElapsedTimer sinceChange;
            sinceChange.start();
            QTRY_VERIFY_WITH_TIMEOUT(HasPair() && QFile::exists(Folder() + SettingRecoveryName),
                                     2000);
            QVERIFY(sinceChange.elapsed() <= 2000);
            QCOMPARE(FileBytes(Folder() + SettingFileName), settingBefore);
            QCOMPARE(FileBytes(Folder() + ImageFileName), listBefore);
            // The pair has the data files' formats.
            QCOMPARE(FileBytes(Folder() + SettingRecoveryName),
                     SettingBytes(QRPaper::B5, 33, true, false));
            QVERIFY(
                FileBytes(Folder() + ImageRecoveryName)
                    .startsWith(ImageRecordBytes(80 + 33, 150, 30, 30, Folder() + "p.bmp", true)));
        } // gone without a close, as a killed program goes
        QVERIFY(HasPair());
        TForm1 next(nullptr, TDataFolderUse::Owned);
        QCOMPARE(messages_, QStringList{kRestored});
        QCOMPARE(next.PageMargin(), 33);
        QCOMPARE(next.PlacedImages().size(), 1);
        QCOMPARE(next.PlacedImages().first()->pos(), QPoint(150, 113));
        QVERIFY(next.close());
        QCOMPARE(FileBytes(Folder() + SettingFileName), SettingBytes(QRPaper::B5, 33, true, false));
        QCOMPARE(FileBytes(Folder() + ImageFileName),
                 ImageRecordBytes(113, 150, 30, 30, Folder() + "p.bmp", true));
        QVERIFY(!HasPair());
        QVERIFY(!QFile::exists(Folder() + SettingRecoveryName));
        // A window that only starts and closes writes no pair at all.
        messages_.clear();
        TForm1 calm(nullptr, TDataFolderUse::Owned);
        calm.show();
        QTest::qWait(TRecoveryWriter::kDelayMs + 300);
        QVERIFY(!HasPair());
        QVERIFY(messages_.isEmpty());
    }

    // Every step of the pair's write made to fail: the pair stays readable
    // as the state before (or, once the pictures' file is in place, the new
    // one), no temporary stays, and the next change is written.
    void everyStepOfARecoveryWriteIsChecked_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<bool>("newState");
        for (const char* step : {"open", "write", "sync", "close", "rename"}) {
            QTest::addRow("pictures %s", step)
                << QByteArray("LIST.DAT.recovery") << QByteArray(step) << false;
            // Only the settings' rename comes after the pictures' file is in
            // place.
            QTest::addRow("settings %s", step)
                << QByteArray("SETTING.DAT.recovery") << QByteArray(step)
                << (step == QByteArray("rename"));
        }
    }
    void everyStepOfARecoveryWriteIsChecked() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, step);
        QFETCH(bool, newState);
        PutDataFiles();
        const auto form = ChangedWindow(21);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Folder() + SettingRecoveryName), kSettleMs);
        const TRecoveryDesign before = ReadRecoveryPair(Folder());
        fault = TFault{file, step, EIO, {}, {}};
        SetFileCalls(faulty);
        TFormSettings settings = form->Settings();
        settings.PageMargin = 44;
        form->ApplySettings(settings);
        QTRY_VERIFY_WITH_TIMEOUT(!fault.Struck.isEmpty(), kSettleMs);
        // The rest of the write, if any, removes its temporary.
        QTRY_COMPARE_WITH_TIMEOUT(Leftovers(), QStringList(), kSettleMs);
        const TRecoveryDesign after = ReadRecoveryPair(Folder());
        QCOMPARE(after.Settings.PageMargin, newState ? 44 : 21);
        QCOMPARE(EncodeRecovery(after).Images.size(), EncodeRecovery(before).Images.size());
        SetFileCalls(SystemFileCalls());
        settings.PageMargin = 45;
        form->ApplySettings(settings);
        // The settings' file is put in place last.
        QTRY_COMPARE_WITH_TIMEOUT(FileBytes(Folder() + SettingRecoveryName),
                                  SettingBytes(QRPaper::B5, 45, true, false), kSettleMs);
        QCOMPARE(ReadRecoveryPair(Folder()).Settings.PageMargin, 45);
    }

    // A real full file system: the write fails, the pair written before
    // stays whole and restores.
    void fullFileSystemKeepsThePairWrittenBefore() {
        TScratchMount disk;
        MOUNT_OR_SKIP(disk, "size=256k,nr_inodes=64");
        SetDataFolderOverride(disk.Folder());
        PutFile(disk.Folder() + ImageFileName, ImageRecordBytes(1, 1, 30, 30, Picture(), true));
        {
            TForm1 form(nullptr, TDataFolderUse::Owned);
            form.show();
            form.AddPlacedImage(Folder() + "p.bmp")->move(60, 70);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(disk.Folder() + SettingRecoveryName), kSettleMs);
            QFile filler(disk.Folder() + "filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
            }
            for (int i = 0; i < MaxPlacedImages / 10; ++i)
                form.AddPlacedImage(Folder() + "p.bmp")->move(i, i);
            QTest::qWait(TRecoveryWriter::kDelayMs + 500);
            QCOMPARE(ReadRecoveryPair(disk.Folder()).Images.size(), 2);
            QCOMPARE(QDir(disk.Folder()).entryList({"*.tmp*"}, QDir::Files), QStringList());
        }
        QFile::remove(disk.Folder() + "filler");
        TForm1 next(nullptr, TDataFolderUse::Owned);
        QCOMPARE(messages_, QStringList{kRestored});
        QCOMPARE(next.PlacedImages().size(), 2);
        QCOMPARE(next.PlacedImages().last()->pos(), QPoint(60, 70));
    }

    // A pair that cannot be read is kept as a backup; the data files load
    // instead, with the load error, and the next close writes them.
    void unreadablePairIsKeptAsBackupAndTheDataFilesLoad() {
        PutDataFiles();
        const QByteArray damaged("not a recovery file");
        PutFile(Folder() + ImageRecoveryName, damaged);
        PutFile(Folder() + SettingRecoveryName, SettingBytes(QRPaper::A4, 50, false, false));
        TForm1 form(nullptr, TDataFolderUse::Owned);
        QCOMPARE(messages_, QStringList{QStringLiteral("ファイル読み込みエラー")});
        QCOMPARE(form.PageMargin(), 20);
        QCOMPARE(form.PlacedImages().size(), 1);
        QCOMPARE(FileBytes(Folder() + ImageRecoveryName + ".bak"), damaged);
        QCOMPARE(FileBytes(Folder() + SettingRecoveryName + ".bak"),
                 SettingBytes(QRPaper::A4, 50, false, false));
        QVERIFY(!HasPair());
    }

    // A window that shares its folder (no instance lock) neither restores
    // nor writes a pair: another window may own it.
    void sharedFolderWindowLeavesThePairAlone() {
        PutDataFiles();
        WriteRecoveryPair(EncodeRecovery(Design(false, Picture())), Folder());
        const QByteArray pair = FileBytes(Folder() + ImageRecoveryName);
        const auto form = std::make_unique<TForm1>();
        QCOMPARE(form->PageMargin(), 20);
        form->AddPlacedImage(Folder() + "p.bmp");
        QTest::qWait(TRecoveryWriter::kDelayMs + 300);
        QCOMPARE(FileBytes(Folder() + ImageRecoveryName), pair);
        QVERIFY(messages_.isEmpty());
    }

    // The writer killed at random moments while it writes a large and a
    // small design in turn: the pair always reads as one of the two, and
    // the next owner clears the temporaries a kill leaves.
    void killDuringAWriteLeavesOldOrNewNeverTorn() {
        const QString picture = Picture();
        const TRecoveryDesign large = Design(true, picture), small = Design(false, picture);
        auto* random = QRandomGenerator::global();
        int torn = 0, seenLarge = 0, seenSmall = 0;
        for (int round = 0; round < 25; ++round) {
            RemoveRecoveryPair(Folder());
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(),
                         {"--write-loop", Folder(), picture});
            QVERIFY(writer.waitForStarted());
            QTRY_VERIFY(HasPair());
            QTest::qWait(int(random->bounded(5, 60)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());
            const TRecoveryDesign read = ReadRecoveryPair(Folder());
            const bool isLarge = SameDesign(read, large), isSmall = SameDesign(read, small);
            torn += !isLarge && !isSmall;
            seenLarge += isLarge;
            seenSmall += isSmall;
            QCOMPARE(read.Settings.PageMargin, isLarge ? 40 : 7);
        }
        QCOMPARE(torn, 0);
        QVERIFY2(seenLarge > 0 && seenSmall > 0,
                 qPrintable(QStringLiteral("large %1, small %2").arg(seenLarge).arg(seenSmall)));
        TForm1 owner(nullptr, TDataFolderUse::Owned);
        QCOMPARE(Leftovers(), QStringList());
    }
};

// As a child: writes the two designs in turn until killed.
int WriteLoop(const QString& folder, const QString& picture) {
    const TRecoveryBytes large = EncodeRecovery(Design(true, picture));
    const TRecoveryBytes small = EncodeRecovery(Design(false, picture));
    for (bool next = true;; next = !next)
        WriteRecoveryPair(next ? large : small, folder);
}

int main(int argc, char* argv[]) {
    if (argc == 4 && QByteArray(argv[1]) == "--write-loop")
        return WriteLoop(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QApplication app(argc, argv);
    TstRecovery test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recovery.moc"
