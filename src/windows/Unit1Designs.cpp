// The main window's named designs: new, open, save and save as, the recent
// designs, the caption that names the design, the question before unsaved
// changes are set aside, and the pictures that a design brought along.
#include "LoadReport.h"
#include "RecentDesigns.h"
#include "Unit1.h"
#include "bag/DesignFile.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/ErrorReport.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/PictureLoader.h"
#include "report/QuickRep.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>

namespace {
const QString kCaption = QStringLiteral("Tesorin(仮) Ver 1.0.0");
const QString kPictureFolder = QStringLiteral("PICTURES/");

QAction* AddCommand(QWidget* window, const char* name, const QString& text,
                    const QKeySequence& keys) {
    auto* action = new QAction(text, window);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

bool IsDesignFile(const QString& path) {
    return QFileInfo(path).suffix().compare(DesignSuffix, Qt::CaseInsensitive) == 0;
}

bool Storable(const QString& path) {
    try {
        EncodeImagePath(path);
        return true;
    } catch (const EError&) {
        return false;
    }
}

// The copy of a picture in the data folder's picture folder: the original
// name with a part of the content's hash, so two different pictures of one
// name are both kept and the same picture is written once.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the folder, then the picture's path
QString PictureCopyPath(const QString& dataFolder, const QString& original,
                        const QByteArray& bytes) {
    const QFileInfo info(original);
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16));
    const QString folder = dataFolder + kPictureFolder;
    const QString named = folder + info.completeBaseName() + QLatin1Char('-') + hash +
                          QLatin1Char('.') + info.suffix();
    return Storable(named) ? named : folder + hash + QLatin1Char('.') + info.suffix();
}
} // namespace

void TForm1::CreateDesignCommands() {
    NewDesign1 = AddCommand(this, "NewDesign1", QStringLiteral("新しいデザイン"),
                            QKeySequence(Qt::CTRL | Qt::Key_N));
    OpenDesign1 = AddCommand(this, "OpenDesign1", QStringLiteral("デザインを開く…"),
                             QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveDesign1 = AddCommand(this, "SaveDesign1", QStringLiteral("上書き保存"),
                             QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveDesignAs1 = AddCommand(this, "SaveDesignAs1", QStringLiteral("名前を付けて保存…"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(NewDesign1, &QAction::triggered, this, &TForm1::NewDesignClick);
    connect(OpenDesign1, &QAction::triggered, this, &TForm1::OpenDesignClick);
    connect(SaveDesign1, &QAction::triggered, this, &TForm1::SaveDesignClick);
    connect(SaveDesignAs1, &QAction::triggered, this, &TForm1::SaveDesignAsClick);
    RecentDesigns1 = new QMenu(QStringLiteral("最近使ったデザイン"), this);
    RecentDesigns1->setObjectName("RecentDesigns1");
    connect(RecentDesigns1, &QMenu::aboutToShow, this, &TForm1::FillRecentDesigns);
    FillRecentDesigns();
    PopupMenu2->addSeparator();
    for (QAction* command : {NewDesign1, OpenDesign1, SaveDesign1, SaveDesignAs1})
        PopupMenu2->addAction(command);
    PopupMenu2->addMenu(RecentDesigns1);
    connect(UndoStack(), &QUndoStack::cleanChanged, this, &TForm1::UpdateCaption);
}

void TForm1::FillRecentDesigns() {
    RecentDesigns1->clear();
    const QStringList recent = TRecentDesigns::List();
    for (int i = 0; i < recent.size(); ++i) {
        const QString& path = recent[i];
        QAction* entry = RecentDesigns1->addAction(
            QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QDir::toNativeSeparators(path)));
        connect(entry, &QAction::triggered, this, [this, path] {
            if (MaySetDesignAside())
                OpenDesign(path);
        });
    }
    RecentDesigns1->setEnabled(!recent.isEmpty());
}

void TForm1::UpdateCaption() {
    if (designPath_.isEmpty()) {
        setWindowTitle(kCaption);
        setWindowModified(false);
        return;
    }
    setWindowTitle(kCaption + QStringLiteral(" - ") + QFileInfo(designPath_).fileName() +
                   QStringLiteral("[*]"));
    setWindowModified(!UndoStack()->isClean());
}

bool TForm1::MaySetDesignAside() {
    if (designPath_.isEmpty() || UndoStack()->isClean())
        return true;
    QMessageBox box(
        QMessageBox::Question, kCaption,
        QStringLiteral("%1 への変更を保存しますか?").arg(QFileInfo(designPath_).fileName()),
        QMessageBox::NoButton, this);
    box.setObjectName("AskSaveDesign");
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return SaveDesignClick();
    return box.clickedButton() != cancel;
}

void TForm1::NewDesignClick() {
    if (!MaySetDesignAside())
        return;
    TDesign fresh;
    fresh.Settings.PaperSize = 9; // A4, as the page starts
    fresh.Settings.PageMargin = 10;
    fresh.Settings.PrintLines = true;
    fresh.Settings.LinesInFront = false;
    ApplyDesign(fresh);
    SetDesignPath(QString());
}

QFileDialog* TForm1::DesignDialog(bool save) {
    const QFileDialog::AcceptMode mode = save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen;
    if (!DesignDialog1) {
        DesignDialog1 = new QFileDialog(this);
        DesignDialog1->setObjectName("DesignDialog1");
        DesignDialog1->setOption(QFileDialog::DontUseNativeDialog);
        DesignDialog1->setNameFilter(QStringLiteral("デザインファイル (*.tesorin)"));
        DesignDialog1->setDefaultSuffix(DesignSuffix);
    }
    DesignDialog1->setAcceptMode(mode);
    DesignDialog1->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
    DesignDialog1->setWindowTitle(mode == QFileDialog::AcceptOpen ? OpenDesign1->text()
                                                                  : SaveDesignAs1->text());
    return DesignDialog1;
}

void TForm1::OpenDesignClick() {
    if (!MaySetDesignAside())
        return;
    QFileDialog* dialog = DesignDialog(false);
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        OpenDesign(dialog->selectedFiles().constFirst());
}

bool TForm1::SaveDesignClick() {
    return designPath_.isEmpty() ? SaveDesignAsClick() : SaveDesignTo(designPath_);
}

bool TForm1::SaveDesignAsClick() {
    QFileDialog* dialog = DesignDialog(true);
    if (!designPath_.isEmpty())
        dialog->setDirectory(QFileInfo(designPath_).absolutePath());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return false;
    return SaveDesignTo(dialog->selectedFiles().constFirst());
}

void TForm1::SetDesignPath(const QString& path) {
    designPath_ = path;
    UndoStack()->clear();
    UndoStack()->setClean();
    if (!path.isEmpty())
        TRecentDesigns::Add(path);
    UpdateCaption();
}

// The design is read whole and checked before anything on the page changes:
// a design that cannot be read leaves the current one as it was. Its
// pictures are decoded once the current ones are gone, within the memory
// they leave.
bool TForm1::OpenDesign(const QString& path) {
    TDesign design;
    try {
        design = ReadDesignFile(path, PictureMemoryBudget());
    } catch (const EError& e) {
        ShowErrorReport(this, e.Message());
        return false;
    }
    const QStringList failed = ApplyDesign(design);
    SetDesignPath(QFileInfo(path).absoluteFilePath());
    if (!failed.isEmpty())
        ShowErrorReport(this, QStringLiteral("次の画像は表示できません:\n") +
                                  failed.join(QLatin1Char('\n')));
    return true;
}

// The steps of the design before lead nowhere now; they go first, with the
// pictures they hold, and the records kept unplaced. A picture whose bytes
// do not decode stays as a placeholder at its bounds and keeps its bytes, so
// saving the design again loses nothing; the failures are returned.
QStringList TForm1::ApplyDesign(const TDesign& design) {
    DeselectImage();
    UndoStack()->clear();
    ClearPlacedImages();
    QuickRep1->Page()->SetPaperSize(design.Settings.PaperSize);
    pageMargin_ = qBound(1, design.Settings.PageMargin, 50);
    printLines_ = design.Settings.PrintLines;
    linesInFront_ = design.Settings.LinesInFront;
    QRBag1->SetPrintLine(printLines_);
    ApplyPageMargins();
    LayoutBag();
    QRBag1->SetColor(design.Color);
    QRBag1->SetYamaoriColor(design.YamaoriColor);
    QRBag1->SetTanioriColor(design.TanioriColor);
    QRBag1->SetNorishiroColor(design.NorishiroColor);
    QStringList failed;
    for (const TDesignPicture& p : design.Pictures) {
        const QRect bounds = StoredBounds(p.Left, p.Top, p.Width, p.Height);
        std::unique_ptr<TImageEx> image;
        try {
            image = MakeImage(p.Path, &bounds, p.Stretch,
                              THeldPicture::ReadBytes(p.Bytes, p.Path,
                                                      DecodeSizeFor(bounds.size(), p.Stretch),
                                                      PictureRoom()));
        } catch (const EError& e) {
            failed.append(PictureFailureLine(p.Path, e.Message()));
            image = MakePlaceholder(p.Path, bounds, p.Stretch);
        }
        HoldBytes(image.get(), p.Bytes);
        PutImage(image.release(), int(placedImages_.size()), true);
    }
    RefreshLayer();
    return failed;
}

// The bytes go with the picture: a picture deleted takes them along.
QHash<const TImageEx*, QByteArray>::iterator TForm1::HoldBytes(TImageEx* image,
                                                               const QByteArray& bytes) {
    connect(image, &QObject::destroyed, this, [this, image] { heldBytes_.remove(image); });
    return heldBytes_.insert(image, bytes);
}

void TForm1::ClearPlacedImages() {
    const QList<TImageEx*> doomed = placedImages_;
    placedImages_.clear();
    unplacedRecords_.clear();
    heldBytes_.clear();
    framedImage_ = nullptr;
    selectedImage_ = nullptr;
    qDeleteAll(doomed);
}

namespace {
// The bytes a picture was read from; empty for a bitmap, which holds its
// pixels instead.
QByteArray HeldBytesOf(const TImageEx& image) {
    return image.Held() ? image.Held()->Bytes() : QByteArray();
}

// A bitmap is read again from its file, which fails the save when it cannot
// be read.
QByteArray BytesOf(const TImageEx& image) {
    const QByteArray held = HeldBytesOf(image);
    return held.isEmpty() ? ReadRegularFile(image.FileName()) : held;
}

// A placeholder of LIST.DAT has no bytes; the design keeps its record with
// none (an empty picture), which opens as a placeholder again. A name whose
// bytes are no code page 932 text cannot be a design's path.
QByteArray PlaceholderBytes(const TImageEx& image) {
    if (image.StoredName()) {
        try {
            DecodeImagePath(*image.StoredName());
        } catch (const EError&) {
            throw EError(QStringLiteral("ファイル名 %1 はシフトJISとして正しくないため、"
                                        "デザインに保存できません。この画像を削除してから"
                                        "保存してください。")
                             .arg(QDir::toNativeSeparators(image.FileName())));
        }
    }
    return QByteArray("");
}
} // namespace

// The pictures' bytes come from the design they were opened from, or else
// from what was read of their files.
TDesign TForm1::CurrentDesign() {
    TDesign design;
    design.Settings.PaperSize = QuickRep1->Page()->PaperSize();
    design.Settings.PageMargin = pageMargin_;
    design.Settings.PrintLines = printLines_;
    design.Settings.LinesInFront = linesInFront_;
    design.Color = QRBag1->Color();
    design.YamaoriColor = QRBag1->YamaoriColor();
    design.TanioriColor = QRBag1->TanioriColor();
    design.NorishiroColor = QRBag1->NorishiroColor();
    for (TImageEx* image : placedImages_) {
        auto held = heldBytes_.find(image);
        if (held == heldBytes_.end())
            held = HoldBytes(image,
                             image->IsPlaceholder() ? PlaceholderBytes(*image) : BytesOf(*image));
        const QRect b = image->geometry();
        design.Pictures.append(
            {b.left(), b.top(), b.width(), b.height(), image->Stretch(), image->FileName(), *held});
    }
    return design;
}

bool TForm1::SaveDesignTo(const QString& path) {
    try {
        WriteDesignFile(CurrentDesign(), path);
        SetDesignPath(QFileInfo(path).absoluteFilePath());
        return true;
    } catch (const EError& e) {
        ShowErrorReport(this, e.Message());
        return false;
    }
}

bool TForm1::OpenFiles(const QStringList& paths) {
    bool whole = true;
    QStringList pictures;
    for (const QString& path : paths) {
        if (!IsDesignFile(path))
            pictures.append(path);
        else if (!MaySetDesignAside() || !OpenDesign(path))
            whole = false;
    }
    return OpenPictures(pictures) && whole;
}

// LIST.DAT names picture files; a picture whose file is gone (or, brought by
// a design, whose path LIST.DAT cannot hold) is written from the bytes it
// was read from to the data folder's picture folder first, and LIST.DAT
// names that copy. A picture without bytes (a bitmap, which holds its
// pixels, or a placeholder) has nothing to copy: LIST.DAT names its own
// file, which the next start finds once it is back. Raises EError.
void TForm1::KeepPicturesWithoutSource() {
    for (TImageEx* image : placedImages_) {
        if (IsRegularFile(image->FileName()) && Storable(image->FileName()))
            continue;
        const auto design = heldBytes_.constFind(image);
        const QByteArray bytes = design != heldBytes_.cend() ? *design : HeldBytesOf(*image);
        if (bytes.isEmpty())
            continue;
        const QString copy = PictureCopyPath(dataFolder_, image->FileName(), bytes);
        if (!IsRegularFile(copy)) {
            QDir().mkpath(dataFolder_ + kPictureFolder);
            SaveFileAtomically(copy, bytes);
        }
        image->SetFileName(copy);
    }
}
