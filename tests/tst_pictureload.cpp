// Reading picture files: paths that are not regular files are refused
// without blocking, also when the path changes while it is read; palette
// pictures are drawn with defined colours; start-up places what it decoded
// ahead in file order, a placeholder for each picture that fails.
#include "DataFileSupport.h"
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/PictureLoader.h"
#include "platform/PlainBitmap.h"
#include "windows/Unit1.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {
QString LoadError(const QString& path) {
    try {
        LoadPictureFile(path, PictureMemoryBudget());
    } catch (const EError& e) {
        return e.Message();
    }
    return QString();
}

QString SaveBitmap(const QString& path, QColor colour) {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(colour);
    img.save(path, "BMP");
    return path;
}

// An 8-bit bitmap of 4 x 1 pixels with a colour table of `colours` entries
// (red, then green) and the pixel values 0, 1, 2 and 255.
QByteArray ShortTableBitmap(int colours) {
    QByteArray info(40, '\0');
    qToLittleEndian<quint32>(40, info.data());
    qToLittleEndian<qint32>(4, info.data() + 4);
    qToLittleEndian<qint32>(1, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);
    qToLittleEndian<quint16>(8, info.data() + 14);
    qToLittleEndian<quint32>(quint32(colours), info.data() + 32);
    QByteArray table;
    for (int i = 0; i < colours; ++i)
        table += i == 0 ? QByteArray("\0\0\xff\0", 4) : QByteArray("\0\xff\0\0", 4);
    const QByteArray pixels("\x00\x01\x02\xff", 4);
    QByteArray head(14, '\0');
    head[0] = 'B';
    head[1] = 'M';
    const int offset = 14 + 40 + int(table.size());
    qToLittleEndian<quint32>(quint32(offset + pixels.size()), head.data() + 2);
    qToLittleEndian<quint32>(quint32(offset), head.data() + 10);
    return head + info + table + pixels;
}

// A bitmap of random pixels with the given header fields; `gap` bytes lie
// between the headers and the rows, and `cut` bytes are missing at the end.
struct TBitmapShape {
    int width, height; // height < 0: top down
    quint32 infoSize = 40;
    quint16 bits = 24;
    quint32 compression = 0;
    int gap = 0;
    int cut = 0;
};

QByteArray RandomBitmap(const TBitmapShape& b) {
    const int stride = (b.width * b.bits + 31) / 32 * 4;
    QByteArray pixels(stride * qAbs(b.height), '\0');
    for (char& c : pixels)
        c = char(QRandomGenerator::global()->bounded(256));
    QByteArray info(qMax(40, int(b.infoSize)), '\0');
    qToLittleEndian<quint32>(b.infoSize, info.data());
    qToLittleEndian<qint32>(b.width, info.data() + 4);
    qToLittleEndian<qint32>(b.height, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);
    qToLittleEndian<quint16>(b.bits, info.data() + 14);
    qToLittleEndian<quint32>(b.compression, info.data() + 16);
    qToLittleEndian<qint32>(2835, info.data() + 24); // 72 dpi
    qToLittleEndian<qint32>(3780, info.data() + 28); // 96 dpi
    info.resize(b.infoSize);                         // a shorter header keeps only its start
    QByteArray head(14, '\0');
    head[0] = 'B';
    head[1] = 'M';
    const int offset = 14 + int(b.infoSize) + b.gap;
    qToLittleEndian<quint32>(quint32(offset + pixels.size()), head.data() + 2);
    qToLittleEndian<quint32>(quint32(offset), head.data() + 10);
    const QByteArray file = head + info + QByteArray(b.gap, '\x55') + pixels;
    return file.left(file.size() - b.cut);
}

QColor Colour(int i) {
    return QColor::fromHsv(i * 30, 255, 255);
}

} // namespace

Q_DECLARE_METATYPE(TBitmapShape)

class TstPictureLoad : public QObject {
    Q_OBJECT
private slots:
    void pathsThatAreNoRegularFileAreRefusedAtOnce_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("link to a fifo") << "link";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device node") << "device";
    }
    void pathsThatAreNoRegularFileAreRefusedAtOnce() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.bmp");
        const QByteArray name = QFile::encodeName(path);
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.bmp"));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        if (kind == "link")
            QVERIFY(::mkfifo(fifo.constData(), 0600) == 0 &&
                    ::symlink(fifo.constData(), name.constData()) == 0);
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("x.bmp"));
        if (kind == "device" && ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("no device node can be made here");
        QElapsedTimer t;
        t.start();
        QCOMPARE(LoadError(path), QStringLiteral("ファイル %1 は開けません").arg(path));
        QVERIFY(t.elapsed() < 2000);
    }

    // The path is a link that a second thread turns to a bitmap and to a FIFO
    // and back, as fast as it can, while the loads go on: whatever a load
    // finds when it looks and when it opens, it never waits for a writer.
    void aPathSwappedForAFifoWhileLoadingNeverBlocks() {
        QTemporaryDir dir;
        const QByteArray bitmap = QFile::encodeName(SaveBitmap(dir.filePath("b.bmp"), Qt::red));
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.bmp"));
        const QByteArray path = QFile::encodeName(dir.filePath("path.bmp"));
        const QByteArray spare = QFile::encodeName(dir.filePath("spare"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::symlink(bitmap.constData(), path.constData()), 0);
        std::atomic<bool> stop{false};
        std::atomic<qint64> loadStarted{0};
        QElapsedTimer clock;
        clock.start();
        std::thread swapper([&] {
            for (bool toFifo = true; !stop; toFifo = !toFifo) {
                ::unlink(spare.constData());
                if (::symlink((toFifo ? fifo : bitmap).constData(), spare.constData()) == 0)
                    ::rename(spare.constData(), path.constData());
            }
        });
        // A load that hangs in the open is let go by opening the FIFO's
        // other end, so that a failure ends the test instead of hanging it.
        bool blocked = false;
        std::thread watchdog([&] {
            while (!stop) {
                QThread::msleep(50);
                const qint64 since = loadStarted;
                if (since && clock.elapsed() - since > 1000) {
                    blocked = stop = true;
                    const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                    QThread::msleep(10);
                    ::close(fd);
                }
            }
        });
        int loads = 0, loaded = 0;
        while (!stop && clock.elapsed() < 1500) {
            loadStarted = clock.elapsed() + 1;
            loaded += LoadError(QFile::decodeName(path)).isEmpty();
            loadStarted = 0;
            ++loads;
        }
        stop = true;
        swapper.join();
        watchdog.join();
        QVERIFY2(!blocked, "a load waited in the open of the FIFO");
        QVERIFY2(loaded > 0 && loaded < loads, "both kinds of file were met");
    }

    // Pixel values past the table show one defined colour, the same in
    // every drawing, and drawing never reads beyond the table.
    void paletteValuesPastTheTableGetADefinedColour_data() {
        QTest::addColumn<int>("colours");
        QTest::newRow("two colours") << 2;
        QTest::newRow("one colour") << 1;
    }
    void paletteValuesPastTheTableGetADefinedColour() {
        QFETCH(int, colours);
        QTemporaryDir dir;
        const QString path = dir.filePath("short.bmp");
        PutFile(path, ShortTableBitmap(colours));
        const QImage picture = LoadPictureFile(path, PictureMemoryBudget());
        QCOMPARE(picture.format(), QImage::Format_Indexed8);
        QCOMPARE(picture.colorCount(), 256);
        QCOMPARE(picture.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(picture.pixel(1, 0), colours == 2 ? qRgb(0, 255, 0) : qRgb(0, 0, 0));
        QCOMPARE(picture.pixel(2, 0), qRgb(0, 0, 0));
        QCOMPARE(picture.pixel(3, 0), qRgb(0, 0, 0));
        QImage drawn(4, 1, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter(&drawn).drawImage(0, 0, picture);
        QCOMPARE(drawn.pixel(3, 0), qRgb(0, 0, 0));
        QCOMPARE(picture.scaled(8, 2).pixel(7, 1), qRgb(0, 0, 0));
    }

    // Plain 24-bit bitmaps are decoded by the program itself: the picture is
    // the toolkit decoder's, pixel for pixel, with its resolution. Any other
    // bitmap is left to the toolkit.
    void plainBitmapsDecodeAsTheToolkitDoes_data() {
        QTest::addColumn<TBitmapShape>("shape");
        QTest::addColumn<bool>("plain");
        QTest::newRow("one pixel wide") << TBitmapShape{1, 3} << true;
        QTest::newRow("rows padded") << TBitmapShape{3, 2} << true;
        QTest::newRow("top down") << TBitmapShape{5, -4} << true;
        QTest::newRow("wide") << TBitmapShape{321, 7} << true;
        QTest::newRow("fifth header") << TBitmapShape{4, 4, 124} << true;
        QTest::newRow("gap before the rows") << TBitmapShape{6, 3, 40, 24, 0, 10} << true;
        QTest::newRow("32 bits") << TBitmapShape{4, 4, 40, 32} << false;
        QTest::newRow("run-length") << TBitmapShape{4, 4, 40, 24, 1} << false;
        QTest::newRow("core header") << TBitmapShape{4, 4, 12} << false;
        QTest::newRow("last row cut") << TBitmapShape{4, 4, 40, 24, 0, 0, 1} << false;
    }
    void plainBitmapsDecodeAsTheToolkitDoes() {
        QFETCH(TBitmapShape, shape);
        QFETCH(bool, plain);
        QByteArray bytes = RandomBitmap(shape);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        const std::optional<QImage> own = ReadPlainBitmap(device);
        QCOMPARE(own.has_value(), plain);
        if (!plain)
            return;
        QBuffer again(&bytes);
        const QImage toolkit = QImageReader(&again, "bmp").read();
        QVERIFY(!toolkit.isNull());
        QCOMPARE(own->format(), toolkit.format());
        QCOMPARE(*own, toolkit);
        QCOMPARE(own->dotsPerMeterX(), toolkit.dotsPerMeterX());
        QCOMPARE(own->dotsPerMeterY(), toolkit.dotsPerMeterY());
    }

    // A photo whose sides are not multiples of eight (cropped, say) is read
    // at the fraction that the size asked for takes, rounded down by a
    // pixel at most, not at twice that fraction: with Qt's reader allowed
    // the eighth's pixels but not the quarter's, it still reads. What it
    // says a decode takes counts the scaled copy beside the decoder's own.
    void anOddSizedPhotoIsReadAtItsFraction() {
        QImage photo(4001, 3001, QImage::Format_RGB32);
        photo.fill(qRgb(40, 160, 200));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, "jpeg", 90));
        const QString name = QStringLiteral("odd.jpg");
        QCOMPARE(DecodedPictureSize(bytes, name, QSize(400, 300)), QSize(500, 375));
        QCOMPARE(DecodedPictureSize(bytes, name, QSize(501, 300)), QSize(1000, 750));
        DecodePictureBytes(bytes, name, QSize(10, 10), 1 << 30); // the loader sets its limit
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(2); // MB: an eighth takes 0.75, a quarter 3
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });
        const QImage decoded = DecodePictureBytes(bytes, name, QSize(400, 300), 1 << 30);
        QCOMPARE(decoded.size(), QSize(500, 375));
        const QRgb middle = decoded.pixel(250, 187);
        QVERIFY(qAbs(qRed(middle) - 40) < 6 && qAbs(qGreen(middle) - 160) < 6 &&
                qAbs(qBlue(middle) - 200) < 6);
        QVERIFY(DecodedPictureBytes(bytes, name, QSize(400, 300)) >= 2 * decoded.sizeInBytes());
    }

    // Start-up decodes the pictures ahead and still places them one after the
    // other in file order; a record whose picture fails is held by a
    // placeholder in its place, and one message names the first ten that
    // failed, then how many more.
    void startUpPlacesEveryRecordInFileOrder_data() {
        QTest::addColumn<QList<int>>("failing");
        QTest::addColumn<QString>("kind");
        QTest::newRow("none") << QList<int>{} << "";
        QTest::newRow("first missing") << QList<int>{0} << "missing";
        QTest::newRow("fourth and fifth fifos") << QList<int>{3, 4} << "fifo";
        QTest::newRow("seventh no picture") << QList<int>{6} << "text";
        QTest::newRow("all but the last missing")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << "missing";
    }
    void startUpPlacesEveryRecordInFileOrder() {
        QFETCH(QList<int>, failing);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QByteArray list;
        QStringList paths;
        for (int i = 0; i < 12; ++i) {
            const QString path = dir.filePath(QStringLiteral("p%1.bmp").arg(i));
            if (!failing.contains(i))
                SaveBitmap(path, Colour(i));
            else if (kind == "fifo")
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else if (kind == "text")
                PutFile(path, "words, not a picture");
            paths.append(path);
            list += ImageRecordBytes(0, i * 10, 20, 20, path, true);
        }
        PutFile(dir.filePath("LIST.DAT"), list);
        QStringList messages;
        SetMessageSink([&](const QString& text) { messages.append(text); });
        SetDataFolderOverride(dir.path());
        TForm1 form;
        SetDataFolderOverride(QString());
        SetMessageSink({});
        QCOMPARE(form.PlacedImages().size(), 12);
        for (int i = 0; i < 12; ++i) {
            const TImageEx* image = form.PlacedImages()[i];
            QCOMPARE(image->FileName(), paths[i]);
            QCOMPARE(image->x(), i * 10);
            QCOMPARE(image->IsPlaceholder(), failing.contains(i));
            if (!failing.contains(i))
                QCOMPARE(image->Picture().pixel(0, 0), Colour(i).rgb());
        }
        if (failing.isEmpty()) {
            QCOMPARE(messages, QStringList());
            return;
        }
        QCOMPARE(messages.size(), 1);
        const QStringList lines = messages[0].split('\n');
        QCOMPARE(lines[0], QStringLiteral("ファイル読み込みエラー"));
        const int named = int(qMin(failing.size(), qsizetype(10)));
        QCOMPARE(lines.size(), 1 + named + (failing.size() > 10 ? 1 : 0));
        for (int n = 0; n < named; ++n)
            QVERIFY2(lines[1 + n].contains(paths[failing[n]]), qPrintable(lines[1 + n]));
        if (failing.size() > 10)
            QCOMPARE(lines.last(), QStringLiteral("ほか 1 件"));
    }
};

QTEST_MAIN(TstPictureLoad)
#include "tst_pictureload.moc"
