// The page store: blocks in memory up to the limit, then in a temporary file
// that goes with the store; pages come back as equal copies.
#include "report/QRPageList.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

namespace {
TQRPageImage PageWith(const QImage& image) {
    QPicture pic;
    QPainter p(&pic);
    p.drawImage(QPoint(0, 0), image);
    p.end();
    return TQRPageImage(pic);
}

QImage Noise(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate() | 0xFF000000);
    return img;
}

QImage Replay(const TQRPageImage& page, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    page.Play(painter);
    return img;
}
} // namespace

class TstPageStore : public QObject {
    Q_OBJECT
private slots:
    void streamMovesToATemporaryFileBeyondTheLimitAndKeepsItsBlocks() {
        QString path;
        {
            TQRStream s(100);
            const qint64 a = s.Append(QByteArray(40, 'a'));
            QVERIFY(s.InMemory());
            const qint64 b = s.Append(QByteArray(60, 'b')); // 48 + 68 > 100
            QVERIFY(!s.InMemory());
            path = s.FileName();
            QVERIFY(QFileInfo(path).fileName().startsWith("QRP"));
            QCOMPARE(QFileInfo(path).absolutePath(),
                     QFileInfo(QDir::tempPath()).absoluteFilePath());
            QVERIFY(QFile::exists(path));
            QCOMPARE(s.Read(a), QByteArray(40, 'a'));
            QCOMPARE(s.Read(b), QByteArray(60, 'b'));
            QCOMPARE(s.Read(s.Size()), QByteArray()); // past the end
            QCOMPARE(s.Read(-5), QByteArray());
        }
        QVERIFY(!QFile::exists(path));
    }

    void aLargePageGoesToDiskAndComesBackEqual() {
        QString path;
        const QImage noise = Noise(200, 200); // about 160 kB, does not compress
        {
            TQRPageList store; // limit 100000 bytes
            store.AddPage(PageWith(QImage(10, 10, QImage::Format_RGB32)));
            QVERIFY(store.Stream().InMemory());
            store.AddPage(PageWith(noise));
            QVERIFY(!store.Stream().InMemory());
            path = store.Stream().FileName();
            QCOMPARE(store.PageCount(), 2);
            QCOMPARE(Replay(store.GetPage(2), noise.size()), noise);
            QVERIFY(store.GetPage(3).IsNull());
            QVERIFY(store.GetPage(0).IsNull());
        }
        QVERIFY(!path.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // A placed picture is kept beside the stream, shared with its owner, and
    // the page plays it between the drawing beneath and the drawing above.
    void aPlacedPictureStaysOutOfTheStream() {
        QImage photo(3000, 2000, QImage::Format_RGB32);
        photo.fill(Qt::blue);
        TQRPageRecorder recorder(QRect(0, 0, 400, 300));
        recorder.Painter()->fillRect(0, 0, 400, 300, Qt::red);
        recorder.PlacePicture({photo, {QRect(100, 100, 150, 100), QRect(0, 0, 200, 300)}});
        recorder.Painter()->setPen(Qt::NoPen); // a state the next drawing keeps
        recorder.Painter()->setBrush(Qt::green);
        recorder.Painter()->drawRect(120, 120, 10, 10);
        TQRPageList store;
        store.AddPage(recorder.Finish());
        QVERIFY(store.Stream().InMemory());
        QVERIFY(store.Stream().Size() < 2000);
        const TQRPageImage page = store.GetPage(1);
        QCOMPARE(page.BoundingRect(), QRect(0, 0, 400, 300));
        QCOMPARE(page.Parts().size(), 3);
        QCOMPARE(page.Parts()[1].Picture->Picture.cacheKey(), photo.cacheKey());
        const QImage shown = Replay(page, QSize(400, 300));
        QCOMPARE(shown.pixel(50, 50), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(110, 110), qRgb(0, 0, 255));
        QCOMPARE(shown.pixel(125, 125), qRgb(0, 255, 0)); // drawn above the picture
        QCOMPARE(shown.pixel(220, 150), qRgb(255, 0, 0)); // the picture cut at 200
    }

    // One thread appends while another reads: every read sees a whole page.
    void readsWhileAPageIsAppended() {
        TQRPageList store(1000);
        const QImage small = Noise(20, 20);
        store.AddPage(PageWith(small));
        QThread* writer = QThread::create([&] {
            for (int i = 0; i < 200; ++i)
                store.AddPage(PageWith(small));
        });
        writer->start();
        int reads = 0;
        while (!writer->isFinished() || reads < 50) {
            const int n = store.PageCount();
            QCOMPARE(Replay(store.GetPage(n), small.size()), small);
            ++reads;
        }
        writer->wait();
        delete writer;
        QCOMPARE(store.PageCount(), 201);
    }
};

QTEST_MAIN(TstPageStore)
#include "tst_pagestore.moc"
