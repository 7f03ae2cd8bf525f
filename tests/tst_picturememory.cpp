// The memory budget of the placed pictures, with a small budget so that it
// is reached fast: a picture that would take the total past it is refused
// from its header with a message, through the open command and at start-up,
// and the process's peak memory stays under the budget plus one picture.
// Bitmaps hold their pixels; compressed pictures hold their bytes and the
// pixels they show, so many more of them fit.
#include "DataFileSupport.h"
#include "ModalSupport.h"
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/PictureLoader.h"
#include "platform/PictureMemory.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QtEndian>

namespace {
constexpr qint64 kBudget = 64 << 20;
constexpr int kSide = 2000;
constexpr qint64 kPictureBytes = qint64(kSide) * kSide * 4; // decoded as 32 bits a pixel

const QString kNoRoom =
    QStringLiteral("メモリが足りないため画像を開けません (2000 x 2000 ピクセル)");

qint64 StatusKB(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The resident memory now, with the peak mark set back to it.
qint64 ResetPeak() {
    QFile refs("/proc/self/clear_refs");
    if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
        return -1;
    refs.close();
    return StatusKB("VmRSS:") * 1024;
}

qint64 PeakSince(qint64 base) {
    const qint64 peak = StatusKB("VmHWM:") * 1024 - base;
    qInfo("peak growth %.1f MB, budget %.1f MB, one picture %.1f MB", peak / 1e6, kBudget / 1e6,
          kPictureBytes / 1e6);
    return peak;
}

// A small JPEG whose frame header claims size.
QByteArray JpegClaiming(QSize size, bool progressive) {
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(small))
        return {};
    const qsizetype frame = jpeg.indexOf(progressive ? "\xff\xc2" : "\xff\xc0");
    if (frame < 0)
        return {};
    qToBigEndian(quint16(size.height()), jpeg.data() + frame + 5);
    qToBigEndian(quint16(size.width()), jpeg.data() + frame + 7);
    return jpeg;
}

// The JPEG with a stray byte before its first marker, which the decoder
// passes over.
QByteArray WithStrayByte(QByteArray jpeg) {
    return jpeg.insert(2, '\x01');
}

// The JPEG with a first block whose length is 0, which the decoder takes as
// no content.
QByteArray WithEmptyBlock(QByteArray jpeg) {
    return jpeg.insert(2, QByteArray("\xff\xe1\0\0", 4));
}

// The JPEG with its first scan naming only its first component: a picture
// coded in one scan a component.
QByteArray WithScanOfOneComponent(QByteArray jpeg) {
    const qsizetype scan = jpeg.indexOf("\xff\xda");
    if (scan < 0 || jpeg[scan + 4] != 3)
        return {};
    jpeg[scan + 3] = 8; // its length: the count, one component, three bytes
    jpeg[scan + 4] = 1;
    return jpeg.remove(scan + 7, 4);
}

// A GIF of one pixel drawn on a logical screen of the given size.
QByteArray GifOnScreen(QSize screen) {
    QByteArray gif("GIF89a");
    QByteArray size(4, '\0');
    qToLittleEndian(quint16(screen.width()), size.data());
    qToLittleEndian(quint16(screen.height()), size.data() + 2);
    gif += size + QByteArray("\x80\0\0", 3) + QByteArray("\0\0\0\xff\xff\xff", 6);
    gif += QByteArray("\x2c\0\0\0\0\x01\0\x01\0\0", 10);
    gif += QByteArray("\x02\x02\x44\x01\0\x3b", 6);
    return gif;
}

} // namespace

class TstPictureMemory : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString picture_;
    QStringList messages_;

private slots:
    void initTestCase() {
        QImage big(kSide, kSide, QImage::Format_RGB32);
        big.fill(Qt::darkCyan);
        picture_ = dir_.filePath("big.bmp");
        QVERIFY(big.save(picture_));
        SetPictureMemoryBudget(kBudget);
        QVERIFY(QDir().mkpath(dir_.filePath("empty")));
        SetDataFolderOverride(dir_.filePath("empty"));
        SetMessageSink([this](const QString& text) { messages_.append(text); });
    }
    void init() { messages_.clear(); }

    void placingPastTheBudgetIsRefusedAndPeakStaysUnder() {
        TForm1 form;
        const qint64 base = ResetPeak();
        QVERIFY(base > 0);
        QStringList refusals;
        for (int i = 0; i < 8; ++i) {
            try {
                form.AddPlacedImage(picture_);
            } catch (const EError& e) {
                refusals.append(e.Message());
            }
        }
        QCOMPARE(form.PlacedImages().size(), int(kBudget / kPictureBytes));
        QCOMPARE(refusals, QStringList(8 - form.PlacedImages().size(), kNoRoom));
        const qint64 peak = PeakSince(base);
        QVERIFY2(peak < kBudget + kPictureBytes, qPrintable(QString::number(peak)));
        // A deleted picture is held by its undo step; once the steps let it
        // go, its room is back.
        form.SelectImage(form.PlacedImages().first());
        form.DeleteSelectedImage();
        QVERIFY_THROWS_EXCEPTION(EError, form.AddPlacedImage(picture_));
        form.UndoStack()->clear();
        form.AddPlacedImage(picture_);
        QCOMPARE(form.PlacedImages().size(), int(kBudget / kPictureBytes));
    }

    void theOpenCommandShowsTheRefusalAndAddsNothing() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        while (PictureRoom() >= kPictureBytes)
            form.AddPlacedImage(picture_);
        const int placed = form.PlacedImages().size();
        WhenModal([this](QWidget* w) { ChooseInFileDialog(w, picture_); });
        form.ButtonEx1->click();
        QCOMPARE(messages_, QStringList{kNoRoom});
        QCOMPARE(form.PlacedImages().size(), placed);
    }

    // Photos whose full decodes would take the budget four times over are
    // all placed: each holds its file's bytes and its shown pixels, and
    // prints from those bytes after its file is gone.
    void compressedPicturesHoldTheirBytesNotTheirPixels() {
        QImage photo(kSide, kSide, QImage::Format_RGB32);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                photo.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
        const QString path = dir_.filePath("photo.jpg");
        QVERIFY(photo.save(path, "jpeg", 90));
        const qint64 fileBytes = QFileInfo(path).size();
        TForm1 form;
        const qint64 before = PictureMemoryInUse();
        for (int i = 0; i < 16; ++i)
            form.AddPlacedImage(path, QRect(i * 20, 0, 150, 110), true);
        QCOMPARE(form.PlacedImages().size(), 16);
        const qint64 held = PictureMemoryInUse() - before;
        qInfo("16 photos of %lld bytes hold %.1f MB", fileBytes, held / 1e6);
        QVERIFY(held <= 16 * (fileBytes + 150 * 110 * 4));
        const QImage full = form.PlacedImages().first()->Picture();
        QVERIFY(QFile::remove(path));
        QCOMPARE(form.PlacedImages().last()->Picture(), full);
        QCOMPARE(full.size(), QSize(kSide, kSide));
    }

    // Small files whose decoding would take far more than their header's
    // size says, or more than the budget, are refused before decoding.
    void lyingHeadersAreRefusedBeforeDecoding_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        // Even an eighth of it, the least that the decoder reads, would not fit.
        QTest::newRow("jpeg claiming 60000 x 60000")
            << "lying.jpg" << JpegClaiming(QSize(60000, 60000), false);
        // Its coefficients are held at the full size whatever size is read.
        QTest::newRow("progressive jpeg, 5000 x 5000")
            << "progressive.jpg" << JpegClaiming(QSize(5000, 5000), true);
        QTest::newRow("progressive jpeg, 5000 x 5000, a stray byte before its frame")
            << "stray.jpg" << WithStrayByte(JpegClaiming(QSize(5000, 5000), true));
        QTest::newRow("progressive jpeg, 5000 x 5000, a block of length 0 before its frame")
            << "empty.jpg" << WithEmptyBlock(JpegClaiming(QSize(5000, 5000), true));
        QTest::newRow("jpeg, 5000 x 5000, a scan a component")
            << "scans.jpg" << WithScanOfOneComponent(JpegClaiming(QSize(5000, 5000), false));
        QTest::newRow("gif frame 1 x 1 on a screen of 5000 x 5000")
            << "screen.gif" << GifOnScreen(QSize(5000, 5000));
    }
    void lyingHeadersAreRefusedBeforeDecoding() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes.isEmpty());
        const QString path = dir_.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        TForm1 form;
        const qint64 base = ResetPeak();
        QElapsedTimer t;
        t.start();
        QVERIFY_THROWS_EXCEPTION(EError, form.AddPlacedImage(path));
        QVERIFY(t.elapsed() < 2000);
        QVERIFY(form.PlacedImages().isEmpty());
        QVERIFY(PeakSince(base) < kPictureBytes);
    }

    // At start-up the records that fit are placed as pictures, those past
    // the budget as placeholders, with the start-up message, and the
    // pictures decoded ahead never hold more than the budget.
    void startUpHoldsThePicturesOverTheBudgetByPlaceholders() {
        QTemporaryDir data;
        QFile list(data.filePath("LIST.DAT"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (int i = 0; i < 8; ++i)
            list.write(ImageRecordBytes(0, 0, 105, 105, picture_, true));
        list.close();
        SetDataFolderOverride(data.path());
        const qint64 base = ResetPeak();
        TForm1 form;
        const qint64 peak = PeakSince(base);
        SetDataFolderOverride(dir_.filePath("empty"));
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(QStringLiteral("ファイル読み込みエラー\n")));
        QCOMPARE(form.PlacedImages().size(), 8);
        const int fit = int(kBudget / kPictureBytes);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form.PlacedImages()[i]->IsPlaceholder(), i >= fit);
        QVERIFY2(peak < kBudget + kPictureBytes, qPrintable(QString::number(peak)));
    }
};

QTEST_MAIN(TstPictureMemory)
#include "tst_picturememory.moc"
