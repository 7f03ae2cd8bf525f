// LIST.DAT: the 276-byte record, paths in code page 932, and the writer of
// placed pictures.
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "platform/Errors.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray WriteToBytes(const QList<TImageRec>& records) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteImageRecords(buffer, records);
    return bytes;
}

QList<TImageRec> ReadFromBytes(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadImageRecords(buffer);
}

QByteArray Int32(qint32 v) {
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char((quint32(v) >> (8 * i)) & 0xFF);
    return b;
}

// A record as the format describes it, built field by field.
QByteArray HandRecord(qint32 top, qint32 left, qint32 width, qint32 height, const QByteArray& name,
                      bool stretch) {
    QByteArray field = name.leftJustified(258, '\0', true);
    return Int32(top) + Int32(left) + Int32(width) + Int32(height) + field +
           QByteArray(1, stretch ? 1 : 0) + QByteArray(1, 0);
}

// A path whose code page 932 form is exactly `bytes` long (a multiple of 2).
QString PathOfBytes(int bytes) {
    return QString(bytes / 2, QChar(0x3042));
} // "あ"
} // namespace

class TstImageFile : public QObject {
    Q_OBJECT
private slots:
    void recordLayoutPutsTopFirst() {
        TImageRec rec;
        rec.Top = 40;
        rec.Left = 120;
        rec.Width = 105;
        rec.Height = -3;
        rec.FileName = "C:\\pic.bmp";
        rec.Stretch = true;
        const QByteArray bytes = WriteToBytes({rec});
        QCOMPARE(bytes.size(), 276);
        QCOMPARE(bytes.left(16), Int32(40) + Int32(120) + Int32(105) + Int32(-3));
        QCOMPARE(bytes.mid(16, 11), QByteArray("C:\\pic.bmp", 11)); // with its zero byte
        QCOMPARE(bytes.at(274), '\x01');
    }

    void readsHandWrittenRecords() {
        const QByteArray first = HandRecord(40, 120, 50, 60, "/a.bmp", true);
        const QByteArray second = HandRecord(-1, 7, 0, 0, QByteArray(258, 'x'), false);
        QByteArray file = first + second + QByteArray(100, '\xff');
        file[275] = '\x55'; // padding and bytes after the zero have no meaning
        file[16 + 7] = 'q';
        const QList<TImageRec> recs = ReadFromBytes(file);
        QCOMPARE(recs.size(), 2);
        QCOMPARE(recs[0].Top, 40);
        QCOMPARE(recs[0].Left, 120);
        QCOMPARE(recs[0].Width, 50);
        QCOMPARE(recs[0].Height, 60);
        QCOMPARE(recs[0].FileName, QByteArray("/a.bmp"));
        QVERIFY(recs[0].Stretch);
        QCOMPARE(recs[1].Top, -1);
        QCOMPARE(recs[1].FileName, QByteArray(258, 'x')); // no zero byte: all 258 taken
        QVERIFY(!recs[1].Stretch);
        QVERIFY(ReadFromBytes(QByteArray()).isEmpty());
        QVERIFY(ReadFromBytes(QByteArray(275, 'a')).isEmpty());
        // This program writes the same bytes as the hand-made records.
        QCOMPARE(WriteToBytes(recs), first + second);
    }

    void pathsUseCodePage932() {
        QCOMPARE(EncodeImagePath(QStringLiteral("～")), QByteArray("\x81\x60"));
        const QString path = QStringLiteral("/home/花子/写真/ねこ～①ｱ.bmp");
        const QByteArray bytes = EncodeImagePath(path);
        QVERIFY(bytes.contains("\x82\xcb\x82\xb1\x81\x60\x87\x40\xb1"));
        QCOMPARE(DecodeImagePath(bytes), path);
        // Bytes that are not code page 932 decode to something, never crash.
        // Bytes no text gives are refused rather than read as another name.
        QVERIFY_THROWS_EXCEPTION(EError, DecodeImagePath(QByteArray("\x81\x20\xff\x82", 4)));
    }

    void pathLimitIs258EncodedBytes() {
        const QString longest = PathOfBytes(258);
        QCOMPARE(EncodeImagePath(longest).size(), 258);
        TImageRec rec;
        rec.FileName = EncodeImagePath(longest);
        const QByteArray bytes = WriteToBytes({rec});
        QVERIFY(!bytes.mid(16, 258).contains('\0'));
        QCOMPARE(DecodeImagePath(ReadFromBytes(bytes).at(0).FileName), longest);
        try {
            CheckImagePathStorable(PathOfBytes(260));
            QFAIL("a 260-byte path must be refused");
        } catch (const EError& e) {
            QVERIFY(e.Message().contains(QStringLiteral("長すぎる")));
            QVERIFY(e.Message().endsWith(QStringLiteral("このファイルは開けません。")));
        }
    }

    void unrepresentablePathsAreRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("accent") << QStringLiteral("/tmp/café.bmp");
        QTest::newRow("emoji") << QStringLiteral("/tmp/😀.bmp");
        QTest::newRow("wave dash") << QStringLiteral("/tmp/〜.bmp"); // U+301C, not U+FF5E
        QTest::newRow("zero char") << QStringLiteral("/tmp/a") + QChar(0) + QStringLiteral("b");
    }
    void unrepresentablePathsAreRefused() {
        QFETCH(QString, path);
        try {
            CheckImagePathStorable(path);
            QFAIL("the path must be refused");
        } catch (const EError& e) {
            QVERIFY(e.Message().contains(QStringLiteral("シフトJISで表せない文字")));
        }
    }

    void writerLeavesTheOldFileWhenAPathCannotBeStored() {
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        QWidget layer;
        TImageEx good(&layer), bad(&layer);
        good.SetFileName(QStringLiteral("/tmp/～.bmp"));
        good.setGeometry(120, 40, 30, 20);
        good.SetStretch(true);
        QVERIFY(WriteImageFile({&good}, folder));
        QList<TImageRec> recs;
        QVERIFY(ReadImageFile(recs, folder));
        QCOMPARE(recs.size(), 1);
        QCOMPARE(recs[0].Top, 40);
        QCOMPARE(recs[0].Left, 120);
        QCOMPARE(DecodeImagePath(recs[0].FileName), good.FileName());
        bad.SetFileName(QStringLiteral("/tmp/café.bmp"));
        QVERIFY_THROWS_EXCEPTION(EError, WriteImageFile({&good, &bad}, folder));
        QCOMPARE(QFileInfo(folder + ImageFileName).size(), 276);
        QVERIFY(WriteImageFile({}, folder));
        QCOMPARE(QFileInfo(folder + ImageFileName).size(), 0);
    }
};

QTEST_MAIN(TstImageFile)
#include "tst_imagefile.moc"
