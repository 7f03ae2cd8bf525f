// Placed pictures: loading by extension and its failures, creating, stacking,
// deleting, and the selection frame as it shows on screen.
#include "Form1Access.h"
#include "LayerFixture.h"
#include "ModalSupport.h"
#include "platform/Errors.h"
#include "platform/Marks.h"
#include "windows/ButtonEx.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <QtEndian>

namespace {
QString LoadError(const QString& path) {
    TImageEx image;
    try {
        image.LoadFromFile(path);
    } catch (const EError& e) {
        return e.Message();
    }
    return QString();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFF;
    for (const char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

QByteArray PngChunk(const QByteArray& type, const QByteArray& body) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(body.size()), out.data());
    out += type + body;
    QByteArray crc(4, '\0');
    qToBigEndian(Crc32(type + body), crc.data());
    return out + crc;
}

// A real one-bit PNG of side x side pixels, small on disk however large.
QByteArray HugePng(int side) {
    QByteArray ihdr(13, '\0');
    qToBigEndian(quint32(side), ihdr.data());
    qToBigEndian(quint32(side), ihdr.data() + 4);
    ihdr[8] = 1; // bit depth; colour type 0 (grey)
    const QByteArray raw(qsizetype(side) * (1 + (side + 7) / 8), '\0');
    const QByteArray z = qCompress(raw).mid(4); // drop Qt's length prefix
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", z) +
           PngChunk("IEND", {});
}

} // namespace

class TstImageLayer : public QObject {
    Q_OBJECT
private slots:
    void picturesLoadByTheirExtension() {
        LayerFixture f;
        for (const char* name : {"a.bmp", "b.png", "c.jpg", "d.JPEG"}) {
            const QString path = f.Picture(name, QSize(30, 20), Qt::blue);
            TImageEx image;
            image.LoadFromFile(path);
            QCOMPARE(image.Picture().size(), QSize(30, 20));
        }
        // A PNG named .bmp is read as a bitmap, and that fails; the message
        // says what the file really is.
        const QString png = f.Picture("e.png", QSize(30, 20), Qt::blue);
        QVERIFY(QFile::copy(png, f.dir.filePath("e.bmp")));
        QCOMPARE(LoadError(f.dir.filePath("e.bmp")),
                 QStringLiteral("ファイル %1 はPNG イメージです。拡張子 .bmp "
                                "のビットマップイメージとしては読めません")
                     .arg(f.dir.filePath("e.bmp")));
    }

    void unloadableFilesRaiseTheToolkitsMessages() {
        LayerFixture f;
        const QString missing = f.dir.filePath("missing.bmp");
        QCOMPARE(LoadError(missing), QStringLiteral("ファイル %1 は開けません").arg(missing));
        QCOMPARE(LoadError(f.dir.filePath("missing.xyz")),
                 QStringLiteral("拡張子 .xyz の画像形式は処理できません"));
        const QString text = f.dir.filePath("text.bmp");
        WriteFile(text, "just some words, not a picture");
        QCOMPARE(LoadError(text),
                 QStringLiteral("ファイル %1 はビットマップイメージではありません").arg(text));
        // Files cut short are named with their own kind, not all as bitmaps.
        for (const char* name : {"cut.bmp", "cut.png", "cut.jpg"}) {
            const QString suffix = QFileInfo(name).suffix();
            QFile good(f.Picture("whole." + suffix, QSize(64, 64), Qt::green));
            QVERIFY(good.open(QIODevice::ReadOnly));
            const QString cut = f.dir.filePath(name);
            WriteFile(cut, good.readAll().left(40));
            const QString kind = suffix == "bmp" ? QStringLiteral("ビットマップイメージ")
                                 : suffix == "png" ? QStringLiteral("PNG イメージ")
                                                   : QStringLiteral("JPEG イメージ");
            QCOMPARE(LoadError(cut), QStringLiteral("ファイル %1 の%2が不正です").arg(cut, kind));
        }
    }

    void hostileBitmapHeadersFailQuickly_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("20000 square") << 20000 << 20000;
        QTest::newRow("negative") << -5 << 40;
        QTest::newRow("int overflow") << 0x7FFFFFFF << 0x7FFFFFFF;
        QTest::newRow("long and thin") << 2000000000 << 1;
    }
    void hostileBitmapHeadersFailQuickly() {
        QFETCH(int, width);
        QFETCH(int, height);
        LayerFixture f;
        QFile good(f.Picture("h.bmp", QSize(16, 16), Qt::green));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QByteArray bytes = good.readAll();
        qToLittleEndian(qint32(width), bytes.data() + 18);
        qToLittleEndian(qint32(height), bytes.data() + 22);
        WriteFile(f.dir.filePath("hostile.bmp"), bytes);
        QElapsedTimer t;
        t.start();
        QVERIFY(!LoadError(f.dir.filePath("hostile.bmp")).isEmpty());
        QVERIFY2(t.elapsed() < 5000, "a lying header must not cost a huge read");
    }

    void aHugePictureIsRefusedWithoutDecodingIt() {
        LayerFixture f;
        const QString path = f.dir.filePath("huge.png");
        WriteFile(path, HugePng(20000));
        QElapsedTimer t;
        t.start();
        const QString message = LoadError(path);
        QVERIFY2(t.elapsed() < 5000, "refused from the header");
        QVERIFY(message.contains("20000 x 20000"));
        QVERIFY_THROWS_EXCEPTION(EError, f.form.AddPlacedImage(path));
        QVERIFY(f.form.PlacedImages().isEmpty());
    }

    void aHugeJpegIsReadReduced() {
        LayerFixture f;
        const QString path = f.dir.filePath("huge.jpg");
        QImage img(11000, 10000, QImage::Format_Grayscale8);
        img.fill(128);
        QVERIFY(img.save(path, "JPEG", 50));
        img = QImage();
        TImageEx image;
        image.LoadFromFile(path);
        const QSize s = image.Picture().size();
        QVERIFY(qint64(s.width()) * s.height() <= MaxPicturePixels);
        QVERIFY(s.width() > 9000 && qAbs(s.width() * 10 - s.height() * 11) < 20);
    }

    void aPathThatCannotBeStoredIsRefusedOnOpen() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QString path = f.Picture(QStringLiteral("絵😀.bmp"), QSize(10, 10), Qt::blue);
        QString shown;
        WhenModal([&](QWidget* w) {
            ChooseInFileDialog(w, path);
            WhenModal([&](QWidget* box) {
                shown = qobject_cast<QMessageBox*>(box)->text();
                box->close();
            });
        });
        f.form.ButtonEx1->click();
        QVERIFY(shown.contains(path));
        QVERIFY(f.form.PlacedImages().isEmpty());
    }

    void aFailedOpenReportsAndAddsNothing() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QString bad = f.dir.filePath("bad.bmp");
        WriteFile(bad, "no picture");
        QString shown;
        WhenModal([&](QWidget* w) {
            QVERIFY(qobject_cast<QFileDialog*>(w));
            ChooseInFileDialog(w, bad);
            WhenModal([&](QWidget* box) {
                shown = qobject_cast<QMessageBox*>(box)->text();
                box->close();
            });
        });
        f.form.ButtonEx1->click();
        QCOMPARE(shown,
                 QStringLiteral("ファイル %1 はビットマップイメージではありません").arg(bad));
        QVERIFY(f.form.PlacedImages().isEmpty());
        QVERIFY(f.form.TransPanel1->findChildren<TImageEx*>().isEmpty());
        // The dialog offers the last chosen file again.
        QCOMPARE(f.form.OpenDialog1->selectedFiles().value(0), bad);
    }

    // The dialog lists bitmaps first, chosen by default; its second filter
    // shows every picture the layer takes, and a picture chosen there opens.
    void theOpenDialogOffersBitmapsThenEveryPicture() {
        LayerFixture f;
        QVERIFY(f.exposed);
        for (const char* name : {"a.bmp", "b.png", "c.jpg", "d.jpeg"})
            f.Picture(name, QSize(10, 10), Qt::blue);
        WriteFile(f.dir.filePath("e.gif"), "GIF89a"); // listed by name; Qt writes no GIF
        WriteFile(f.dir.filePath("f.txt"), "text");
        TForm1Access::OpenDialog(f.form)->setDirectory(f.dir.path());
        QStringList filters, bitmaps, pictures;
        QString chosen;
        const auto listed = [](QListView* files) {
            QStringList names;
            QAbstractItemModel* m = files->model();
            for (int i = 0; i < m->rowCount(files->rootIndex()); ++i)
                // Files the filter leaves out are hidden or shown disabled.
                if (const QModelIndex at = m->index(i, 0, files->rootIndex());
                    !files->isRowHidden(i) && (at.flags() & Qt::ItemIsEnabled))
                    names.append(at.data().toString());
            names.sort();
            return names;
        };
        WhenModal([&](QWidget* w) {
            auto* dialog = static_cast<QFileDialog*>(w);
            auto* files = w->findChild<QListView*>("listView");
            auto* types = w->findChild<QComboBox*>("fileTypeCombo");
            filters = dialog->nameFilters();
            chosen = dialog->selectedNameFilter();
            // The folder is read in the background; the lists are compared below.
            (void)QTest::qWaitFor([&] { return listed(files).size() == 1; });
            bitmaps = listed(files);
            types->setCurrentIndex(1);
            emit types->activated(1); // as a choice in the list does
            (void)QTest::qWaitFor([&] { return listed(files).size() == 5; });
            pictures = listed(files);
            // A name the first filter hid, as typed into the name field.
            w->findChild<QLineEdit*>("fileNameEdit")->setText("b.png");
            static_cast<QDialog*>(dialog)->accept();
        });
        f.form.ButtonEx1->click();
        QCOMPARE(filters,
                 (QStringList{QStringLiteral("ビットマップファイル (*.bmp)"),
                              QStringLiteral("画像ファイル (*.bmp *.png *.jpg *.jpeg *.gif)")}));
        QCOMPARE(chosen, filters.value(0));
        QCOMPARE(bitmaps, QStringList{"a.bmp"});
        QCOMPARE(pictures, (QStringList{"a.bmp", "b.png", "c.jpg", "d.jpeg", "e.gif"}));
        QCOMPARE(f.form.PlacedImages().size(), 1);
        QCOMPARE(f.form.PlacedImages()[0]->FileName(), f.dir.filePath("b.png"));
    }

    void openedPicturesStackAtTheTopLeftCorner() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QString path = f.Picture("one.bmp", QSize(300, 200), Qt::blue);
        QString chosen = path;
        for (int i = 0; i < 2; ++i) {
            WhenModal([&](QWidget* w) { ChooseInFileDialog(w, chosen); });
            f.form.ButtonEx1->click();
        }
        QCOMPARE(f.form.PlacedImages().size(), 2);
        for (TImageEx* image : f.form.PlacedImages()) {
            QCOMPARE(image->geometry(), QRect(0, 0, 105, 105));
            QVERIFY(image->Stretch());
            QCOMPARE(image->FileName(), path);
        }
        QCOMPARE(f.form.SelectedImage(), nullptr);
        const auto kids = f.form.TransPanel1->findChildren<TImageEx*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(kids, f.form.PlacedImages());                 // children in stacking order
        QCOMPARE(f.Screen().pixel(104, 104), qRgb(0, 0, 255)); // scaled into the square
    }

    // Typing the name brings up the dialog's completion list, a popup of its
    // own; Return reaches the list and accepts the dialog. The next click on
    // the main window is the user's, not one that merely closes a left-over
    // list.
    void aTypedNameAcceptedWithReturnLeavesTheNextClickWorking() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QString path = f.Picture("typed.bmp", QSize(30, 20), Qt::blue);
        bool ready = false, listShown = false;
        TForm1Access::OpenDialog(f.form)->setDirectory(f.dir.path());
        WhenModal([&](QWidget* w) {
            auto* name = w->findChild<QLineEdit*>("fileNameEdit");
            auto* files = w->findChild<QListView*>("listView");
            // The name field has the focus once the dialog is active; the list
            // completes from the folder's contents, read in the background.
            ready = QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }) &&
                    QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()); });
            QTest::keyClicks(name, "typed.bm");
            listShown = QTest::qWaitFor([] { return QApplication::activePopupWidget(); });
            QTest::keyClick(name, 'p');
            QTest::keyClick(w->windowHandle(), Qt::Key_Return); // as the window system does
        });
        f.form.ButtonEx1->click();
        QVERIFY(ready && listShown);
        QCOMPARE(f.form.PlacedImages().size(), 1);
        QCOMPARE(f.form.PlacedImages()[0]->FileName(), path);

        bool reopened = false;
        WhenModal([&](QWidget* w) {
            reopened = true;
            static_cast<QDialog*>(w)->reject();
        });
        const QPoint open = f.form.ButtonEx1->mapTo(&f.form, f.form.ButtonEx1->rect().center());
        QTest::mouseClick(f.form.windowHandle(), Qt::LeftButton, {}, open);
        QTRY_VERIFY(reopened);
    }

    void naturalSizeIsClippedAndShowsThePageBeside() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QImage bare = f.Screen();
        const QString path = f.Picture("small.bmp", QSize(20, 10), Qt::blue);
        f.form.AddPlacedImage(path, QRect(40, 40, 60, 60), false);
        const QImage shot = f.Screen();
        QCOMPARE(shot.pixel(40, 40), qRgb(0, 0, 255));
        QCOMPARE(shot.pixel(59, 49), qRgb(0, 0, 255));
        QCOMPARE(shot.pixel(60, 49), bare.pixel(60, 49));
        QCOMPARE(shot.pixel(45, 50), bare.pixel(45, 50));
    }

    void theFrameShowsExactlyOnceAfterAnyRepaint() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(20, 20, 50, 40), QColor(200, 40, 10));
        const QRgb red = qRgb(200, 40, 10);
        const auto checkFrame = [&](const char* when) {
            const QImage s = f.Screen();
            int inverted = 0, plain = 0;
            for (int x = 20; x < 70; ++x)
                for (int y : {20, 59})
                    (s.pixel(x, y) == Inverted(red) ? inverted : plain) += 1;
            QVERIFY2(inverted == 50 && plain == 50, when); // every other pixel
            QVERIFY2(s.pixel(20, 20) == Inverted(red) && s.pixel(21, 20) == red, when);
            QVERIFY2(s.pixel(21, 21) == red && s.pixel(45, 40) == red, when);
        };
        f.form.SelectImage(image);
        checkFrame("selected");
        f.form.RefreshLayer();
        checkFrame("after the full repaint");
        f.form.TransPanel1->update(QRect(30, 18, 4, 4));
        checkFrame("after a small repaint");
        QWidget cover;
        cover.setGeometry(QRect(f.form.mapToGlobal(QPoint(0, 0)), QSize(300, 300)));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        cover.hide();
        checkFrame("after another window covered it");
        f.form.SelectImage(image); // the same picture again: nothing redrawn
        checkFrame("pressed again");
        QCOMPARE(f.form.LayerMarks()->Marks().size(), 1);
    }

    void bringToFrontRestacksAndDeleteLeavesNoFrame() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QImage bare = f.Screen();
        TImageEx* a = f.Place(QRect(10, 10, 60, 60), Qt::red);
        TImageEx* b = f.Place(QRect(40, 40, 60, 60), Qt::blue);
        f.form.SelectImage(b);
        f.form.N1->trigger(); // already topmost: nothing changes
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{a, b}));
        f.form.SelectImage(a);
        f.form.N1->trigger();
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{b, a}));
        QCOMPARE(f.Screen().pixel(50, 50), qRgb(255, 0, 0));
        QCOMPARE(f.form.SelectedImage(), a);
        f.form.Delete1->trigger();
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{b});
        QCOMPARE(f.form.FramedImage(), nullptr);
        const QImage s = f.Screen();
        QVERIFY(f.form.LayerMarks()->Marks().isEmpty());
        QCOMPARE(s.pixel(10, 10), bare.pixel(10, 10));
        QCOMPARE(s.pixel(38, 12), bare.pixel(38, 12));
    }

    void withNoPicturesTheLayerShowsThePageBeneath() {
        LayerFixture f;
        QVERIFY(f.exposed);
        const QImage withLayer = f.Screen();
        f.form.TransPanel1->hide();
        const QImage without = f.Screen();
        QCOMPARE(withLayer, without);
    }
};

QTEST_MAIN(TstImageLayer)
#include "tst_imagelayer.moc"
