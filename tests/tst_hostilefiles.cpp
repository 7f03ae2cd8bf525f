// The window's start and close with data files that are not what they should
// be, on real files: pipes, device nodes and links in their place, a link
// into a read-only folder, a huge LIST.DAT, failed starts in a row, and names
// that are not code page 932. Start-up must never block or crash, nothing the
// user had may be lost, and the window can always be closed.
#include "DataFileSupport.h"
#include "ScratchMount.h"
#include "bag/Common.h"
#include "bag/CommonRecovery.h"
#include "bag/ImageEx.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "report/QuickRep.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
const QString kReadError = QStringLiteral("ファイル読み込みエラー");

// What is at `path`, without following a link: its type and device number.
QPair<mode_t, dev_t> NodeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {st.st_mode & S_IFMT, st.st_rdev};
}

bool MakeLink(const QString& target, const QString& link) {
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) ==
           0;
}
} // namespace

class TstHostileFiles : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TDataFolderScope> data_;
    QStringList messages_;
    QString Folder() const { return data_->Folder(); }
    QString Picture() { return PutBitmap(Folder() + "p.bmp", Qt::red); }

    // Something that is not a regular file, made at `path`.
    void MakeNode(const QString& kind, const QString& path) {
        const QByteArray p = QFile::encodeName(path);
        if (kind == "pipe")
            QVERIFY(::mkfifo(p.constData(), 0600) == 0);
        else if (kind == "device" && ::mknod(p.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("this machine does not let the test make a device node");
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "link to a pipe")
            QVERIFY(::mkfifo(QFile::encodeName(Folder() + "pipe").constData(), 0600) == 0 &&
                    MakeLink(Folder() + "pipe", path));
        else if (kind == "link to nothing")
            QVERIFY(MakeLink(Folder() + "nothing", path));
    }

private slots:
    void init() { data_ = std::make_unique<TDataFolderScope>(messages_); }
    void cleanup() { data_.reset(); }

    // Start-up refuses the file at once; the first close says it cannot be
    // replaced and stays open, the next one leaves it and closes.
    void nonRegularDataFileIsRefusedAndLeftAlone_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"pipe", "device", "folder", "link to a pipe", "link to nothing"}) {
            QTest::addRow("SETTING.DAT, %s", kind) << SettingFileName << QString(kind);
            QTest::addRow("LIST.DAT, %s", kind) << ImageFileName << QString(kind);
        }
    }
    void nonRegularDataFileIsRefusedAndLeftAlone() {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        const QString other = file == SettingFileName ? ImageFileName : SettingFileName;
        const QByteArray otherBefore = file == SettingFileName
                                           ? ImageRecordBytes(1, 2, 30, 40, Picture(), true)
                                           : SettingBytes(QRPaper::B5, 20, true, false);
        PutFile(Folder() + other, otherBefore);
        MakeNode(kind, Folder() + file);
        const auto node = NodeOf(Folder() + file);
        TForm1 form;
        form.show();
        QCOMPARE(messages_, QStringList{kReadError});
        // SETTING.DAT failing skips LIST.DAT, as any loading error does.
        QCOMPARE(form.PlacedImages().size(), 0);
        QCOMPARE(form.PageMargin(), file == SettingFileName ? 10 : 20);
        TFormSettings settings = form.Settings();
        settings.PageMargin = 33; // both files have news to save
        form.ApplySettings(settings);
        messages_.clear();
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(QDir::toNativeSeparators(Folder() + file) + ": "));
        QCOMPARE(FileBytes(Folder() + other), otherBefore); // not written after the refusal
        QVERIFY(form.close());
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(NodeOf(Folder() + file), node);
        QVERIFY(FileBytes(Folder() + other) != otherBefore);
        QVERIFY(!QDir(Folder()).entryList().join(' ').contains(".tmp"));
    }

    // A link to a regular file keeps being a link: its target is replaced,
    // in the target's own folder.
    void linkToRegularFileHasItsTargetReplaced() {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.path() + "/kept.dat";
        PutFile(target, SettingBytes(QRPaper::A5, 15, false, true));
        QVERIFY(MakeLink(target, Folder() + SettingFileName));
        TForm1 form;
        QVERIFY(messages_.isEmpty());
        QCOMPARE(form.PageMargin(), 15);
        TFormSettings settings = form.Settings();
        settings.PageMargin = 40;
        form.ApplySettings(settings);
        QVERIFY(form.close());
        QCOMPARE(QFileInfo(Folder() + SettingFileName).symLinkTarget(), target);
        QCOMPARE(FileBytes(target), SettingBytes(QRPaper::A5, 40, false, true));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"kept.dat"});
    }

    // A link into a folder that cannot be written can never be saved: told
    // once, then the window closes, leaving the target as it was.
    void linkIntoReadOnlyFolderStillLetsTheWindowClose() {
        TScratchMount readOnly;
        MOUNT_OR_SKIP(readOnly, "size=64k");
        const QByteArray before = SettingBytes(QRPaper::B4, 12, true, false);
        PutFile(readOnly.Folder() + "kept.dat", before);
        QVERIFY(readOnly.RemountReadOnly());
        QVERIFY(MakeLink(readOnly.Folder() + "kept.dat", Folder() + SettingFileName));
        TForm1 form;
        form.show();
        QCOMPARE(form.PageMargin(), 12);
        TFormSettings settings = form.Settings();
        settings.PageMargin = 30;
        form.ApplySettings(settings);
        QVERIFY(!form.close());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains(SystemMessage(EROFS)));
        QVERIFY(form.isVisible());
        QVERIFY(form.close());
        QCOMPARE(FileBytes(readOnly.Folder() + "kept.dat"), before);
        QCOMPARE(FileBytes(Folder() + ImageFileName), QByteArray());
    }

    // Any LIST.DAT lets the program start: the first MaxPlacedImages records
    // are placed and painted, the rest are kept unshown, the start says how
    // many; the recovery pair and the close store every record, no backup.
    void hugeListPlacesTheFirstRecordsAndKeepsTheRest() {
        const QByteArray record = ImageRecordBytes(5, 5, 20, 20, Picture(), true);
        const QByteArray last = ImageRecordBytes(9, 9, 20, 20, Folder() + "last.bmp", false);
        const QByteArray original = record.repeated(29999) + last;
        PutFile(Folder() + ImageFileName, original);
        TForm1 form(nullptr, TDataFolderUse::Owned);
        form.show();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0],
                 kReadError + QStringLiteral("\n画像は 2000 枚までです。ほかの 28000 件は"
                                             "表示せずに保存します"));
        QCOMPARE(form.PlacedImages().size(), MaxPlacedImages);
        QCOMPARE(form.TransPanel1->findChildren<TImageEx*>().size(), MaxPlacedImages);
        const QImage painted = form.grab().toImage();
        QCOMPARE(painted.pixelColor(form.TransPanel1->mapTo(&form, QPoint(10, 10))),
                 QColor(Qt::red));
        form.SelectImage(form.PlacedImages().first());
        form.DeleteSelectedImage();
        const QByteArray changed = record.repeated(29998) + last;
        QTRY_COMPARE_WITH_TIMEOUT(FileBytes(Folder() + ImageRecoveryName).left(changed.size()),
                                  changed, 5000);
        form.UndoStack()->undo();
        QVERIFY(form.close());
        QCOMPARE(FileBytes(Folder() + ImageFileName), original);
        QVERIFY(!PathExists(Folder() + "LIST.DAT.bak"));
    }

    // Three failed starts, the third with the first's content: two backups.
    // A LIST.DAT of more records than any file holds is not read whole; the
    // close stores the records that were read.
    void failedStartsInARowKeepEveryBackupOnce() {
        const QByteArray one = ImageRecordBytes(1, 2, 30, 40, Picture(), true);
        const QByteArray other = ImageRecordBytes(7, 7, 10, 10, Picture(), false);
        const QList<QByteArray> starts{one.repeated(MaxRecords + 1), other.repeated(MaxRecords + 1),
                                       one.repeated(MaxRecords + 1)};
        for (const QByteArray& content : starts) {
            PutFile(Folder() + ImageFileName, content);
            TForm1 form;
            QCOMPARE(form.PlacedImages().size(), MaxPlacedImages);
            QVERIFY(form.close());
            QCOMPARE(FileBytes(Folder() + ImageFileName), content.left(MaxRecords * ImageRecSize));
        }
        QCOMPARE(messages_.size(), 3);
        for (const QString& message : messages_)
            QVERIFY(message.startsWith(kReadError + '\n'));
        QCOMPARE(FileBytes(Folder() + "LIST.DAT.bak"), starts[0]);
        QCOMPARE(FileBytes(Folder() + "LIST.DAT.1.bak"), starts[1]);
        QVERIFY(!PathExists(Folder() + "LIST.DAT.2.bak"));
    }

    // Bytes that are no code page 932 text would decode to a substitute
    // character, which names another file and would be stored back as other
    // bytes: the record is held by a placeholder and stored as it was read.
    void nameNotInCodePage932IsKeptByteForByte() {
        const QString picture = Picture();
        PutBitmap(Folder() + QChar(0x1A) + ".bmp", Qt::blue); // what the bytes would decode to
        // A lead byte with no trail.
        const QByteArray original =
            RawImageRecordBytes(0, 0, 10, 10, EncodeImagePath(Folder()) + "\x81.bmp", false) +
            ImageRecordBytes(1, 2, 30, 40, picture, true);
        PutFile(Folder() + ImageFileName, original);
        TForm1 form;
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(kReadError + '\n'));
        QCOMPARE(form.PlacedImages().size(), 2);
        QVERIFY(form.PlacedImages()[0]->IsPlaceholder());
        QVERIFY(form.PlacedImages()[0]->Picture().isNull());
        QVERIFY(!form.PlacedImages()[1]->IsPlaceholder());
        QVERIFY(form.close());
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(FileBytes(Folder() + ImageFileName), original);
        QVERIFY(!PathExists(Folder() + "LIST.DAT.bak"));
    }
};

QTEST_MAIN(TstHostileFiles)
#include "tst_hostilefiles.moc"
