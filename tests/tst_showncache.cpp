// The pixels shown on screen kept between runs: a picture read again at the
// size it showed takes them from the cache instead of decoding its file,
// and an entry that does not match its name is passed over. A file known
// unchanged is held before it is read, and what is read then is checked.
// A print's decodes are kept the same way.
#include "platform/Errors.h"
#include "platform/HeldPicture.h"
#include "platform/PendingRead.h"
#include "platform/PictureControl.h"
#include "platform/ShownCache.h"
#include "platform/Worker.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <functional>
#include <thread>

namespace {
const QSize kShown(150, 110);

QImage Photo() {
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
    return photo;
}

QString OnlyEntry(const QString& folder, const QString& pattern = "*.px") {
    const QStringList entries = QDir(folder).entryList({pattern}, QDir::Files);
    return entries.size() == 1 ? QDir(folder).filePath(entries.first()) : QString();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::unique_ptr<QFile> Opened(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    return file->open(QIODevice::ReadOnly) ? std::move(file) : nullptr;
}
} // namespace

class TstShownCache : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString photo_;

private slots:
    void initTestCase() {
        photo_ = dir_.filePath("photo.jpg");
        QVERIFY(Photo().save(photo_, "jpeg", 90));
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    void aShownPictureIsTakenFromTheCacheUnlessItsEntryIsWrong() {
        TPictureControl control;
        control.SetStretch(true);
        control.resize(kShown);
        control.LoadFromFile(photo_);
        QTRY_VERIFY(!OnlyEntry(ShownCacheFolder()).isEmpty());
        const QString entry = OnlyEntry(ShownCacheFolder());
        const QImage shown = ShownPicture(control.Held()->Decode(kShown, 1 << 30), kShown, true);

        // The entry holds exactly what the control showed.
        const TReadPicture again = THeldPicture::ReadFile(photo_, kShown, 1 << 30);
        QCOMPARE(again.Decoded, shown);

        // Pixels put in the entry are what a read takes: it decodes nothing.
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.replace(20, bytes.size() - 20, QByteArray(bytes.size() - 20, '\x7f'));
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        file.close();
        const QImage forged = THeldPicture::ReadFile(photo_, kShown, 1 << 30).Decoded;
        QCOMPARE(forged.size(), kShown);
        QCOMPARE(qGreen(forged.pixel(5, 5)), 0x7f);

        // A cut or lengthened entry, or one for another size, is passed over.
        for (const QByteArray& wrong :
             {bytes.left(bytes.size() - 1), bytes + "x", bytes.left(19)}) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(wrong);
            file.close();
            QCOMPARE(THeldPicture::ReadFile(photo_, kShown, 1 << 30).Decoded.size(),
                     QSize(200, 150)); // decoded: an eighth of the photo
        }
    }

    // The second read of an unchanged file takes what its first read kept,
    // hashing nothing: a forged hash in the kept content leads it to the
    // pixels kept under that hash. The bytes, asked for later, are the
    // file's; their hash then tells the forgery, and nothing more is kept
    // under it. A file written since, or a link that names another format,
    // is read again.
    void anUnchangedFileIsHeldUnreadAndCheckedOnceRead() {
        QTemporaryDir cache;
        SetShownCacheFolder(cache.path());
        const QString photo = dir_.filePath("known.jpg");
        QVERIFY(Photo().save(photo, "jpeg", 80));
        {
            TPictureControl control;
            control.SetStretch(true);
            control.resize(kShown);
            control.LoadFromFile(photo);
        }
        QTRY_VERIFY(!OnlyEntry(cache.path()).isEmpty() &&
                    !OnlyEntry(cache.path(), "*.id").isEmpty());
        const QString known = OnlyEntry(cache.path(), "*.id");
        const QString entry = OnlyEntry(cache.path());
        QByteArray content = ReadAll(known);
        content.replace(4, 8, QByteArray::fromHex("efcdab8967452301")); // little-endian
        QVERIFY(WriteAll(known, content));
        QByteArray pixels = ReadAll(entry);
        pixels.replace(20, pixels.size() - 20, QByteArray(pixels.size() - 20, '\x55'));
        const QString forged =
            cache.filePath("0123456789abcdef" + QFileInfo(entry).fileName().mid(16));
        QVERIFY(WriteAll(forged, pixels) && QFile::remove(entry));

        const TReadPicture read = THeldPicture::ReadFile(photo, kShown, 1 << 30);
        QCOMPARE(qGreen(read.Decoded.pixel(5, 5)), 0x55);
        QCOMPARE(read.Held->Bytes(), ReadAll(photo));
        QVERIFY(!read.Held->ShownKey(kShown));
        QCOMPARE(read.Held->Decode(QSize(800, 600), 1 << 30).size(), QSize(800, 600));

        // Written again, byte for byte: its identity is new, so it is read.
        QVERIFY(WriteAll(photo, ReadAll(photo)));
        QCOMPARE(qGreen(THeldPicture::ReadFile(photo, kShown, 1 << 30).Decoded.pixel(5, 5)),
                 qGreen(read.Held->Decode(kShown, 1 << 30).pixel(5, 5)));
        // A second name with another format's extension: the decoder it
        // names refuses the file as it would without the cache.
        const QString png = dir_.filePath("known.png");
        QVERIFY(QFile::link(photo, png) || QFile::copy(photo, png));
        QVERIFY_THROWS_EXCEPTION(EError, THeldPicture::ReadFile(png, kShown, 1 << 30));
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    // A control showing the pixels kept for what its file held shows the
    // file anew once a read finds it written since it was held.
    void aControlShowsAgainWhatAFileWrittenSinceItWasHeldHolds() {
        const QString path = dir_.filePath("rewritten.jpg");
        QImage red(800, 600, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(path, "jpeg"));
        const QByteArray before = ReadAll(path);
        const auto held = std::make_shared<const THeldPicture>(
            Opened(path), path,
            TFileContent{ContentHash(before), before.size(), red.size(), false});
        TPictureControl control;
        control.SetStretch(true);
        control.resize(kShown);
        control.SetPicture(held, red.scaled(kShown));
        const auto middle = [&control] {
            QImage surface(kShown, QImage::Format_RGB32);
            control.render(&surface);
            return surface.pixel(75, 55);
        };
        QCOMPARE(qRed(middle()), 255);
        QImage blue(1600, 400, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(path, "jpeg", 100)); // in place, and longer
        QCOMPARE(held->Bytes(), ReadAll(path));
        QTRY_VERIFY(qBlue(middle()) > 250 && qRed(middle()) < 5);
        // The picture is what was read: its size too.
        QCOMPARE(held->Size(), QSize(1600, 400));
        QVERIFY(!held->HasAlpha());
        QCOMPARE(held->Decode(held->Size(), 1 << 30).size(), QSize(1600, 400));
    }

    // A print's decode is kept under the size decoded at and taken by the
    // next print, colour profile and all; the screen's decodes and the
    // shown pixels of that size are not taken for it.
    void aPrintDecodeIsKeptForTheNextPrint() {
        QTemporaryDir cache;
        SetShownCacheFolder(cache.path());
        QImage photo = Photo();
        photo.setColorSpace(QColorSpace::DisplayP3);
        QByteArray file;
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, "jpeg", 85));
        const THeldPicturePtr held = THeldPicture::ReadBytes(file, "p3.jpg", kShown, 1 << 30).Held;
        const QImage decoded = held->DecodeKept(QSize(300, 200), 1 << 30);
        QCOMPARE(decoded.size(), QSize(400, 300)); // a half: a quarter is too small
        QVERIFY(decoded.colorSpace().isValid());
        QTRY_VERIFY(!OnlyEntry(cache.path(), "*400x300.dx").isEmpty());
        const QString entry = OnlyEntry(cache.path(), "*.dx");
        QCOMPARE(held->DecodeKept(QSize(300, 200), 1 << 30), decoded);
        QCOMPARE(held->DecodeKept(QSize(300, 200), 1 << 30).colorSpace(), decoded.colorSpace());

        QByteArray pixels = ReadAll(entry);
        const qsizetype count = qsizetype(decoded.sizeInBytes());
        pixels.replace(20, count, QByteArray(count, '\x33'));
        QVERIFY(WriteAll(entry, pixels));
        QCOMPARE(qGreen(held->DecodeKept(QSize(300, 200), 1 << 30).pixel(5, 5)), 0x33);
        QCOMPARE(held->Decode(QSize(300, 200), 1 << 30), decoded);
        QVERIFY_THROWS_EXCEPTION(EError, held->DecodeKept(QSize(300, 200), count - 1));
        const QString shown = entry.left(entry.size() - 2) + "px";
        QVERIFY(QFile::rename(entry, shown));
        QCOMPARE(held->DecodeKept(QSize(300, 200), 1 << 30), decoded);

        // The next photo, without a profile, is decoded into pixels given
        // back from this one, then taken from its entry into them: it gets
        // none of this one's profile, nor does its entry.
        QByteArray plainFile;
        QBuffer plainBuffer(&plainFile);
        QVERIFY(plainBuffer.open(QIODevice::WriteOnly) && Photo().save(&plainBuffer, "jpeg", 85));
        const THeldPicturePtr plain =
            THeldPicture::ReadBytes(plainFile, "plain.jpg", kShown, 1 << 30).Held;
        for (int pass = 0; pass < 2; ++pass) {
            QImage into = held->Decode(QSize(300, 200), 1 << 30);
            QVERIFY(into.colorSpace().isValid() && into.isDetached());
            const QImage made = plain->DecodeKept(QSize(300, 200), 1 << 30, std::move(into));
            QCOMPARE(made.size(), QSize(400, 300));
            QVERIFY2(!made.colorSpace().isValid(), qPrintable(QString::number(pass)));
            ShownCacheWrites().waitForDone();
            QCOMPARE(QDir(cache.path()).entryList({"*.dx"}, QDir::Files).size(), 2);
        }
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    // A decode is wanted where none is kept; not while the folder cannot
    // take entries (here it lies below a file), so that decodes made ahead
    // are not made again and again only to be dropped; again once entries
    // can be written.
    void aFolderThatTakesNoEntriesWantsNoDecodes() {
        QTemporaryDir cache;
        const TShownKey key{7, 1000, QSize(40, 30)};
        QImage pixels(key.Shown, QImage::Format_RGB32);
        pixels.fill(Qt::red);
        QVERIFY(WriteAll(cache.filePath("file"), "not a folder"));
        SetShownCacheFolder(cache.filePath("file/shown"));
        QVERIFY(WantsDecoded(key));
        KeepDecoded(key, pixels);
        ShownCacheWrites().waitForDone();
        QVERIFY(!WantsDecoded(key));
        QVERIFY(!WantsDecoded({8, 1000, key.Shown}));
        SetShownCacheFolder(cache.filePath("shown"));
        QVERIFY(WantsDecoded(key));
        KeepDecoded(key, pixels);
        ShownCacheWrites().waitForDone();
        QVERIFY(!WantsDecoded(key)); // kept now
        QVERIFY(WantsDecoded({8, 1000, key.Shown}));
        QVERIFY(!WantsDecoded({9, 1000, QSize(2000, 1001)})); // past an entry's pixels
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    // While the disk is slower than the keeping, the entries waiting to be
    // written hold at most 64 MB; those past that are let go.
    void entriesWaitingToBeWrittenHoldBoundedMemory() {
        QTemporaryDir cache;
        SetShownCacheFolder(cache.path());
        QThreadPool* pool = &ShownCacheWrites();
        QSemaphore go;
        for (int i = 0; i < pool->maxThreadCount(); ++i) {
            [[maybe_unused]] const TTaskHandOff handOff;
            pool->start([&go] { go.acquire(); });
        }
        QImage pixels(2000, 1000, QImage::Format_RGB32); // 8 MB, the largest kept
        pixels.fill(Qt::green);
        for (quint64 i = 0; i < 12; ++i)
            KeepDecoded({i + 1, 1000, pixels.size()}, pixels);
        go.release(pool->maxThreadCount());
        pool->waitForDone();
        QCOMPARE(QDir(cache.path()).entryList({"*.dx"}, QDir::Files).size(), 8);
        KeepDecoded({99, 1000, pixels.size()}, pixels); // once written, room again
        pool->waitForDone();
        QCOMPARE(QDir(cache.path()).entryList({"*.dx"}, QDir::Files).size(), 9);
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    // The folder is pruned again as entries keep coming, not only at a run's
    // first: at most 4000 entries of a kind stay, give or take those written
    // since the last prune. What writes cut short left goes too, once it is
    // older than any write still under way.
    void aLongRunKeepsTheFolderWithinItsBounds() {
        QTemporaryDir cache;
        SetShownCacheFolder(cache.path());
        const QString old = cache.filePath("1-10-1x1.px.tmp3k9");
        const QString recent = cache.filePath("2-10-1x1.px.tmpz01");
        QVERIFY(WriteAll(old, "cut") && WriteAll(recent, "cut"));
        QFile aged(old);
        QVERIFY(aged.open(QIODevice::ReadWrite) &&
                aged.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                 QFileDevice::FileModificationTime));
        aged.close();
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.fill(Qt::red);
        for (quint64 i = 0; i < 5200; ++i) {
            KeepShown({i + 1, 10, pixel.size()}, pixel);
            if (i % 500 == 0)
                ShownCacheWrites().waitForDone(); // the disk keeps up
        }
        ShownCacheWrites().waitForDone();
        const qsizetype kept = QDir(cache.path()).entryList({"*.px"}, QDir::Files).size();
        QVERIFY2(kept <= 5000, qPrintable(QString::number(kept)));
        QVERIFY(kept >= 4000);
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(QFileInfo::exists(recent));
        SetShownCacheFolder(dir_.filePath("cache"));
    }

    // Readers at once get the same bytes; a file cut, lengthened or written
    // in place since it was opened is told as changed (once, to the one
    // waiting for that) and gives what it holds now; one that fails to read
    // gives no bytes.
    void aPendingReadTellsWhatChanged() {
        const QString path = dir_.filePath("pending.bin");
        const QByteArray bytes(300'000, 'a');
        const quint64 hash = ContentHash(bytes);
        QVERIFY(WriteAll(path, bytes));
        {
            TPendingRead pending(Opened(path), {hash, bytes.size(), QSize(), false});
            QByteArray other;
            std::thread reader([&] { other = pending.Read().Bytes; });
            const TPendingRead::TResult& mine = pending.Read();
            reader.join();
            QCOMPARE(mine.Bytes, bytes);
            QCOMPARE(other, bytes);
            QVERIFY(!mine.Changed && !mine.Failed && !pending.FoundChanged());
        }
        QCOMPARE(TPendingRead::OpenFiles(), 0);
        const auto changedBy = [&](const std::function<void(QFile&)>& change) {
            QVERIFY(WriteAll(path, bytes));
            int told = 0;
            TPendingRead pending(Opened(path), {hash, bytes.size(), QSize(), false},
                                 [&told] { ++told; });
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            change(file);
            file.close();
            QVERIFY(pending.Read().Changed && pending.FoundChanged());
            QCOMPARE(pending.Read().Bytes, ReadAll(path));
            QCOMPARE(told, 1);
        };
        changedBy([](QFile& f) { f.resize(1000); });
        changedBy([](QFile& f) { f.seek(300'000), f.write(QByteArray(500'000, 'c')); });
        changedBy([](QFile& f) { f.seek(10), f.write("b"); });
        // A file open for writing only gives a read error.
        auto writeOnly = std::make_unique<QFile>(path);
        QVERIFY(writeOnly->open(QIODevice::WriteOnly | QIODevice::Append));
        TPendingRead failing(std::move(writeOnly), {0, 10, QSize(), false});
        QVERIFY(failing.Read().Failed && failing.Read().Bytes.isEmpty());
    }
};

QTEST_MAIN(TstShownCache)
#include "tst_showncache.moc"
