// The sheet as a file: page size and line positions measured on the
// rasterised PDF, the SVG rendered by librsvg and the PNG, a JPEG photo
// travelling as JPEG, the command line's exit status and message, and
// targets that cannot be written leaving nothing behind.
#include "DataFileSupport.h"
#include "ScratchMount.h"
#include "bag/BagNet.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/Errors.h"
#include "platform/Rounding.h"
#include "report/QRExport.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {
// The bag's device rectangle and net as a print run computes them at dpi
// with no offsets (one native unit further out at left and top).
struct TModel {
    int L, T, R, B;
    TBagNet Net;
    // The vertical folds and the right outline; the horizontal ones.
    QList<int> Columns() const { return {Net.x1, Net.x2, Net.x3, Net.x4, Net.x5, Net.x6, R - 1}; }
    QList<int> Rows() const { return {T, Net.y1, Net.y2, B - 1}; }
};

TModel ModelAt(const TForm1& form, int dpi) {
    const auto v = form.QRBag1->Size()->Values(); // height, left, top, width
    const auto dev = [dpi](long double native) {
        return int(RoundHalfEven(native * dpi / kNativePerInch));
    };
    TModel m{dev(v[1] - 1), dev(v[2] - 1), dev(v[1] + v[3]), dev(v[2] + v[0]), {}};
    m.Net = ComputeBagNet(m.L, m.T, m.R, m.B);
    return m;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAllStandardError());
    return QString();
}

// One row or column of a PDF page rasterised at 1200 dpi, without smoothing.
QImage PdfStrip(const QString& pdf, QRect area, const QString& out) {
    const QString error = Run(
        "pdftoppm", {"-r", "1200", "-aa", "no", "-aaVector", "no", "-x", QString::number(area.x()),
                     "-y", QString::number(area.y()), "-W", QString::number(area.width()), "-H",
                     QString::number(area.height()), "-png", "-singlefile", pdf, out});
    if (!error.isEmpty())
        qWarning() << error;
    return QImage(out + ".png");
}

// Each expected position (in the strip's pixels) has a dark pixel within one
// pixel of it, and the strip is light halfway between neighbours.
void CheckLines(const QImage& strip, bool across, const QList<double>& expected, int dark) {
    QVERIFY(!strip.isNull());
    const auto grey = [&](int i) { return qGray(across ? strip.pixel(i, 0) : strip.pixel(0, i)); };
    const int length = across ? strip.width() : strip.height();
    for (int k = 0; k < expected.size(); ++k) {
        const int at = int(std::floor(expected[k]));
        bool found = false;
        for (int i = std::max(0, at - 1); i <= std::min(length - 1, at + 1); ++i)
            found = found || grey(i) < dark;
        QVERIFY2(found, qPrintable(QStringLiteral("no line at %1").arg(expected[k])));
        if (k + 1 < expected.size() && expected[k + 1] - expected[k] > 4) {
            const int between = int((expected[k] + expected[k + 1]) / 2);
            QVERIFY2(grey(between) > 200, qPrintable(QStringLiteral("dark at %1").arg(between)));
        }
    }
}

QList<double> Scaled(const QList<int>& positions, double scale) {
    QList<double> out;
    for (int p : positions)
        out.append(p * scale);
    return out;
}

const QString kJpegName = QStringLiteral("写真.jpg");

QString WriteJpeg(const QString& folder, QSize size) {
    QImage photo(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QString path = folder + kJpegName;
    photo.save(path, "JPEG", 90);
    return path;
}
} // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Tesorin")); }

    void pdfIsThePaperAndItsLinesAreTheModels_data() {
        QTest::addColumn<int>("paperIndex");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QSizeF>("millimetres");
        QTest::newRow("JIS B4, 25 mm") << 2 << 25 << QSizeF(364, 257);
        QTest::newRow("A5, 1 mm") << 1 << 1 << QSizeF(210, 148);
        QTest::newRow("JIS B5, 50 mm") << 3 << 50 << QSizeF(257, 182);
    }
    void pdfIsThePaperAndItsLinesAreTheModels() {
        QFETCH(int, paperIndex);
        QFETCH(int, margin);
        QFETCH(QSizeF, millimetres);
        QStringList messages;
        TDataFolderScope scope(messages);
        TForm1 form;
        form.ApplySettings({paperIndex, margin, true, false});
        const QString pdf = scope.Folder() + "sheet.pdf";
        form.ExportSheet(pdf, 300);

        QProcess info;
        info.start("pdfinfo", {pdf});
        QVERIFY(info.waitForFinished());
        const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
        const QRegularExpressionMatch size =
            QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(text);
        QVERIFY2(size.hasMatch(), qPrintable(text));
        QVERIFY(std::abs(size.captured(1).toDouble() - millimetres.width() * 72 / 25.4) <= 0.5);
        QVERIFY(std::abs(size.captured(2).toDouble() - millimetres.height() * 72 / 25.4) <= 0.5);
        QVERIFY(text.contains(QStringLiteral("Tesorin %1").arg(PaperSizes[paperIndex].Name)));

        const TModel m = ModelAt(form, kSheetFileDpi);
        const int width = int(millimetres.width() / 25.4 * kSheetFileDpi);
        const int row = (m.T + m.Net.y1) / 2; // inside the body
        CheckLines(PdfStrip(pdf, QRect(0, row, width, 1), scope.Folder() + "row"), true,
                   Scaled(m.Columns(), 1), 100);
        const int height = int(millimetres.height() / 25.4 * kSheetFileDpi);
        const int column = (m.Net.x3 + m.Net.x4) / 2;
        CheckLines(PdfStrip(pdf, QRect(column, 0, 1, height), scope.Folder() + "column"), false,
                   Scaled(m.Rows(), 1), 100);
        // The glue flap is filled grey over the left outline.
        const QImage flap = PdfStrip(pdf, QRect(m.L, row, 1, 1), scope.Folder() + "flap");
        QCOMPARE(qGray(flap.pixel(0, 0)), 128);
        QVERIFY(messages.isEmpty());
    }

    // librsvg places the lines as the PDF does; the groups are the net's parts.
    void svgHasTheMillimetreSizeTheGroupsAndThePositions() {
        QStringList messages;
        TDataFolderScope scope(messages);
        TForm1 form;
        form.ApplySettings({3, 20, true, true}); // JIS B5, lines in front
        QVERIFY(form.OpenPictures({WriteJpeg(scope.Folder(), QSize(400, 300))}));
        const QString svg = scope.Folder() + "sheet.svg";
        form.ExportSheet(svg, 300);

        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList groups;
        QString outline;
        int images = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("svg")) {
                QCOMPARE(xml.attributes().value("width").toString(), QStringLiteral("257mm"));
                QCOMPARE(xml.attributes().value("height").toString(), QStringLiteral("182mm"));
                const QStringList box = xml.attributes().value("viewBox").toString().split(' ');
                QCOMPARE(box.size(), 4);
                QVERIFY(std::abs(box[2].toDouble() - 257 / 25.4 * 1200) < 0.01);
            }
            if (xml.name() == QLatin1String("g") && xml.attributes().hasAttribute("id"))
                groups.append(xml.attributes().value("id").toString());
            if (xml.name() == QLatin1String("path") && groups.last() == "outline")
                outline += xml.attributes().value("d").toString() + ';';
            if (xml.name() == QLatin1String("image")) {
                QCOMPARE(groups.last(), QStringLiteral("pictures"));
                QVERIFY(xml.attributes()
                            .value("xlink:href")
                            .startsWith(QLatin1String("data:image/jpeg;base64,")));
                ++images;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        // Lines in front: the net's lines lie over the pictures, each once.
        QCOMPARE(groups,
                 QStringList({"paper", "pictures", "outline", "mountain", "valley", "glue"}));
        QCOMPARE(outline.count('Z'), 1);
        QCOMPARE(images, 1);
        QVERIFY(outline.endsWith("Z;"));

        const QString png = scope.Folder() + "svg.png";
        QVERIFY(Run("rsvg-convert", {"-d", "300", "-p", "300", "-o", png, svg}).isEmpty());
        const QImage sheet(png);
        QVERIFY(std::abs(sheet.width() - 257 / 25.4 * 300) < 1);
        QVERIFY(std::abs(sheet.height() - 182 / 25.4 * 300) < 1);
        const TModel m = ModelAt(form, kSheetFileDpi);
        const int row = (m.T + m.Net.y1) / 2 / 4;
        CheckLines(sheet.copy(0, row, sheet.width(), 1), true, Scaled(m.Columns(), 0.25), 235);
        const int column = (m.Net.x3 + m.Net.x4) / 2 / 4;
        CheckLines(sheet.copy(column, 0, 1, sheet.height()), false, Scaled(m.Rows(), 0.25), 235);
    }

    // The whole sheet at 300 dpi, the resolution stored, the lines at the
    // model's pixels at 300 dpi.
    void pngAndJpegAreTheSheetAtTheirResolution() {
        QStringList messages;
        TDataFolderScope scope(messages);
        TForm1 form;
        form.ApplySettings({0, 15, true, false}); // A4
        const QString png = scope.Folder() + "sheet.png";
        form.ExportSheet(png, 300);
        const QImage sheet(png);
        QCOMPARE(sheet.size(), QSize(3508, 2480));
        QCOMPARE(sheet.dotsPerMeterX(), 11811);
        const TModel m = ModelAt(form, 300);
        CheckLines(sheet.copy(0, m.Net.y1 - 20, sheet.width(), 1), true, Scaled(m.Columns(), 1),
                   100);
        CheckLines(sheet.copy(m.Net.x3 + 20, 0, 1, sheet.height()), false, Scaled(m.Rows(), 1),
                   100);

        const QString jpeg = scope.Folder() + "sheet.jpg";
        form.ExportSheet(jpeg, 150);
        QImageReader reader(jpeg);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(1754, 1240));
        QCOMPARE(qRound(reader.read().dotsPerMeterX() * 0.0254), 150); // in the JFIF header
    }

    // A photo larger than 300 ppi at its place travels as JPEG at 300 ppi.
    void jpegPhotoTravelsAsJpegAtTheAskedResolution() {
        QStringList messages;
        TDataFolderScope scope(messages);
        TForm1 form;
        QVERIFY(form.OpenPictures({WriteJpeg(scope.Folder(), QSize(3000, 2000))}));
        form.PlacedImages().first()->resize(300, 200);
        const QString pdf = scope.Folder() + "photo.pdf";
        form.ExportSheet(pdf, 300);
        QProcess list;
        list.start("pdfimages", {"-list", pdf});
        QVERIFY(list.waitForFinished());
        const QStringList lines =
            QString::fromLocal8Bit(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3); // two header lines and the photo
        const QStringList fields = lines[2].simplified().split(' ');
        QCOMPARE(fields[8], QStringLiteral("jpeg"));
        // 300 screen pixels at zoom 80 are 3.906 inches: 1172 pixels at 300 ppi.
        QCOMPARE(fields[3].toInt(), 1172);
        QVERIFY(fields[12].toInt() >= 300 && fields[12].toInt() <= 301);
    }

    // Run as the user runs it: the exit status, one line on standard error
    // naming the file, nothing left where it failed.
    void commandLineExportsAndRefuses() {
        QTemporaryDir home;
        const QString exe = home.filePath("tesorin");
        QVERIFY(QFile::copy(TESORIN_BINARY, exe));
        QFile::setPermissions(exe, QFile::permissions(TESORIN_BINARY));
        const QString photo = WriteJpeg(home.path() + '/', QSize(64, 48));
        const auto run = [&](const QStringList& arguments, QString* error) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            p.setProcessEnvironment(env);
            p.start(exe, arguments);
            p.waitForFinished(60000);
            *error = QString::fromUtf8(p.readAllStandardError());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QString error;
        const QString good = home.filePath("よし.png");
        QCOMPARE(run({"--export", good, "--dpi", "100", photo}, &error), 0);
        QCOMPARE(error, QString());
        QCOMPARE(QImage(good).size(), QSize(1169, 827));

        QDir(home.path()).mkdir("folder.pdf");
        struct TBadTarget {
            QString File;
            QString Reason;
            QString Picture;
        };
        QList<TBadTarget> targets{
            {home.filePath("sheet.txt"), "形式が分かりません", photo},
            {home.filePath("missing/sheet.pdf"), "フォルダ .* がありません", photo},
            {home.filePath("folder.pdf"), "同じ名前のフォルダがあります", photo},
            {home.filePath("sheet.pdf"), "none.jpg", home.filePath("none.jpg")}};
        TScratchMount full;
        const bool mounted = full.Mount("size=32k");
        if (mounted)
            targets.append({full.Folder() + "sheet.jpg", ".", photo});
        const QStringList before = QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden);
        for (const TBadTarget& bad : targets) {
            QVERIFY2(run({"--export", bad.File, bad.Picture}, &error) != 0, qPrintable(bad.File));
            QVERIFY2(error.endsWith('\n') && error.count('\n') == 1, qPrintable(error));
            QVERIFY2(error.startsWith(bad.File + QStringLiteral(" を書き出せません: ")),
                     qPrintable(error));
            QVERIFY2(error.contains(QRegularExpression(bad.Reason)), qPrintable(error));
            QVERIFY(!QFileInfo(bad.File).isFile());
        }
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        if (mounted)
            QCOMPARE(QDir(full.Folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
