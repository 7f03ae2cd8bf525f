// The main window's start-up loading and close-time saving of SETTING.DAT and
// LIST.DAT, through the real window, in a folder of the test's own.
#include "DataFileSupport.h"
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/Messages.h"
#include "report/QuickRep.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
QList<TImageEx*> LayerStacking(const TForm1& form) {
    QList<TImageEx*> images;
    for (QObject* child : form.TransPanel1->children())
        if (auto* image = qobject_cast<TImageEx*>(child))
            images.append(image);
    return images;
}
} // namespace

class TstPersistence : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TDataFolderScope> data_;
    QStringList messages_;
    QString Folder() const { return data_->Folder(); }
    QString Bitmap(const QString& name, QColor colour) {
        return PutBitmap(Folder() + name, colour);
    }

private slots:
    void init() { data_ = std::make_unique<TDataFolderScope>(messages_); }
    void cleanup() { data_.reset(); }

    void firstStartUsesDefaultsAndFirstCloseWritesBothFiles() {
        TForm1 form;
        QCOMPARE(form.QuickRep1->size(), QSize(898, 635));
        QCOMPARE(form.QRBag1->geometry(), QRect(30, 30, 838, 575));
        QVERIFY(form.PlacedImages().isEmpty());
        QVERIFY(form.close());
        QCOMPARE(FileBytes(Folder() + "SETTING.DAT"), QByteArray::fromHex("090000000a0000000100000"
                                                                          "0"));
        QCOMPARE(FileBytes(Folder() + "LIST.DAT"), QByteArray());
        QCOMPARE(QDir(Folder()).entryList(QDir::Files), (QStringList{"LIST.DAT", "SETTING.DAT"}));
        QVERIFY(messages_.isEmpty());
    }

    void restartRestoresSettingsPicturesAndStacking_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QRect>("bag");
        QTest::newRow("A4, 25 mm") << 9 << 25 << QSize(898, 635) << QRect(76, 76, 746, 483);
        QTest::newRow("B5, 10 mm") << 13 << 10 << QSize(777, 550) << QRect(30, 30, 717, 490);
    }
    void restartRestoresSettingsPicturesAndStacking() {
        QFETCH(int, paper);
        QFETCH(int, margin);
        QFETCH(QSize, page);
        QFETCH(QRect, bag);
        const QList<QRect> bounds{{10, 20, 100, 80}, {50, 40, 60, 90}, {70, 30, 105, 105}};
        const QStringList paths{Bitmap("red.bmp", Qt::red), Bitmap("写真～.bmp", Qt::green),
                                Bitmap("blue.bmp", Qt::blue)};
        {
            TForm1 form;
            for (int i = 0; i < 3; ++i)
                form.AddPlacedImage(paths[i], bounds[i], i != 1);
            form.SelectImage(form.PlacedImages()[1]);
            form.BringSelectedImageToFront();
            form.QuickRep1->Page()->SetPaperSize(TQRPaperSize(paper));
            TFormSettings settings = form.Settings();
            settings.PageMargin = margin;
            settings.PrintLines = false;
            settings.LinesInFront = true;
            form.ApplySettings(settings);
            QVERIFY(form.close());
        }
        TForm1 again;
        QVERIFY(messages_.isEmpty());
        QCOMPARE(again.QuickRep1->size(), page);
        QCOMPARE(again.QRBag1->geometry(), bag);
        QCOMPARE(again.PageMargin(), margin);
        QCOMPARE(double(again.QuickRep1->Page()->TopMargin()), double(margin));
        QVERIFY(!again.PrintLines());
        QVERIFY(again.LinesInFront());
        QCOMPARE(again.PlacedImages().size(), 3);
        const QList<int> order{0, 2, 1};
        for (int i = 0; i < 3; ++i) {
            const TImageEx* image = again.PlacedImages()[i];
            QCOMPARE(image->FileName(), paths[order[i]]);
            QCOMPARE(image->geometry(), bounds[order[i]]);
            QCOMPARE(image->Stretch(), order[i] != 1);
            QVERIFY(!image->Picture().isNull());
            QVERIFY(image->OnMouseDown && image->OnMouseMove); // editable like an opened one
        }
        QCOMPARE(LayerStacking(again), again.PlacedImages());
        QCOMPARE(again.TransPanel1->childAt(75, 50), again.PlacedImages()[2]);
    }

    void storedRecordsAreReadAsDocumented() {
        const QString pic = Bitmap("p.bmp", Qt::red);
        PutFile(Folder() + "SETTING.DAT", SettingBytes(QRPaper::B4, 5, true, false) +
                                              SettingBytes(QRPaper::A5, 20, false, true));
        PutFile(Folder() + "LIST.DAT", ImageRecordBytes(40, 120, 30, 20, pic, false) +
                                           ImageRecordBytes(0, 0, 10, 10, pic, true) +
                                           QByteArray(100, '\x7f'));
        TForm1 form;
        QVERIFY(messages_.isEmpty());
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), QRPaper::A5);
        QCOMPARE(form.QuickRep1->size(), QSize(635, 447));
        QCOMPARE(form.PageMargin(), 20);
        for (int index : {0, 2, 4, 5})
            QCOMPARE(double(form.QuickRep1->Page()->NativeValue(index)), 200.0);
        QVERIFY(!form.PrintLines());
        QVERIFY(form.LinesInFront());
        QCOMPARE(form.PlacedImages().size(), 2);
        QCOMPARE(form.PlacedImages()[0]->geometry(), QRect(120, 40, 30, 20)); // Top came first
    }

    void tooShortOrEmptyFilesChangeNothing() {
        PutFile(Folder() + "SETTING.DAT", SettingBytes(QRPaper::B5, 30, false, true).left(11));
        PutFile(Folder() + "LIST.DAT", QByteArray());
        TForm1 form;
        QVERIFY(messages_.isEmpty());
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), QRPaper::A4);
        QCOMPARE(form.PageMargin(), 10);
        QVERIFY(form.PrintLines());
        QVERIFY(form.PlacedImages().isEmpty());
    }

    void damagedSettingsStayUsable() {
        PutFile(Folder() + "SETTING.DAT", SettingBytes(200, 0x7fffffff, true, true));
        {
            TForm1 form; // a code beyond the table of pages is ignored by the page
            QCOMPARE(form.QuickRep1->Page()->PaperSize(), QRPaper::A4);
            QCOMPARE(form.PageMargin(), 50);
            QCOMPARE(form.QRBag1->geometry(), QRect(151, 151, 898 - 302, 635 - 302));
        }
        PutFile(Folder() + "SETTING.DAT", SettingBytes(8, -5, true, false));
        TForm1 form; // A3 is a page the program never offers, but it is applied
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), TQRPaperSize(8));
        QCOMPARE(form.PageMargin(), 1);
        QVERIFY(messages_.isEmpty());
    }

    void absurdStoredBoundsStayDrawable() {
        const QString pic = Bitmap("p.bmp", Qt::red);
        PutFile(Folder() + "LIST.DAT",
                ImageRecordBytes(INT_MIN, INT_MAX, INT_MAX, -5, pic, true) +
                    ImageRecordBytes(-100000000, -20, 0x7fffffff, 0x7fffffff, pic, true));
        TForm1 form;
        QVERIFY(messages_.isEmpty());
        QCOMPARE(form.PlacedImages().size(), 2);
        QCOMPARE(form.PlacedImages()[0]->height(), 0);
        QVERIFY(!form.QuickRep1->grab().isNull());
        QVERIFY(form.close());
    }

    // A gone picture between two others: both others are placed, a
    // placeholder holds the gone one's place in the stacking, the start says
    // which file it is, and the close stores the file as it was read, with no
    // backup. Once the file is back, the next start shows it.
    void gonePictureIsHeldInItsPlaceAndStoredAsRead() {
        const QString first = Bitmap("one.bmp", Qt::red);
        const QString third = Bitmap("three.bmp", Qt::blue);
        const QString gone = Folder() + "gone.bmp";
        const QByteArray original = ImageRecordBytes(1, 2, 30, 40, first, true) +
                                    ImageRecordBytes(5, 5, 10, 10, gone, false) +
                                    ImageRecordBytes(7, 8, 10, 10, third, false);
        PutFile(Folder() + "LIST.DAT", original);
        PutFile(Folder() + "SETTING.DAT", SettingBytes(QRPaper::A4, 25, true, false));
        {
            TForm1 form;
            QCOMPARE(messages_.size(), 1);
            const QStringList lines = messages_[0].split('\n');
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines[0], QStringLiteral("ファイル読み込みエラー"));
            QVERIFY(lines[1].contains(gone));
            QCOMPARE(form.PlacedImages().size(), 3);
            QCOMPARE(LayerStacking(form), form.PlacedImages());
            const TImageEx* held = form.PlacedImages()[1];
            QVERIFY(held->IsPlaceholder() && held->Picture().isNull());
            QCOMPARE(held->geometry(), QRect(5, 5, 10, 10));
            QCOMPARE(held->FileName(), gone);
            QVERIFY(!form.PlacedImages()[0]->IsPlaceholder());
            QCOMPARE(form.PlacedImages()[2]->Picture().pixelColor(0, 0), QColor(Qt::blue));
            QCOMPARE(form.QRBag1->geometry().topLeft(), QPoint(76, 76));
            QVERIFY(form.close());
        }
        QCOMPARE(FileBytes(Folder() + "LIST.DAT"), original);
        QVERIFY(!QFile::exists(Folder() + "LIST.DAT.bak"));
        messages_.clear();
        Bitmap("gone.bmp", Qt::green);
        TForm1 next;
        QVERIFY(messages_.isEmpty());
        QVERIFY(!next.PlacedImages()[1]->IsPlaceholder());
        QCOMPARE(next.PlacedImages()[1]->Picture().pixelColor(0, 0), QColor(Qt::green));
    }

    // No usable data folder: the start names it; the first close says why
    // it cannot save and offers to end without saving, which the second
    // close does.
    void unusableFolderIsNamedAtStartAndTheSecondCloseEnds() {
        PutFile(Folder() + "plain", "not a folder");
        SetDataFolderOverride(Folder() + "plain");
        TForm1 form;
        form.show();
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains(QDir::toNativeSeparators(Folder() + "plain/")));
        messages_.clear();
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(
            messages_[0].startsWith(QDir::toNativeSeparators(Folder() + "plain/SETTING.DAT: ")));
        QVERIFY(messages_[0].contains(QStringLiteral("保存せずに終了します")));
        messages_.clear();
        QVERIFY(form.close());
        QVERIFY(messages_.isEmpty());
        QCOMPARE(FileBytes(Folder() + "plain"), QByteArray("not a folder"));
    }

    void failedSettingsFileLeavesTheListUnwritten() {
        TForm1 form;
        form.show();
        QVERIFY(QDir(Folder()).mkdir("SETTING.DAT")); // the final rename cannot replace it
        QVERIFY(!form.close());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains("SETTING.DAT"));
        QVERIFY(!QFile::exists(Folder() + "LIST.DAT"));
        QCOMPARE(QDir(Folder()).entryList(QDir::Files), QStringList()); // no temporary left
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(TstPersistence)
#include "tst_persistence.moc"
