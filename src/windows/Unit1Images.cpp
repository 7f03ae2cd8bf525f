// The main window's image layer: placed pictures, their selection frame, the
// press / drag / drop gesture that moves and resizes them, the popup menu, the
// Esc and Delete keys, and the open command.
#include "ButtonEx.h"
#include "DesignSteps.h"
#include "TrPanel.h"
#include "Unit1.h"
#include "bag/CommonRecords.h"
#include "bag/ImageEx.h"
#include "platform/ErrorReport.h"
#include "platform/Errors.h"
#include "platform/FileDrop.h"
#include "platform/KeyPreview.h"
#include "platform/Marks.h"
#include "platform/MessageHook.h"
#include "report/QuickRep.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QUndoStack>
#include <memory>
#include <optional>

namespace {
constexpr int kEdgeZone = 5;
constexpr int kDragThreshold = 2;
constexpr int kDropCascade = 16;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): x, y, width, height, as in QRect
TImageEdges EdgesAt(int x, int y, int w, int h) {
    TImageEdges zone = 0;
    if (x < kEdgeZone)
        zone = ieLeft;
    if (x > w - kEdgeZone)
        zone = ieRight; // on a narrow picture the right edge wins
    if (y < kEdgeZone)
        zone |= ieTop;
    if (y > h - kEdgeZone)
        zone |= ieBottom;
    return zone;
}

// The sizing cursor of an edge zone; none for the interior and for a zone
// holding both top and bottom (a picture too low to tell them apart).
std::optional<Qt::CursorShape> SizingCursor(TImageEdges zone) {
    switch (zone) {
    case ieLeft:
    case ieRight:
        return Qt::SizeHorCursor;
    case ieTop:
    case ieBottom:
        return Qt::SizeVerCursor;
    case ieLeft | ieTop:
    case ieRight | ieBottom:
        return Qt::SizeFDiagCursor;
    case ieLeft | ieBottom:
    case ieRight | ieTop:
        return Qt::SizeBDiagCursor;
    default:
        return std::nullopt;
    }
}

// The file dialog's name field has a completion list, a popup window of its
// own that takes the keys while it shows. Return there accepts the dialog,
// but the list hides itself only once the field has lost the focus, which
// the field keeps until the main window is activated again. A list left open
// would swallow the next click in the main window just to close, so it goes
// with the dialog.
void HideCompletionLists(QWidget* dialog) {
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (completer->popup()->isVisible())
            completer->popup()->hide();
}

} // namespace

void TForm1::SetUpImageLayer() {
    TransPanel1->SetBevelOuter(bvNone);
    TransPanel1->SetTransparent(true);
    TransPanel1->SetShapeTransparent(true);
    TransPanel1->FitToParent();
    layerMarks_ = new TMarkOverlay(TransPanel1);
    imageDrag_ = new TDragManager(this);
    imageDrag_->SetEndDrag([this](QWidget*, QWidget*, bool) { ImagePanelEndDrag(); });
    const auto over = [this](QWidget* t, QWidget* s, QPoint p, TDragState st) {
        return ImagePanelDragOver(t, s, p, st);
    };
    imageDrag_->SetDragOver(TransPanel1, over);
    imageDrag_->SetDragDrop(
        TransPanel1, [this](QWidget* t, QWidget* s, QPoint p) { ImagePanelDragDrop(t, s, p); });
    // The command bar takes a drag (the drag cursor shows) but has no drop.
    imageDrag_->SetDragOver(Panel1, [](QWidget*, QWidget*, QPoint, TDragState) { return true; });

    new TFileDrop(TransPanel1, [this](const QStringList& paths, QPoint at) {
        ImagePanelFilesDropped(paths, at);
    });
    connect(ButtonEx1, &QPushButton::clicked, this, &TForm1::ButtonFileOpenClick);
    BuildImageMenu();
    keyPreview_ = new TKeyPreview(this, [this](QKeyEvent* key) { return FormKeyDown(key); });
    keyPreview_->SetKeyUp([this](QKeyEvent* key) { FormKeyUp(key); });
}

void TForm1::BuildImageMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    N1 = PopupMenu1->addAction(QStringLiteral("手前に移動"));
    N1->setObjectName("N1");
    N2 = PopupMenu1->addSeparator();
    N2->setObjectName("N2");
    Delete1 = PopupMenu1->addAction(QStringLiteral("イメージの削除"));
    Delete1->setObjectName("Delete1");
    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(Delete1, &QAction::triggered, this, &TForm1::Delete1Click);
    N3 = PopupMenu1->addSeparator();
    N3->setObjectName("N3");
    PopupMenu1->addAction(Undo1);
    PopupMenu1->addAction(Redo1);
}

void TForm1::InstallPanelHook() {
    panelHook_ = std::make_unique<TPaintHook>(
        TransPanel1, [this](const QRegion& painted) { PanelWindowProc(painted); });
}

void TForm1::RemovePanelHook() {
    panelHook_.reset();
    if (imageDrag_->Phase() != TDragManager::TPhase::Idle)
        imageDrag_->CancelDrag();
}

// Every paint of the layer wipes the frames it covered; the frame of the
// selected picture is drawn again on top, so it shows exactly once.
void TForm1::PanelWindowProc(const QRegion& painted) {
    layerMarks_->BeginLayerPaint(painted);
    layerMarks_->ClearKind(TMarkKind::Frame);
    RedrawSelectionFrame();
    layerMarks_->EndLayerPaint();
}

TImageEx* TForm1::AddPlacedImage(const QString& fileName) {
    return PlaceNewImage(MakeImage(fileName, nullptr, true, std::nullopt));
}

TImageEx* TForm1::AddPlacedImage(const QString& fileName, const QRect& bounds, bool stretch,
                                 const std::optional<TReadPicture>& read) {
    return PlaceNewImage(MakeImage(fileName, &bounds, stretch, read));
}

// The picture is read at the size it shows, once its bounds are set.
std::unique_ptr<TImageEx> TForm1::MakeImage(const QString& fileName, const QRect* bounds,
                                            bool stretch, const std::optional<TReadPicture>& read) {
    auto image = std::make_unique<TImageEx>();
    image->SetFileName(fileName);
    SetUpImage(*image, bounds, stretch);
    if (read) {
        CheckWithinBudget(*read);
        image->SetPicture(read->Held, read->Decoded);
    } else {
        image->LoadFromFile(fileName, PictureRoom());
    }
    return image;
}

std::unique_ptr<TImageEx> TForm1::MakePlaceholder(const QString& fileName, const QRect& bounds,
                                                  bool stretch) {
    auto image = std::make_unique<TImageEx>();
    image->SetFileName(fileName);
    image->SetPlaceholder(true);
    SetUpImage(*image, &bounds, stretch);
    return image;
}

// The bounds and stretch come first: a picture is read at the size it shows.
void TForm1::SetUpImage(TImageEx& image, const QRect* bounds, bool stretch) {
    image.SetStretch(stretch);
    if (bounds)
        image.setGeometry(bounds->left(), bounds->top(), qMax(0, bounds->width()),
                          qMax(0, bounds->height()));
    image.OnMouseDown = [this](TPictureControl* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                               int x, int y) { ImagePanelMouseDown(s, b, m, x, y); };
    image.OnMouseMove = [this](TPictureControl* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                               int x, int y) { ImagePanelMouseMove(s, b, m, x, y); };
    // The press opens the picture's menu; the page's menu is not offered too.
    image.setContextMenuPolicy(Qt::PreventContextMenu);
    imageDrag_->SetDragOver(&image, [this](QWidget* t, QWidget* s, QPoint p, TDragState st) {
        return ImagePanelDragOver(t, s, p, st);
    });
    imageDrag_->SetDragDrop(
        &image, [this](QWidget* t, QWidget* s, QPoint p) { ImagePanelDragDrop(t, s, p); });
}

QWidget* TForm1::DrawSelectionFrame(QWidget* image) {
    auto* picture = qobject_cast<TImageEx*>(image);
    if (!picture)
        return nullptr;
    const QRect b = picture->geometry();
    layerMarks_->Toggle(
        TMark{TMarkKind::Frame, b.left(), b.top(), b.left() + b.width(), b.top() + b.height()});
    return picture;
}

void TForm1::RedrawSelectionFrame() {
    framedImage_ = DrawSelectionFrame(selectedImage_);
}

void TForm1::SelectImage(TImageEx* image) {
    TImageEx* previous = selectedImage_;
    selectedImage_ = image;
    if (previous == image)
        return;
    framedImage_ = DrawSelectionFrame(framedImage_);
    framedImage_ = DrawSelectionFrame(selectedImage_);
}

void TForm1::DeselectImage() {
    selectedImage_ = nullptr;
    DrawSelectionFrame(framedImage_);
    framedImage_ = nullptr;
}

void TForm1::DeleteSelectedImage() {
    if (!selectedImage_ || GestureUnderWay())
        return;
    PushPresenceStep(selectedImage_, int(placedImages_.indexOf(selectedImage_)), false);
}

void TForm1::BringSelectedImageToFront() {
    TImageEx* image = selectedImage_;
    const int last = int(placedImages_.size()) - 1;
    const int from = int(placedImages_.indexOf(image));
    if (!image || from == last)
        return;
    undoStack_->push(new TValueStep<int>(
        from, last, [this, image](const int& index) { StackImageAt(image, index); }));
}

// The open dialog is made at its first use: building it costs more than the
// rest of the window, and start-up should not pay for it. It is then kept, so
// it offers the last file again.
void TForm1::CreateOpenDialog() {
    if (OpenDialog1)
        return;
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // The bitmap filter comes first and is chosen; the second offers every
    // picture format the layer takes.
    OpenDialog1->setNameFilters({QStringLiteral("ビットマップファイル (*.bmp)"),
                                 QStringLiteral("画像ファイル (*.bmp *.png *.jpg *.jpeg *.gif)")});
    connect(OpenDialog1, &QDialog::finished, this, [this] { HideCompletionLists(OpenDialog1); });
}

void TForm1::ButtonFileOpenClick() {
    CreateOpenDialog();
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty())
        return;
    const QString path = OpenDialog1->selectedFiles().constFirst();
    OpenDialog1->selectFile(path); // offered again next time
    if (auto image = OpenPicture(path, QPoint(0, 0)))
        PlaceNewImage(std::move(image));
}

std::unique_ptr<TImageEx> TForm1::OpenPicture(const QString& path, QPoint at) {
    try {
        // A path that LIST.DAT could not hold would be lost at the next
        // close; such a picture is refused now.
        CheckImagePathStorable(path);
        auto image = MakeImage(path, nullptr, true, std::nullopt);
        image->move(at);
        return image;
    } catch (const EError& e) {
        ShowErrorReport(this, e.Message());
        return nullptr;
    }
}

bool TForm1::OpenPictures(const QStringList& paths) {
    return ImagePanelFilesDropped(paths, QPoint(0, 0));
}

// Files dropped from another program are opened one by one in the drag's
// order, as "開く" opens a file: each on top of the one before, the first at
// the drop point and each next a little further right and down so all stay
// in sight. A file that fails is reported, leaves no gap, and the others
// still come. The drop is one step.
// Each picture is placed before the next is read, so that it counts against
// the memory budget of the next one.
bool TForm1::ImagePanelFilesDropped(const QStringList& paths, QPoint at) {
    int placed = 0;
    const auto endStep = qScopeGuard([&] {
        if (placed > 0)
            undoStack_->endMacro();
    });
    QPoint next = at;
    for (const QString& path : paths) {
        auto image = OpenPicture(path, next);
        if (!image)
            continue;
        if (placed++ == 0)
            undoStack_->beginMacro(QString());
        PlaceNewImage(std::move(image));
        next += QPoint(kDropCascade, kDropCascade);
    }
    return placed == paths.size();
}

bool TForm1::FormKeyDown(QKeyEvent* key) {
    if (key->key() == Qt::Key_Escape)
        DeselectImage();
    else if (key->key() == Qt::Key_Delete)
        DeleteSelectedImage();
    else
        return KeyMoveSelectedImage(key);
    return false;
}

void TForm1::ImagePanelMouseMove(TPictureControl* sender, Qt::MouseButton, Qt::KeyboardModifiers,
                                 int x, int y) {
    gesture_.EdgeZone = EdgesAt(x, y, sender->width(), sender->height());
    sender->unsetCursor();
    sender->SetDragCursor(QCursor(Qt::DragMoveCursor));
    if (const auto sizing = SizingCursor(gesture_.EdgeZone)) {
        sender->setCursor(*sizing);
        sender->SetDragCursor(QCursor(*sizing));
    }
}

void TForm1::GrabImage(const TImageEx* image, QPoint at) {
    gesture_.GrabPoint = at;
    gesture_.GrabOrigin = image->pos();
}

void TForm1::ImagePanelMouseDown(TPictureControl* sender, Qt::MouseButton button,
                                 Qt::KeyboardModifiers, int x, int y) {
    auto* image = qobject_cast<TImageEx*>(sender);
    if (!image)
        return;
    GrabImage(image, QPoint(x, y));
    SelectImage(image);
    const QPoint screenAt = image->mapToGlobal(gesture_.GrabPoint);
    if (button == Qt::RightButton) {
        PopupMenu1->popup(screenAt);
        return;
    }
    imageDrag_->BeginDrag(image, screenAt, image->DragCursor(), kDragThreshold);
}
