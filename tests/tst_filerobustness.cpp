// Both record readers fed with random and damaged byte strings: every input
// gives the documented records or a clear error, never a crash or a hang.
// This test also runs in the AddressSanitizer build of the test script.
#include "bag/Common.h"
#include "platform/Errors.h"

#include <QBuffer>
#include <QDataStream>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

namespace {
constexpr int kCases = 12000;

// The bytes of a buffer handed out as a stream, as a pipe would.
class TStream : public QIODevice {
public:
    explicit TStream(QByteArray bytes) : bytes_(std::move(bytes)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = qMin<qint64>(max, bytes_.size() - pos_);
        memcpy(data, bytes_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 pos_ = 0;
};

// A stream that never ends.
class TEndless : public QIODevice {
public:
    TEndless() { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override {
        memset(data, 'A', size_t(max));
        return max;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
};

class TFuzz {
public:
    explicit TFuzz(quint32 seed) : rng_(seed) {}
    int Below(int n) { return int(rng_.bounded(quint32(n))); }
    QByteArray Random(int size) {
        QByteArray b(size, 0);
        for (char& c : b)
            c = char(Below(256));
        return b;
    }
    // Lead bytes of code page 932 followed by trail bytes it does not have.
    QByteArray BadCodePage(int size) {
        static const QByteArray leads("\x81\x9f\xe0\xfc\x85\xa0", 6);
        static const QByteArray trails("\x01\x3f\x7f\xfd\xff\x20", 6);
        QByteArray b;
        while (b.size() < size)
            b += QByteArray(1, leads[Below(6)]) + QByteArray(1, trails[Below(6)]);
        b.resize(size);
        b[size - 1] = leads[Below(6)]; // and a lead byte with nothing after it
        return b;
    }
    QByteArray SettingRecords(int count) {
        QByteArray b;
        for (int i = 0; i < count; ++i) {
            QByteArray r = Random(12);
            r[8] = char(Below(3));
            b += r;
        }
        return b;
    }
    QByteArray ImageRecords(int count) {
        QByteArray b;
        for (int i = 0; i < count; ++i) {
            const QByteArray name = Below(2) ? BadCodePage(258) : Random(258).replace('\0', 'x');
            b += Random(16) + name.left(Below(259)).leftJustified(258, '\0') + Random(2);
        }
        return b;
    }
    // Truncated, extended or bit-flipped.
    QByteArray Mutate(QByteArray b) {
        switch (Below(4)) {
        case 0:
            b.truncate(b.isEmpty() ? 0 : Below(int(b.size())));
            break;
        case 1:
            b += Random(Below(600));
            break;
        case 2:
            for (int i = 0, n = Below(8); i < n && !b.isEmpty(); ++i)
                b[Below(int(b.size()))] ^= char(1 << Below(8));
            break;
        default:
            break;
        }
        return b;
    }
    QByteArray Case(int i) {
        switch (i % 4) {
        case 0:
            return Random(Below(1500));
        case 1:
            return Mutate(SettingRecords(1 + Below(5)));
        case 2:
            return Mutate(ImageRecords(1 + Below(4)));
        default:
            return Mutate(Random(Below(40)) + ImageRecords(Below(3)));
        }
    }

private:
    QRandomGenerator rng_;
};

void CheckSettingReader(const QByteArray& bytes) {
    TSettingRec fromFile{1, -1, false, false}, fromStream = fromFile;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const bool found = ReadSettings(buffer, fromFile);
    TStream stream(bytes);
    QCOMPARE(ReadSettings(stream, fromStream), found);
    QCOMPARE(found, bytes.size() >= 12);
    if (!found) {
        QCOMPARE(fromFile.PageMargin, -1);
        return;
    }
    QDataStream last(bytes.mid((bytes.size() / 12 - 1) * 12, 12));
    last.setByteOrder(QDataStream::LittleEndian);
    quint8 paper, pad, lines, front;
    qint32 margin;
    last >> paper >> pad >> pad >> pad >> margin >> lines >> front;
    for (const TSettingRec& rec : {fromFile, fromStream}) {
        QCOMPARE(rec.PaperSize, paper);
        QCOMPARE(rec.PageMargin, margin);
        QCOMPARE(rec.PrintLines, lines != 0);
        QCOMPARE(rec.LinesInFront, front != 0);
    }
}

void CheckImageReader(const QByteArray& bytes) {
    TStream stream(bytes);
    const QList<TImageRec> recs = ReadImageRecords(stream);
    QCOMPARE(recs.size(), bytes.size() / 276);
    for (int i = 0; i < recs.size(); ++i) {
        const QByteArray field = bytes.mid(i * 276 + 16, 258);
        const qsizetype end = field.indexOf('\0');
        QCOMPARE(recs[i].FileName, end < 0 ? field : field.left(end));
        QCOMPARE(recs[i].Top, qFromLittleEndian<qint32>(bytes.constData() + i * 276));
        try {
            const QString path = DecodeImagePath(recs[i].FileName);
            QVERIFY(!path.contains(QChar::ReplacementCharacter));
            QVERIFY(EncodeImagePath(path).size() <= 258);
        } catch (const EError& e) {
            QVERIFY(!e.Message().isEmpty());
        }
    }
}
} // namespace

class TstFileRobustness : public QObject {
    Q_OBJECT
private slots:
    void readersTakeAnyBytes() {
        TFuzz fuzz(20261208);
        for (int i = 0; i < kCases; ++i) {
            const QByteArray bytes = fuzz.Case(i);
            CheckSettingReader(bytes);
            CheckImageReader(bytes);
            if (QTest::currentTestFailed())
                qWarning() << "case" << i << bytes.toHex();
            QVERIFY(!QTest::currentTestFailed());
        }
    }

    void endlessStreamsEnd() {
        TEndless settings, images;
        TSettingRec rec;
        QVERIFY_THROWS_EXCEPTION(EError, ReadSettings(settings, rec));
        QCOMPARE(ReadImageRecords(images, 7).size(), 7);
    }
};

QTEST_GUILESS_MAIN(TstFileRobustness)
#include "tst_filerobustness.moc"
