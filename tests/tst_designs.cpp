// Named designs through the real window: saved with the keys and opened
// again, whole after their picture files are gone and still there at the
// next start; the caption's name and "*" following the undo stack; the
// question before unsaved changes are set aside; damaged designs that change
// nothing; the recent designs.
#include "DataFileSupport.h"
#include "Form1Access.h"
#include "ModalSupport.h"
#include "bag/DesignFile.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "report/QuickRep.h"
#include "windows/CommandLine.h"
#include "windows/Unit1.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QUndoStack>
#include <QWindow>

namespace {
// A picture of four colour quarters, so a mixed-up or rescaled copy shows.
QImage Quarters(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (x < w / 2 ? 0xFF0000 : 0x00FF00) | (y < h / 2 ? 0 : 0x0000FF));
    return image;
}

// Answers the next file dialog with `path`.
void AnswerFileDialog(const QString& path) {
    WhenModal([path](QWidget* w) {
        QVERIFY(qobject_cast<QFileDialog*>(w));
        // What an earlier use of the dialog left in the name field is replaced.
        ChooseInFileDialog(w, path);
    });
}

// Clicks the button of the next message box whose text is `answer`, and
// keeps the box's text.
void AnswerBox(const QString& answer, QString* text = nullptr) {
    WhenModal([answer, text](QWidget* w) {
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (b->text() == answer) {
                if (text)
                    *text = w->findChild<QLabel*>("qt_msgbox_label")->text();
                b->click();
                return;
            }
        QFAIL("no such answer");
    });
}

QString Shown(const TForm1& form) {
    return form.windowHandle() ? form.windowHandle()->title() : QString();
}
} // namespace

class TstDesigns : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TDataFolderScope> data_;
    QStringList messages_;
    QTemporaryDir work_;
    QString Work(const QString& name) const { return work_.filePath(name); }
    QString SavedDesign(TForm1& form, const QString& name) {
        AnswerFileDialog(Work(name));
        form.SaveDesignAs1->trigger();
        return Work(name);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Tesorin", "Tesorin").clear();
    }
    void init() { data_ = std::make_unique<TDataFolderScope>(messages_); }
    void cleanup() { data_.reset(); }

    void savedDesignOpensWholeWithoutItsPictureFiles();
    void captionNamesTheDesignAndMarksChanges();
    void unsavedChangesAreAskedAbout();
    void damagedDesignChangesNothing();
    void pictureThatDoesNotDecodeKeepsItsPlaceAndBytes();
    void placeholderOfTheDataFilesGoesIntoADesignWithoutBytes();
    void recentDesignsKeepTheLastTen();
    void exportOfADesignDrawsItsPicturesWithoutTheirFiles();
};

void TstDesigns::savedDesignOpensWholeWithoutItsPictureFiles() {
    const QImage photo = Quarters(40, 30);
    QVERIFY(photo.save(Work("photo.png")));
    QVERIFY(photo.save(Work("写真.jpg"), "JPEG", 100));
    const QImage jpeg(Work("写真.jpg"));
    const QString design = Work("bag.tesorin");
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.AddPlacedImage(Work("photo.png"), QRect(10, 20, 120, 90), true);
        form.AddPlacedImage(Work("写真.jpg"), QRect(200, 50, 40, 30), false);
        form.QRBag1->SetYamaoriColor(0x0000FF);
        form.ApplySettings({3, 25, false, true});
        AnswerFileDialog(design);
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form.DesignPath(), design);
        QVERIFY(FileBytes(design).startsWith(QByteArray("SQLite format 3\0", 16)));
        form.NewDesign1->trigger(); // LIST.DAT will name no picture
        QVERIFY(form.PlacedImages().isEmpty());
        QVERIFY(form.close());
    }
    QVERIFY(QFile::remove(Work("photo.png")));
    QVERIFY(QFile::remove(Work("写真.jpg")));
    {
        TForm1 form;
        QVERIFY(form.OpenDesign(design));
        QCOMPARE(form.PlacedImages().size(), 2);
        const TImageEx* first = form.PlacedImages()[0];
        const TImageEx* second = form.PlacedImages()[1];
        QCOMPARE(first->geometry(), QRect(10, 20, 120, 90));
        QCOMPARE(second->geometry(), QRect(200, 50, 40, 30));
        QVERIFY(first->Stretch());
        QVERIFY(!second->Stretch());
        QCOMPARE(first->Picture().convertToFormat(QImage::Format_RGB32), photo);
        QCOMPARE(second->Picture().convertToFormat(QImage::Format_RGB32),
                 jpeg.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(form.QRBag1->YamaoriColor(), TColor(0x0000FF));
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), TQRPaperSize(13));
        QCOMPARE(form.PageMargin(), 25);
        QVERIFY(!form.PrintLines());
        QVERIFY(form.LinesInFront());
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join("; ")));
        QVERIFY(form.close());
    }
    // The close put copies of the gone files in the data folder, and the
    // next plain start shows them.
    const QStringList copies = QDir(data_->Folder() + "PICTURES").entryList(QDir::Files);
    QCOMPARE(copies.size(), 2);
    TForm1 next;
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join("; ")));
    QCOMPARE(next.PlacedImages().size(), 2);
    QVERIFY(next.PlacedImages()[0]->FileName().startsWith(data_->Folder() + "PICTURES/photo-"));
    QCOMPARE(next.PlacedImages()[0]->Picture().convertToFormat(QImage::Format_RGB32), photo);
    QCOMPARE(next.PlacedImages()[1]->geometry(), QRect(200, 50, 40, 30));
}

void TstDesigns::captionNamesTheDesignAndMarksChanges() {
    TForm1 form;
    form.show();
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0"));
    SavedDesign(form, "caption.tesorin");
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0 - caption.tesorin"));
    form.ApplySettings({0, 30, true, false});
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0 - caption.tesorin*"));
    form.UndoStack()->undo();
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0 - caption.tesorin"));
    form.UndoStack()->redo();
    form.SaveDesign1->trigger();
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0 - caption.tesorin"));
    form.NewDesign1->trigger();
    QCOMPARE(Shown(form), QStringLiteral("Tesorin(仮) Ver 1.0.0"));
    QCOMPARE(form.PageMargin(), 10);
}

void TstDesigns::unsavedChangesAreAskedAbout() {
    TForm1 form;
    const QString path = SavedDesign(form, "ask.tesorin");
    const QByteArray saved = FileBytes(path);
    form.ApplySettings({0, 33, true, false});

    QString question;
    AnswerBox(QStringLiteral("キャンセル"), &question);
    form.NewDesign1->trigger();
    QVERIFY(question.contains(QStringLiteral("保存しますか")));
    QCOMPARE(form.DesignPath(), path);
    QCOMPARE(form.PageMargin(), 33);
    AnswerBox(QStringLiteral("キャンセル"));
    QVERIFY(!form.close());

    AnswerBox(QStringLiteral("いいえ"));
    form.NewDesign1->trigger();
    QCOMPARE(form.DesignPath(), QString());
    QCOMPARE(FileBytes(path), saved);

    QVERIFY(form.OpenDesign(path));
    form.ApplySettings({0, 44, true, false});
    AnswerBox(QStringLiteral("はい"));
    QVERIFY(form.close());
    TForm1 again;
    QVERIFY(again.OpenDesign(path));
    QCOMPARE(again.PageMargin(), 44);
}

void TstDesigns::damagedDesignChangesNothing() {
    TForm1 form;
    PutBitmap(Work("keep.bmp"), Qt::red);
    form.AddPlacedImage(Work("keep.bmp"), QRect(5, 5, 50, 50), true);
    const QString good = SavedDesign(form, "good.tesorin");
    QByteArray cut = FileBytes(good);
    cut.truncate(cut.size() / 2);
    PutFile(Work("cut.tesorin"), cut);
    PutFile(Work("text.tesorin"), "not a design");
    for (const QString& bad : {Work("cut.tesorin"), Work("text.tesorin"), Work("gone.tesorin")}) {
        messages_.clear();
        QVERIFY(!form.OpenDesign(bad));
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(form.DesignPath(), good);
        QCOMPARE(form.PlacedImages().size(), 1);
        QCOMPARE(form.PlacedImages()[0]->geometry(), QRect(5, 5, 50, 50));
    }
}

void TstDesigns::pictureThatDoesNotDecodeKeepsItsPlaceAndBytes() {
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    blue.save(&buffer, "PNG");
    TDesign written;
    written.Settings = {9, 10, true, false};
    written.Pictures = {{1, 2, 30, 40, true, "/gone/bad.png", "not a picture"},
                        {5, 6, 70, 80, true, "/gone/good.png", png}};
    WriteDesignFile(written, Work("blob.tesorin"));
    TForm1 form;
    QVERIFY(form.OpenDesign(Work("blob.tesorin")));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains("bad.png") && !messages_[0].contains("good.png"));
    QCOMPARE(form.PlacedImages().size(), 2);
    QCOMPARE(form.PlacedImages()[0]->geometry(), QRect(1, 2, 30, 40));
    QVERIFY(form.PlacedImages()[0]->IsPlaceholder());
    QVERIFY(form.PlacedImages()[0]->Picture().isNull());
    QCOMPARE(form.PlacedImages()[1]->Picture().pixel(3, 3), qRgb(0, 0, 255));
    QVERIFY(TForm1Access::SaveDesign(form, Work("again.tesorin")));
    QVERIFY(ReadDesignFile(Work("again.tesorin"), 1 << 20).Pictures == written.Pictures);
}

// A placeholder read from LIST.DAT has no bytes: the design keeps its
// record with none and opens it as a placeholder again, and the close names
// its own file in LIST.DAT, not a copy. A name that is no text cannot be a
// design's path: that save is refused with a message and writes nothing.
void TstDesigns::placeholderOfTheDataFilesGoesIntoADesignWithoutBytes() {
    const QString gone = Work("gone.png");
    const QByteArray record = ImageRecordBytes(2, 1, 30, 40, gone, false);
    PutFile(data_->Folder() + "LIST.DAT", record);
    {
        TForm1 form;
        QVERIFY(TForm1Access::SaveDesign(form, Work("held.tesorin")));
        const TDesign saved = ReadDesignFile(Work("held.tesorin"), 1 << 20);
        QCOMPARE(saved.Pictures,
                 (QList<TDesignPicture>{{1, 2, 30, 40, false, gone, QByteArray()}}));
        messages_.clear();
        QVERIFY(form.OpenDesign(Work("held.tesorin")));
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains(QDir::toNativeSeparators(gone)));
        QVERIFY(form.PlacedImages().first()->IsPlaceholder());
        QVERIFY(form.close());
    }
    QCOMPARE(FileBytes(data_->Folder() + "LIST.DAT"), record);
    QVERIFY(!QDir(data_->Folder() + "PICTURES").exists());

    PutFile(data_->Folder() + "LIST.DAT",
            RawImageRecordBytes(2, 1, 30, 40, EncodeImagePath(Work("bad")) + "\x81.png", false));
    TForm1 form;
    messages_.clear();
    QVERIFY(!TForm1Access::SaveDesign(form, Work("refused.tesorin")));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains(QStringLiteral("デザインに保存できません")));
    QVERIFY(!QFile::exists(Work("refused.tesorin")));
}

void TstDesigns::recentDesignsKeepTheLastTen() {
    QSettings("Tesorin", "Tesorin").clear();
    TForm1 form;
    for (int i = 0; i < 12; ++i)
        SavedDesign(form, QStringLiteral("r%1.tesorin").arg(i));
    QVERIFY(form.OpenDesign(Work("r3.tesorin")));
    TForm1 next; // a new window reads the list from the configuration
    const QList<QAction*> page = next.PopupMenu2->actions();
    QVERIFY(page.contains(next.NewDesign1) && page.contains(next.OpenDesign1) &&
            page.contains(next.SaveDesign1) && page.contains(next.SaveDesignAs1));
    QCOMPARE(page.last()->menu(), next.RecentDesigns1);
    emit next.RecentDesigns1->aboutToShow();
    const QList<QAction*> entries = next.RecentDesigns1->actions();
    QCOMPARE(entries.size(), 10);
    QVERIFY(entries[0]->text().endsWith(Work("r3.tesorin")));
    QVERIFY(entries[1]->text().endsWith(Work("r11.tesorin")));
    QVERIFY(entries[9]->text().endsWith(Work("r2.tesorin"))); // r3 moved up, not twice
    entries[1]->trigger();
    QCOMPARE(next.DesignPath(), Work("r11.tesorin"));
}

void TstDesigns::exportOfADesignDrawsItsPicturesWithoutTheirFiles() {
    QImage red(60, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(Work("red.png")));
    QString design;
    {
        TForm1 form;
        form.AddPlacedImage(Work("red.png"), QRect(100, 100, 300, 200), true);
        design = SavedDesign(form, "export.tesorin");
    }
    QVERIFY(QFile::remove(Work("red.png")));
    TCommandLine line;
    line.Files = {design};
    line.ExportFile = Work("sheet.png");
    line.Dpi = 20;
    QCOMPARE(ExportFromCommandLine(line), 0);
    // The picture spans 33..132 mm across and 33..99 mm down the sheet.
    const QImage sheet(Work("sheet.png"));
    QVERIFY(!sheet.isNull());
    const auto at = [&](double xmm, double ymm) {
        return sheet.pixelColor(int(xmm / 25.4 * 20), int(ymm / 25.4 * 20));
    };
    QCOMPARE(at(80, 66), QColor(Qt::red));
    QCOMPARE(at(150, 66), QColor(Qt::white));
}

QTEST_MAIN(TstDesigns)
#include "tst_designs.moc"
