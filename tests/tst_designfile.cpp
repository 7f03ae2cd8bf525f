// Design files by their bytes: what is written reads back whole, the header
// carries the program's identity and schema version, files of other
// programs, of newer versions and damaged ones are refused with a message,
// and a save on a full file system leaves the old design as it was.
#include "ScratchMount.h"
#include "bag/DesignFile.h"
#include "platform/Errors.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <limits>
#include <sys/stat.h>

namespace {
constexpr qint64 kRoom = qint64(1) << 30;

QByteArray PngBytes(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TDesign SampleDesign() {
    TDesign d;
    d.Settings.PaperSize = 13;
    d.Settings.PageMargin = 25;
    d.Settings.PrintLines = false;
    d.Settings.LinesInFront = true;
    d.Color = 0x00FFEE;
    d.YamaoriColor = 0x0000FF;
    d.TanioriColor = 0x123456;
    d.NorishiroColor = 0xFFFFFF;
    // Bounds at the ends of their range come back as they were.
    d.Pictures.append({std::numeric_limits<std::int32_t>::min(), 40,
                       std::numeric_limits<std::int32_t>::max(), 0, false,
                       QStringLiteral("/写真/ねこ.png"), PngBytes(8, 6, qRgb(255, 0, 0))});
    QByteArray binary(70000, '\0'); // more than a page: the bytes overflow into a chain
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 7);
    d.Pictures.append({5, 6, 105, 105, true, QStringLiteral("/tmp/b.jpg"), binary});
    return d;
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The message ReadDesignFile raises, or "" when it reads.
QString ReadError(const QString& path, qint64 room = kRoom) {
    try {
        ReadDesignFile(path, room);
        return QString();
    } catch (const EError& e) {
        return e.Message().isEmpty() ? QStringLiteral("<empty message>") : e.Message();
    }
}

void PutBigEndian(QByteArray& bytes, int offset, quint32 value) {
    qToBigEndian(value, bytes.data() + offset);
}
} // namespace

class TestDesignFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsEveryFieldAndByte();
    void headerCarriesIdentityAndVersion();
    void refusesWhatIsNotAWholeDesign_data();
    void refusesWhatIsNotAWholeDesign();
    void refusesTooManyPicturesAndTooManyBytes();
    void fullFileSystemLeavesTheOldDesign();

private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }
};

void TestDesignFile::roundTripKeepsEveryFieldAndByte() {
    const TDesign written = SampleDesign();
    WriteDesignFile(written, Path("a.tesorin"));
    const TDesign read = ReadDesignFile(Path("a.tesorin"), kRoom);
    QCOMPARE(read.Settings.PaperSize, written.Settings.PaperSize);
    QCOMPARE(read.Settings.PageMargin, written.Settings.PageMargin);
    QCOMPARE(read.Settings.PrintLines, written.Settings.PrintLines);
    QCOMPARE(read.Settings.LinesInFront, written.Settings.LinesInFront);
    QCOMPARE(read.Color, written.Color);
    QCOMPARE(read.YamaoriColor, written.YamaoriColor);
    QCOMPARE(read.TanioriColor, written.TanioriColor);
    QCOMPARE(read.NorishiroColor, written.NorishiroColor);
    QCOMPARE(read.Pictures.size(), 2);
    QVERIFY(read.Pictures == written.Pictures); // stacking order, bounds, paths, bytes

    // Saving over it replaces it; a design without pictures is whole too.
    WriteDesignFile(TDesign{}, Path("a.tesorin"));
    QVERIFY(ReadDesignFile(Path("a.tesorin"), kRoom).Pictures.isEmpty());
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{"a.tesorin"});
}

void TestDesignFile::headerCarriesIdentityAndVersion() {
    WriteDesignFile(SampleDesign(), Path("h.tesorin"));
    const QByteArray bytes = Bytes(Path("h.tesorin"));
    QVERIFY(bytes.startsWith(QByteArray("SQLite format 3\0", 16)));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 60), quint32(DesignVersion));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 68), quint32(DesignApplicationId));
    QCOMPARE(QByteArray(bytes.constData() + 68, 4), QByteArray("TSRN"));
}

void TestDesignFile::refusesWhatIsNotAWholeDesign_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    WriteDesignFile(SampleDesign(), Path("good.tesorin"));
    const QByteArray good = Bytes(Path("good.tesorin"));

    QByteArray foreign = good;
    PutBigEndian(foreign, 68, 0);
    Put(Path("foreign.tesorin"), foreign);
    QTest::newRow("another program's database") << "foreign.tesorin"
                                                << "デザインファイルではありません";

    QByteArray newer = good;
    PutBigEndian(newer, 60, DesignVersion + 1);
    Put(Path("newer.tesorin"), newer);
    QTest::newRow("a newer version") << "newer.tesorin"
                                     << "新しい版";

    Put(Path("text.tesorin"), QByteArray("just some text, not a database\n").repeated(100));
    QTest::newRow("not SQLite") << "text.tesorin"
                                << "壊れている";

    Put(Path("cut.tesorin"), good.left(good.size() / 2));
    QTest::newRow("truncated") << "cut.tesorin"
                               << "壊れている";

    QByteArray scribbled = good;
    for (int i = 4096; i < 8192; i += 3)
        scribbled[i] = char(0xA5);
    Put(Path("scribbled.tesorin"), scribbled);
    QTest::newRow("a page overwritten") << "scribbled.tesorin"
                                        << "壊れている";

    Put(Path("empty.tesorin"), QByteArray());
    QTest::newRow("empty") << "empty.tesorin"
                           << "デザインファイルではありません";

    QVERIFY(::mkfifo(QFile::encodeName(Path("fifo.tesorin")).constData(), 0600) == 0);
    QTest::newRow("a pipe (must not block)") << "fifo.tesorin"
                                             << "fifo.tesorin";
    QTest::newRow("missing") << "missing.tesorin"
                             << "missing.tesorin";
}

void TestDesignFile::refusesWhatIsNotAWholeDesign() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString error = ReadError(Path(name));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestDesignFile::refusesTooManyPicturesAndTooManyBytes() {
    TDesign many;
    many.Pictures.fill({0, 0, 1, 1, true, QStringLiteral("/x.png"), QByteArray("x")}, 10000);
    WriteDesignFile(many, Path("many.tesorin"));
    QVERIFY(ReadError(Path("many.tesorin")).contains(QStringLiteral("2000 枚まで")));

    const TDesign sample = SampleDesign();
    WriteDesignFile(sample, Path("big.tesorin"));
    const qint64 blobs = sample.Pictures[0].Bytes.size() + sample.Pictures[1].Bytes.size();
    QVERIFY(ReadError(Path("big.tesorin"), blobs - 1).contains(QStringLiteral("メモリが足りない")));
    QCOMPARE(ReadError(Path("big.tesorin"), blobs), QString());
}

void TestDesignFile::fullFileSystemLeavesTheOldDesign() {
    TScratchMount mount;
    MOUNT_OR_SKIP(mount, "size=256k");
    const QString path = mount.Folder() + "design.tesorin";
    WriteDesignFile(SampleDesign(), path);
    const QByteArray old = Bytes(path);

    TDesign big = SampleDesign();
    big.Pictures.append({0, 0, 10, 10, true, "/big.bmp", QByteArray(300 * 1024, 'x')});
    QVERIFY_THROWS_EXCEPTION(EError, WriteDesignFile(big, path));
    QCOMPARE(Bytes(path), old);
    QCOMPARE(QDir(mount.Folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"design.tesorin"});
    QCOMPARE(ReadError(path), QString());
}

QTEST_GUILESS_MAIN(TestDesignFile)
#include "tst_designfile.moc"
