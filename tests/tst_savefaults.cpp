// The close-time save under write faults: every step of both saves made to
// fail in turn (open, each write, sync, close, rename), and a real full file
// system. After each failure both files are as before, the system's message
// is shown and the window stays open; once the fault is gone the window
// closes and saves.
#include "DataFileSupport.h"
#include "ScratchMount.h"
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "windows/Unit1.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <clocale>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {
// The fault layer: counts the calls each save makes and fails the chosen one.
struct TFault {
    QByteArray File; // "SETTING.DAT" or "LIST.DAT"
    QByteArray Step; // "open", "write", "sync", "close", "rename"
    int Ordinal = 1; // which call of that step, counted from 1
    int Error = 0;
    std::map<int, QByteArray> FileOfFd;
    std::map<QByteArray, int> Count;
    QList<QByteArray> Log; // "FILE step" for every call
};
TFault fault;
TFileCalls real;

QByteArray FileOfTemporary(const char* path) {
    const QByteArray name = QByteArray(path).mid(QByteArray(path).lastIndexOf('/') + 1);
    return name.left(name.indexOf(".tmp"));
}

// True when this call is the one to fail.
bool Strikes(const QByteArray& file, const char* step) {
    fault.Log.append(file + ' ' + step);
    const int n = ++fault.Count[file + ' ' + step];
    if (file != fault.File || step != fault.Step || n != fault.Ordinal)
        return false;
    errno = fault.Error;
    return true;
}

const TFileCalls faulty{
    [](const char* path, int flags, mode_t mode) {
        if (Strikes(FileOfTemporary(path), "open"))
            return -1;
        const int fd = real.Open(path, flags, mode);
        fault.FileOfFd[fd] = FileOfTemporary(path);
        return fd;
    },
    [](int fd, const void* data, size_t size) -> ssize_t {
        return Strikes(fault.FileOfFd[fd], "write") ? -1 : real.Write(fd, data, size);
    },
    [](int fd) { return Strikes(fault.FileOfFd[fd], "sync") ? -1 : real.Sync(fd); },
    [](int fd) {
        // The descriptor goes in any case, as close(2) does on error.
        const bool strike = Strikes(fault.FileOfFd[fd], "close");
        real.Close(fd);
        return strike ? -1 : 0;
    },
    [](const char* from, const char* to) {
        return Strikes(FileOfTemporary(from), "rename") ? -1 : real.Rename(from, to);
    }};

// 300 records: LIST.DAT is larger than one write.
constexpr int kPictures = 300;
} // namespace

class TstSaveFaults : public QObject {
    Q_OBJECT
private:
    QTemporaryDir pictures_;
    QStringList messages_;
    QByteArray settingBefore_, listBefore_;

    // Both data files in `folder`, of a window that then changes them all.
    void PutDataFiles(const QString& folder) {
        const QString bitmap = PutBitmap(pictures_.path() + "/p.bmp", Qt::red);
        settingBefore_ = SettingBytes(QRPaper::B5, 20, true, false);
        listBefore_.clear();
        for (int i = 0; i < kPictures; ++i)
            listBefore_ += ImageRecordBytes(i, i, 30, 30, bitmap, true);
        PutFile(folder + SettingFileName, settingBefore_);
        PutFile(folder + ImageFileName, listBefore_);
    }
    void ChangeEverything(TForm1& form) {
        QCOMPARE(form.PlacedImages().size(), kPictures);
        TFormSettings settings = form.Settings();
        settings.PageMargin = 33;
        form.ApplySettings(settings);
        form.PlacedImages().first()->move(500, 400);
    }
    // Both files as before, also when LIST.DAT failed only after SETTING.DAT
    // had been put in place.
    void CheckFailedClose(TForm1& form, const QString& folder, const QString& message) {
        const QStringList entries = QDir(folder).entryList(QDir::Files);
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(messages_, QStringList{message});
        QCOMPARE(FileBytes(folder + SettingFileName), settingBefore_);
        QCOMPARE(FileBytes(folder + ImageFileName), listBefore_);
        QCOMPARE(QDir(folder).entryList(QDir::Files), entries); // no temporary left
    }
    void CheckSavedOnClose(TForm1& form, const QString& folder) {
        messages_.clear();
        QVERIFY(form.close());
        QVERIFY(messages_.isEmpty());
        QCOMPARE(FileBytes(folder + SettingFileName), SettingBytes(QRPaper::B5, 33, true, false));
        QCOMPARE(FileBytes(folder + ImageFileName).size(), kPictures * ImageRecSize);
        QVERIFY(FileBytes(folder + ImageFileName) != listBefore_);
    }

private slots:
    void init() {
        messages_.clear();
        SetMessageSink([this](const QString& text) { messages_.append(text); });
        real = SystemFileCalls();
    }
    void cleanup() {
        SetFileCalls(SystemFileCalls());
        SetMessageSink({});
        SetDataFolderOverride(QString());
    }

    void everyStepOfEverySaveIsChecked_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<int>("ordinal");
        QTest::addColumn<int>("error");
        for (const char* file : {"SETTING.DAT", "LIST.DAT"}) {
            QTest::addRow("%s open", file) << QByteArray(file) << QByteArray("open") << 1 << ENOSPC;
            QTest::addRow("%s write", file)
                << QByteArray(file) << QByteArray("write") << 1 << ENOSPC;
            QTest::addRow("%s sync", file) << QByteArray(file) << QByteArray("sync") << 1 << EIO;
            QTest::addRow("%s close", file)
                << QByteArray(file) << QByteArray("close") << 1 << EDQUOT;
            QTest::addRow("%s rename", file)
                << QByteArray(file) << QByteArray("rename") << 1 << EBUSY;
        }
        QTest::addRow("LIST.DAT second write")
            << QByteArray("LIST.DAT") << QByteArray("write") << 2 << ENOSPC;
    }
    void everyStepOfEverySaveIsChecked() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, step);
        QFETCH(int, ordinal);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        PutDataFiles(folder);
        SetDataFolderOverride(folder);
        TForm1 form;
        form.show();
        ChangeEverything(form);
        fault = TFault{file, step, ordinal, error, {}, {}, {}};
        SetFileCalls(faulty);
        CheckFailedClose(form, folder,
                         QDir::toNativeSeparators(folder + QString::fromLatin1(file)) + ": " +
                             SystemMessage(error));
        if (file == "SETTING.DAT") // the list is not put in place either
            QVERIFY(!fault.Log.contains("LIST.DAT rename"));
        fault.File.clear(); // the fault is gone
        fault.Log.clear();
        CheckSavedOnClose(form, folder);
        // The steps of one close, in order: this table covers each of them.
        QCOMPARE(fault.Log,
                 (QList<QByteArray>{"SETTING.DAT open", "SETTING.DAT write", "SETTING.DAT sync",
                                    "SETTING.DAT close", "LIST.DAT open", "LIST.DAT write",
                                    "LIST.DAT write", "LIST.DAT sync", "LIST.DAT close",
                                    "SETTING.DAT rename", "LIST.DAT rename"}));
    }

    // The same on a real file system that is full, of space or of inodes.
    // The message is the system's own, in the user's language.
    void fullFileSystemLeavesBothFiles_data() {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<bool>("inodes");
        QTest::newRow("no space") << QByteArray("size=512k,nr_inodes=64") << false;
        QTest::newRow("no inodes") << QByteArray("size=4m,nr_inodes=16") << true;
    }
    void fullFileSystemLeavesBothFiles() {
        QFETCH(QByteArray, options);
        QFETCH(bool, inodes);
        TScratchMount disk;
        MOUNT_OR_SKIP(disk, options);
        const QString folder = disk.Folder();
        PutDataFiles(folder);
        SetDataFolderOverride(folder);
        TForm1 form;
        form.show();
        ChangeEverything(form);
        for (int i = 0; inodes ? PutEmpty(folder + QString::number(i)) : Fill(folder + "filler");
             ++i) {
        }
        const QByteArray locale = std::setlocale(LC_ALL, nullptr);
        const bool japanese = std::setlocale(LC_ALL, "ja_JP.UTF-8") != nullptr;
        const QString reason = SystemMessage(ENOSPC);
        CheckFailedClose(form, folder, QDir::toNativeSeparators(folder + "SETTING.DAT: ") + reason);
        std::setlocale(LC_ALL, locale.constData());
        if (japanese)
            QCOMPARE(reason, QStringLiteral("デバイスに空き領域がありません"));
        else
            qWarning("no ja_JP.UTF-8 locale here: the message is checked in the C locale only");
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            if (name != SettingFileName && name != ImageFileName)
                QVERIFY(QFile::remove(folder + name));
        CheckSavedOnClose(form, folder);
    }

private:
    static bool PutEmpty(const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
        return fd >= 0 && ::close(fd) == 0;
    }
    // Appends to `path` until the file system is full; false then.
    static bool Fill(const QString& path) {
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const QByteArray block(4096, 'f');
        bool room = fd >= 0 && ::write(fd, block.constData(), size_t(block.size())) > 0;
        ::close(fd);
        return room;
    }
};

QTEST_MAIN(TstSaveFaults)
#include "tst_savefaults.moc"
