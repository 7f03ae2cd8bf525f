// The pixels shown on screen kept between runs: a picture read again at the
// size it showed takes them from the cache instead of decoding its file,
// and an entry that does not match its name is passed over.
#include "platform/HeldPicture.h"
#include "platform/PictureControl.h"
#include "platform/ShownCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QSize kShown(150, 110);

QImage Photo() {
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
    return photo;
}

QString OnlyEntry(const QString& folder) {
    const QStringList entries = QDir(folder).entryList({"*.px"}, QDir::Files);
    return entries.size() == 1 ? QDir(folder).filePath(entries.first()) : QString();
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
};

QTEST_MAIN(TstShownCache)
#include "tst_showncache.moc"
