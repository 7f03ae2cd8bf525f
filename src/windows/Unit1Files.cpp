// The main window's persistence: SETTING.DAT and LIST.DAT read at start-up
// and written at close, and the settings command.
#include "DesignSteps.h"
#include "LoadReport.h"
#include "Unit1.h"
#include "Unit2.h"
#include "bag/CommonFiles.h"
#include "bag/CommonOptions.h"
#include "bag/CommonPaper.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/ErrorReport.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/PictureQueue.h"
#include "report/QuickRep.h"

#include <QCloseEvent>
#include <QUndoStack>

// Start-up loading: a data file that fails to be read stops the loading,
// and start-up goes on with what was applied before it. A picture that
// cannot be placed is held by a placeholder and the loading goes on. What
// failed is told in one message. A recovery pair, left by a run that did not
// end with a close, holds a later state than the data files and is loaded
// instead of them.
void TForm1::LoadDataFiles() {
    notLoaded_.clear();
    if (recovered_) {
        LoadRecoveredDesign();
        return;
    }
    TLoadReport report;
    if (recoveryUnreadable_) {
        report.FileFailed();
        try {
            SetRecoveryPairAside(dataFolder_);
        } catch (const EError&) {
            // Left in place: the next write of the pair replaces it.
        }
    }
    // A link to nothing, a pipe or a device counts as there, and fails to load.
    for (const QString& name : {SettingFileName, ImageFileName})
        if (PathExists(loadFolder_ + name))
            notLoaded_.append(name);
    try {
        if (notLoaded_.contains(SettingFileName)) {
            LoadSettings();
            notLoaded_.removeAll(SettingFileName);
        }
        // LIST.DAT is loaded once every record is read: a record whose
        // picture is held by a placeholder is saved again as it was read.
        if (notLoaded_.contains(ImageFileName) && LoadImages(report))
            notLoaded_.removeAll(ImageFileName);
    } catch (const std::exception&) {
        report.FileFailed();
    }
    if (!report.IsEmpty())
        ShowMessage(this, report.Message());
    restored_.reset(); // not placed: the loading stopped before the pictures
}

void TForm1::LoadSettings() {
    TSettingRec rec;
    if (ReadSettingFile(rec, loadFolder_))
        ApplySettingRecord(rec);
}

void TForm1::ApplySettingRecord(const TSettingRec& rec) {
    QuickRep1->Page()->SetPaperSize(rec.PaperSize);
    printLines_ = rec.PrintLines;
    linesInFront_ = rec.LinesInFront;
    // The dialog keeps the margin within 1..50; a damaged file is brought
    // into that range too, so the page and the bag never get absurd insets.
    pageMargin_ = qBound(1, rec.PageMargin, 50);
    ApplyPageMargins();
}

TSettingRec TForm1::SettingRecord() const {
    TSettingRec rec;
    rec.PaperSize = QuickRep1->Page()->PaperSize();
    rec.PageMargin = pageMargin_;
    rec.PrintLines = printLines_;
    rec.LinesInFront = linesInFront_;
    return rec;
}

std::unique_ptr<TAtomicSave> TForm1::SaveSettings() {
    BackupIfNotLoaded(SettingFileName);
    return PrepareSettingFile(SettingRecord(), dataFolder_);
}

void TForm1::ApplyFoldStyles(bool on) {
    if (on == QRBag1->FoldStyles())
        return;
    QRBag1->SetFoldStyles(on);
    if (!WriteFoldStylesOption(on))
        ShowMessage(this, QStringLiteral("折り線の線種の設定を保存できません"));
}

void TForm1::ApplyPageMargins() {
    TQRPage* page = QuickRep1->Page();
    for (int index : {TQRPage::TopMarginIdx, TQRPage::BottomMarginIdx, TQRPage::LeftMarginIdx,
                      TQRPage::RightMarginIdx})
        page->SetValue(index, pageMargin_);
}

namespace {
// The records' pictures whose paths decode, in file order, each to be
// decoded at the size it shows; the others are not read ahead.
QList<TPictureQueue::TRequest> PictureRequests(const QList<TImageRec>& records) {
    QList<TPictureQueue::TRequest> requests;
    for (const TImageRec& rec : records) {
        try {
            requests.append(
                {DecodeImagePath(rec.FileName),
                 DecodeSizeFor(QSize(qMax(0, rec.Width), qMax(0, rec.Height)), rec.Stretch)});
        } catch (const EError&) {
        }
    }
    return requests;
}

QString Reason(const std::exception& e) {
    const auto* error = dynamic_cast<const EError*>(&e);
    return error ? error->Message() : QString::fromLocal8Bit(e.what());
}
} // namespace

// The records past the first MaxPlacedImages are kept aside unplaced.
std::unique_ptr<TForm1::TRestoredPictures> TForm1::ReadRestoredPictures() {
    auto list = std::make_unique<TRestoredPictures>();
    try {
        if (recovered_)
            list->Records = recovered_->Images;
        else
            list->Whole = ReadImageFile(list->Records, loadFolder_);
    } catch (const std::exception&) {
        list->Error = std::current_exception();
        list->Records.clear();
    }
    list->Unplaced = list->Records.mid(qMin<qsizetype>(list->Records.size(), MaxPlacedImages));
    list->Records.resize(qMin<qsizetype>(list->Records.size(), MaxPlacedImages));
    list->Pictures = std::make_unique<TPictureQueue>(PictureRequests(list->Records), PictureRoom());
    return list;
}

// Chooses the data folders and, when a recovery pair or LIST.DAT is there,
// reads it and starts decoding its pictures, so that they decode while the
// window is built.
void TForm1::StartDecodingPictures() {
    const TDataFolders folders = DataFolders();
    loadFolder_ = folders.Read;
    dataFolder_ = folders.Write;
    ReadRecoveryPair();
    if (recovered_ || PathExists(loadFolder_ + ImageFileName))
        restored_ = ReadRestoredPictures();
}

// The pictures are decoded ahead on worker threads and placed in file order,
// a placeholder for each that fails. Raises when the records cannot be read;
// false when they were read but not all of them.
bool TForm1::LoadImages(TLoadReport& report) {
    const std::unique_ptr<TRestoredPictures> list =
        restored_ ? std::move(restored_) : ReadRestoredPictures();
    if (list->Error)
        std::rethrow_exception(list->Error);
    for (const TImageRec& rec : list->Records)
        RestoreImage(rec, *list->Pictures, report);
    unplacedRecords_ = list->Unplaced;
    report.RecordsUnplaced(unplacedRecords_.size());
    if (!list->Whole)
        report.FileFailed();
    return list->Whole;
}

QRect StoredBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    const auto place = [](std::int32_t v) { return qBound(-QWIDGETSIZE_MAX, v, QWIDGETSIZE_MAX); };
    const auto extent = [](std::int32_t v) { return qBound(0, v, QWIDGETSIZE_MAX); };
    return QRect(place(left), place(top), extent(width), extent(height));
}

// Appends the record's picture to PlacedImages, or a placeholder that keeps
// the record's name bytes when the picture cannot be placed.
void TForm1::RestoreImage(const TImageRec& rec, TPictureQueue& pictures, TLoadReport& report) {
    const QRect bounds = StoredBounds(rec.Left, rec.Top, rec.Width, rec.Height);
    std::unique_ptr<TImageEx> image;
    try {
        const QString path = DecodeImagePath(rec.FileName);
        image = MakeImage(path, &bounds, rec.Stretch, pictures.Take(path));
    } catch (const std::exception& e) {
        const QString path = DecodeImagePathForDisplay(rec.FileName);
        report.PictureFailed(path, Reason(e));
        image = MakePlaceholder(path, bounds, rec.Stretch);
        image->SetStoredName(rec.FileName);
    }
    // What start-up places is where the steps begin, not a step of its own.
    PutImage(image.release(), int(placedImages_.size()), true);
}

QList<TImageRec> TForm1::StoredImageRecords() const {
    return ImageRecordsOf(placedImages_) + unplacedRecords_;
}

std::unique_ptr<TAtomicSave> TForm1::SaveImages() {
    KeepPicturesWithoutSource();
    BackupIfNotLoaded(ImageFileName);
    return PrepareImageFile(StoredImageRecords(), dataFolder_);
}

void TForm1::BackupIfNotLoaded(const QString& name) {
    if (!notLoaded_.contains(name))
        return;
    BackupFile(dataFolder_ + name);
    notLoaded_.removeAll(name);
}

// A failed save keeps the window open so that the user can mend the cause
// and close again. When the file in place is one a save never replaces, the
// user is told once; closing again leaves that file as it is and goes on,
// so the window can always be closed. Null: left as it is.
std::unique_ptr<TAtomicSave> TForm1::SaveUnlessRefusedBefore(const QString& name, TSaveStep save) {
    try {
        return (this->*save)();
    } catch (const EFolderRefused& e) {
        if (refused_.contains(name))
            return nullptr;
        // Nothing can be saved in that folder: the next close saves nothing.
        refused_ = QStringList{SettingFileName, ImageFileName};
        throw EError(e.Message() + QStringLiteral("\nもう一度閉じると、保存せずに終了します。"));
    } catch (const ERefusedTarget& e) {
        if (refused_.contains(name))
            return nullptr;
        refused_.append(name);
        throw EError(e.Message() +
                     QStringLiteral("\nもう一度閉じると、このファイルを保存せずに終了します。"));
    }
}

// Both new files are written before either is put in place, so a failure
// while writing LIST.DAT leaves SETTING.DAT as it was too; a LIST.DAT that
// cannot be put in place takes the new SETTING.DAT back out.
void TForm1::SaveDataFiles() {
    const auto settings = SaveUnlessRefusedBefore(SettingFileName, &TForm1::SaveSettings);
    const auto images = SaveUnlessRefusedBefore(ImageFileName, &TForm1::SaveImages);
    if (settings)
        settings->Commit();
    if (images) {
        try {
            images->Commit();
        } catch (const EError&) {
            if (settings)
                settings->Revert();
            throw;
        }
    }
}

// The recovery pair goes once the design is stored; a close that saves
// nothing (the user chose to end without saving) keeps it for the next start.
bool TForm1::FormClose() {
    try {
        SaveDataFiles();
    } catch (const EError& e) {
        ShowErrorReport(this, e.Message());
        return false;
    }
    if (refused_.isEmpty())
        EndRecovery();
    return true;
}

bool TForm1::SaveForExit() {
    try {
        SaveDataFiles();
    } catch (const EError&) {
        KeepRecoveryForExit();
        return false;
    }
    EndRecovery();
    return true;
}

void TForm1::CheckDataFolder() {
    const QString problem = DataFolderProblem(dataFolder_);
    if (!problem.isEmpty())
        ShowMessage(this, QStringLiteral("データを保存するフォルダーを使用できません。\n%1\n"
                                         "設定と画像は保存されません。")
                              .arg(problem));
}

// A close that could not save keeps the window open, so nothing is lost.
// A named design with unsaved changes is asked about first.
void TForm1::closeEvent(QCloseEvent* event) {
    if (MaySetDesignAside() && FormClose())
        event->accept();
    else
        event->ignore();
}

void TForm1::ButtonEx8Click() {
    const TFormSettings now = Settings();
    TForm2 dialog(this);
    dialog.PaperIndex = now.PaperIndex;
    dialog.PrintLines = now.PrintLines;
    dialog.LinesInFront = now.LinesInFront;
    dialog.PageMargin = now.PageMargin;
    dialog.FoldStyles = now.FoldStyles;
    if (dialog.exec() != QDialog::Accepted)
        return;
    ApplySettings({dialog.PaperIndex, dialog.PageMargin, dialog.PrintLines, dialog.LinesInFront,
                   dialog.FoldStyles});
}

bool TForm1::FoldStyles() const {
    return QRBag1->FoldStyles();
}

TFormSettings TForm1::Settings() const {
    return {PaperSizeToIndex(QuickRep1->Page()->PaperSize()), pageMargin_, printLines_,
            linesInFront_, FoldStyles()};
}

// The step keeps the paper code itself, so that undo also restores a paper
// that the table does not list. The fold styles are the user's way of
// looking at every design, kept in the configuration, not a change of the
// design: they take effect outside the undo steps.
void TForm1::ApplySettings(const TFormSettings& settings) {
    ApplyFoldStyles(settings.FoldStyles);
    const TSettingRec now = SettingRecord();
    TSettingRec next = now;
    // No row chosen (the page has a paper outside the table): it stays.
    if (settings.PaperIndex >= 0 && settings.PaperIndex < int(PaperSizes.size()))
        next.PaperSize = PaperSizes[size_t(settings.PaperIndex)].PaperSize;
    next.PageMargin = settings.PageMargin;
    next.PrintLines = settings.PrintLines;
    next.LinesInFront = settings.LinesInFront;
    if (next == now)
        return;
    undoStack_->push(new TValueStep<TSettingRec>(
        now, next, [this](const TSettingRec& rec) { PutSettings(rec); }));
}

void TForm1::PutSettings(const TSettingRec& rec) {
    pageMargin_ = rec.PageMargin;
    QuickRep1->Page()->SetPaperSize(rec.PaperSize);
    printLines_ = rec.PrintLines;
    linesInFront_ = rec.LinesInFront;
    QRBag1->SetPrintLine(printLines_);
    ApplyPageMargins();
    LayoutBag();
    RefreshLayer();
}
