#pragma once
// TForm1: the main window: command bar, the scrolling page area with the
// report page, the bag net and the image layer, and the state kept for the
// whole run (margin, print switches, placed pictures).

#include "PrintElements.h"
#include "bag/CommonRecords.h"
#include "bag/CommonRecovery.h"
#include "platform/Canvas.h"
#include "platform/DragManager.h"
#include "platform/MessageHook.h"
#include "platform/PictureQueue.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QFileDialog;
class QKeyEvent;
class QMenu;
class QScrollArea;
class QTimer;
class QUndoStack;
struct TDesign;
class TKeyPreview;
class TLoadReport;
class TMarkOverlay;
class TPictureControl;
class TButtonEx;
class TColorDialog;
class TAtomicSave;
class TImageEx;
class TQRPrinter;
class TQRBag;
class TQRSubDetail;
class TQuickRep;
class TRecoveryWriter;
class TTransPanel;

// The edges of a placed picture under the pointer.
enum TImageEdge : unsigned { ieLeft = 1, ieRight = 2, ieTop = 4, ieBottom = 8 };
using TImageEdges = unsigned;

// A rectangle as the drag outline holds it: Right and Bottom exclusive, and
// an edge dragged past the opposite one leaves Right < Left or Bottom < Top.
struct TRectL {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TRectL&) const = default;
};

// The press and drag gesture on a placed picture: the point it was grabbed
// at and its position then, the edges under the pointer (none: the middle,
// which moves the picture), and the drag outline now on screen.
struct TImageGesture {
    QPoint GrabPoint;
    QPoint GrabOrigin;
    TImageEdges EdgeZone = 0;
    TRectL DragOutline;
};

// What the settings command edits: the paper (a row of PaperSizes; any
// other index keeps the page's paper), the margin in millimetres and the
// two print switches.
struct TFormSettings {
    int PaperIndex = -1;
    int PageMargin = 10;
    bool PrintLines = true;
    bool LinesInFront = false;
    // Valley folds dashed and mountain folds dash-dot, on screen and in print.
    bool FoldStyles = false;
};

// The main window's caption: the program's name and version.
QString ProgramCaption();

// Whether the window owns its data folder: the program holds the folder's
// instance lock, so no other window writes there. Only an owner keeps a
// recovery pair there and restores from one at start.
enum class TDataFolderUse { Shared, Owned };

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr, TDataFolderUse use = TDataFolderUse::Shared);
    ~TForm1() override;

    // Components, named as in the window's layout.
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* Panel3 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TQuickRep* QuickRep1 = nullptr;
    TQRSubDetail* QRSubDetail1 = nullptr;
    TQRBag* QRBag1 = nullptr;
    TTransPanel* TransPanel1 = nullptr;
    TButtonEx* ButtonEx1 = nullptr;
    TButtonEx* ButtonEx2 = nullptr;
    TButtonEx* ButtonEx3 = nullptr;
    TButtonEx* ButtonEx4 = nullptr;
    TButtonEx* ButtonEx5 = nullptr;
    TButtonEx* ButtonEx6 = nullptr;
    TButtonEx* ButtonEx7 = nullptr;
    TButtonEx* ButtonEx8 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    // The open dialog exists from the first "開く" on.
    QFileDialog* OpenDialog1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* N3 = nullptr;
    // The page's own menu, for a right press where no picture is.
    QMenu* PopupMenu2 = nullptr;
    // "元に戻す" and "やり直す", in both menus and on Ctrl+Z, Ctrl+Shift+Z and
    // Ctrl+Y; greyed when there is no step to take.
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;

    // Every change of the design is a step on this stack: pictures added,
    // moved, resized, restacked or deleted, the settings and the colours.
    // The steps refer to the placed pictures themselves, so code that frees
    // a picture other than through a step clears the stack first.
    QUndoStack* UndoStack() const { return undoStack_; }

    // The design commands with their keys, and the recent designs.
    QAction* NewDesign1 = nullptr;
    QAction* OpenDesign1 = nullptr;
    QAction* SaveDesign1 = nullptr;
    QAction* SaveDesignAs1 = nullptr;
    QMenu* RecentDesigns1 = nullptr;
    // The design files' open and save dialog, from its first use on.
    QFileDialog* DesignDialog1 = nullptr;

    // The design file the page shows; empty for the unnamed design, the one
    // SETTING.DAT and LIST.DAT alone keep.
    const QString& DesignPath() const { return designPath_; }
    // Opens a design file in place of the page's design; a file that cannot
    // be read is reported and changes nothing.
    bool OpenDesign(const QString& path);
    // Files handed over from outside (command line, file manager): a design
    // file is opened as the design, any other file placed as a picture.
    // False when any failed.
    bool OpenFiles(const QStringList& paths);

    // Working copies of the settings, read at start-up and saved at close.
    int PageMargin() const { return pageMargin_; }
    bool PrintLines() const { return printLines_; }
    bool LinesInFront() const { return linesInFront_; }
    bool FoldStyles() const;
    TFormSettings Settings() const;
    // Takes settings as the settings dialog's OK does, and lays the page and
    // the bag out anew; a change is one undo step.
    void ApplySettings(const TFormSettings& settings);

    // Placed pictures, back to front; the window owns them.
    const QList<TImageEx*>& PlacedImages() const { return placedImages_; }
    // The picture pressed last, and the one whose frame is on screen now.
    TImageEx* SelectedImage() const { return selectedImage_; }
    QWidget* FramedImage() const { return framedImage_; }
    // The press / drag gesture on a picture.
    const TImageGesture& Gesture() const { return gesture_; }
    // Takes hold of the picture at `at` (its own pixels), as a press does.
    void GrabImage(const TImageEx* image, QPoint at);

    // Creates a placed picture from a file: 105 x 105 at (0, 0), stretched,
    // on top of the others and last in PlacedImages, as one undo step. Raises
    // EError (and adds nothing) when the file cannot be loaded.
    TImageEx* AddPlacedImage(const QString& fileName);
    // The same with stored bounds and stretch flag (width or height 0 allowed),
    // and with the picture already read from the file when given. Either way
    // a picture that would take the pictures past their memory budget is
    // refused.
    TImageEx* AddPlacedImage(const QString& fileName, const QRect& bounds, bool stretch,
                             const std::optional<TReadPicture>& read = std::nullopt);
    // Opens pictures as "開く" does, each on top of the one before and a
    // little further right and down; a file that fails is reported and the
    // others still come. False when any failed.
    bool OpenPictures(const QStringList& paths);
    void DeleteSelectedImage();
    void BringSelectedImageToFront();
    void SelectImage(TImageEx* image);
    void DeselectImage();
    // The transient marks drawn over the layer (frame and drag outline).
    const TMarkOverlay* LayerMarks() const { return layerMarks_; }
    const TDragManager* ImageDrag() const { return imageDrag_; }
    // Makes the image layer repaint in full (width to 0 and back).
    void RefreshLayer();

    // Writes the sheet as a print would make it to a file, the format by the
    // file's extension, pictures at dpi pixels per inch. Raises EError.
    void ExportSheet(const QString& fileName, int dpi);

    // The print pictures and the front bag; they exist only during a run.
    const TPrintElements& PrintElements() const { return printElements_; }
    // Has the decodes that a print of the design would make made ahead and
    // kept (TQuickRep::WarmPrintDecodes). The window does it on its own
    // once the design has been still for kPrintWarmupDelayMs after the
    // start or a change, and once the print server, if a print asks one,
    // has answered (TQuickRep::WhenPrintServerAnswers); nothing happens
    // while a run is under way.
    void WarmPrint();
    static constexpr int kPrintWarmupDelayMs = 1000;

    // Saves as a close does, but asks and shows nothing, for an end that no
    // one may be there to answer (a signal, the end of the session). When
    // the save fails, the recovery pair is brought up to date and stays.
    // True when both files were saved.
    bool SaveForExit();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Steps of the picture gesture and the open dialog, for the tests and
    // benchmarks that no user command reaches (tests/Form1Access.h).
    friend struct TForm1Access;

    void BuildCommandBar();
    void BuildPageArea();
    void CreateColorCommands();
    void FormCreate();
    void ConnectPrintCommands();
    void StartPrintWarmup();
    // True when a placed picture is held as its file's bytes: only those
    // have decodes to make ahead.
    bool HoldsPictureBytes() const;
    void RunCommand(TButtonEx* button, bool preview);
    void FormDestroy();
    TButtonEx* AddButton(const QString& name, const QString& caption, int left, int width);
    QSize OuterSize() const;
    void FitOuterSize();
    void CentreOnScreen();
    // Fits the bag into the page, inset by round(PageMargin x 3.02) pixels.
    void LayoutBag();

    // Image layer (Unit1Images.cpp).
    void SetUpImageLayer();
    void BuildImageMenu();
    void InstallPanelHook();
    void RemovePanelHook();
    void PanelWindowProc(const QRegion& painted);
    // A picture control loaded from the file and ready to be placed, not yet
    // in the design; raises EError when the file cannot be loaded.
    std::unique_ptr<TImageEx> MakeImage(const QString& fileName, const QRect* bounds, bool stretch,
                                        const std::optional<TReadPicture>& read);
    // A placeholder for the picture of fileName that could not be loaded.
    std::unique_ptr<TImageEx> MakePlaceholder(const QString& fileName, const QRect& bounds,
                                              bool stretch);
    // Gives a new picture control its bounds and stretch and the gesture's
    // handlers.
    void SetUpImage(TImageEx& image, const QRect* bounds, bool stretch);
    // Toggles the dotted frame of image on the layer; returns image, or empty
    // when it is empty or not a placed picture.
    QWidget* DrawSelectionFrame(QWidget* image);
    void RedrawSelectionFrame();
    void CreateOpenDialog();
    void ButtonFileOpenClick();
    // Reads a picture as "開く" does, with its top-left corner at 'at'; a
    // failure is reported and gives nothing.
    std::unique_ptr<TImageEx> OpenPicture(const QString& path, QPoint at);
    // Files dragged from another program and dropped on the page.
    bool ImagePanelFilesDropped(const QStringList& paths, QPoint at);
    void ImagePanelMouseDown(TPictureControl* sender, Qt::MouseButton button,
                             Qt::KeyboardModifiers shift, int x, int y);
    void ImagePanelMouseMove(TPictureControl* sender, Qt::MouseButton button,
                             Qt::KeyboardModifiers shift, int x, int y);
    void N1Click() { BringSelectedImageToFront(); }
    void Delete1Click() { DeleteSelectedImage(); }
    // Returns whether the key was used up (an arrow that moved a picture).
    bool FormKeyDown(QKeyEvent* key);

    // The undo stack and the steps of the design (Unit1Undo.cpp).
    void SetUpUndo();
    void BuildPageMenu();
    void Undo1Click();
    void Redo1Click();
    // No step is taken or undone while a picture is being dragged.
    bool GestureUnderWay() const;
    // Adds the picture on top of the others, as one step.
    TImageEx* PlaceNewImage(std::unique_ptr<TImageEx> image);
    // The step that adds image at index, or deletes it from there.
    void PushPresenceStep(TImageEx* image, int index, bool adds);
    // Puts a picture in at index of PlacedImages, in the stacking order too,
    // or takes it out of the design (out of the layer, and unselected).
    void PutImage(TImageEx* image, int index, bool in);
    // Moves a placed picture to index of PlacedImages and of the stacking.
    void StackImageAt(TImageEx* image, int index);
    void ChangeImageBounds(TImageEx* image, const QRect& bounds);
    void PutImageBounds(TImageEx* image, const QRect& bounds);
    // The selected picture moved by an arrow key, confined as a drag is.
    bool KeyMoveSelectedImage(const QKeyEvent* key);
    bool IsKeyRepeat(const QKeyEvent* key) const;
    void FormKeyUp(const QKeyEvent* key);
    TSettingRec SettingRecord() const;
    void PutSettings(const TSettingRec& rec);
    using TBagColorGetter = TColor (TQRBag::*)() const;
    using TBagColorSetter = void (TQRBag::*)(TColor);
    void ChangeBagColor(TBagColorGetter get, TBagColorSetter set, TColor color);

    // Dragging a placed picture (Unit1Drag.cpp).
    bool ImagePanelDragOver(QWidget* target, QWidget* source, QPoint pos, TDragState state);
    void ImagePanelDragDrop(QWidget* target, QWidget* source, QPoint pos);
    void ImagePanelEndDrag();
    void DrawDragOutline(const TRectL& newRect, const TRectL& oldRect);
    void EraseDragOutline(const TRectL& r);
    void ConfineCursorToPage();
    // The screen rectangle the pointer is kept in during a drag.
    QRect PageAreaOnScreen() const;
    void ReleaseCursor();

    // Print and preview commands ("印刷", "ﾌﾟﾚﾋﾞｭｰ"), Unit1Print.cpp.
    void ButtonPrintClick();
    void ButtonPrevierClick();
    void RunReport(bool preview);
    // Stands the run's print pictures and front bag on the page for `run`.
    void WithPrintElements(const std::function<void()>& run);
    // The report page's preview event: shows the preview window modally.
    void QuickRep1Preview(TQRPrinter* printer);

    // Colour commands: asks ColorDialog1 for a colour and gives it to the
    // bag's colour that belongs to the pressed button (Sender).
    void ButtonColorClick(QObject* Sender);

    // Named designs (Unit1Designs.cpp).
    // The design commands on the window's keys and in the page's menu.
    void CreateDesignCommands();
    void FillRecentDesigns();
    void UpdateCaption();
    // Asks whether to save the changes of a named design; false: cancelled
    // (or the save failed), so the design stays.
    bool MaySetDesignAside();
    void NewDesignClick();
    void OpenDesignClick();
    bool SaveDesignClick();
    bool SaveDesignAsClick();
    QFileDialog* DesignDialog(bool save);
    // Names the design (empty: unnamed) as it now is: saved, no changes.
    void SetDesignPath(const QString& path);
    QStringList ApplyDesign(const TDesign& design);
    void ClearPlacedImages();
    TDesign CurrentDesign();
    bool SaveDesignTo(const QString& path);
    QHash<const TImageEx*, QByteArray>::iterator HoldBytes(TImageEx* image,
                                                           const QByteArray& bytes);
    void KeepPicturesWithoutSource();

    // Settings and placed pictures kept between runs (Unit1Files.cpp).
    void LoadDataFiles();
    void LoadSettings();
    // The saves write the new file beside the old one; FormClose puts both
    // in place.
    std::unique_ptr<TAtomicSave> SaveSettings();
    // Sets the page's top, bottom, left and right margins to PageMargin.
    void ApplyPageMargins();
    // Gives the bag the fold styles and keeps a change in the user's
    // configuration.
    void ApplyFoldStyles(bool on);
    struct TRestoredPictures;
    std::unique_ptr<TRestoredPictures> ReadRestoredPictures();
    void StartDecodingPictures();
    bool LoadImages(TLoadReport& report);
    void RestoreImage(const TImageRec& rec, TPictureQueue& pictures, TLoadReport& report);
    // The records LIST.DAT and the recovery pair store: the placed pictures',
    // then those kept unplaced.
    QList<TImageRec> StoredImageRecords() const;
    std::unique_ptr<TAtomicSave> SaveImages();
    void BackupIfNotLoaded(const QString& name);
    using TSaveStep = std::unique_ptr<TAtomicSave> (TForm1::*)();
    std::unique_ptr<TAtomicSave> SaveUnlessRefusedBefore(const QString& name, TSaveStep save);
    // Saves both files; raises EError.
    void SaveDataFiles();
    // Saves both files; on failure shows the error and returns false.
    bool FormClose();
    void ApplySettingRecord(const TSettingRec& rec);
    // Says at start when the folder the files are written to cannot be used.
    void CheckDataFolder();

    // The recovery pair (Unit1Recovery.cpp).
    void ReadRecoveryPair();
    void LoadRecoveredDesign();
    void StartRecovery();
    void DesignChanged();
    TRecoveryDesign RecoveryDesign();
    void EndRecovery();
    void KeepRecoveryForExit();
    // The settings command: opens the dialog and applies what it returns.
    void ButtonEx8Click();

    int pageMargin_ = 10;
    bool printLines_ = true;
    bool linesInFront_ = false;
    QList<TImageEx*> placedImages_;
    // The records of LIST.DAT past the first MaxPlacedImages, kept as read
    // without a control, so that the close stores them again.
    QList<TImageRec> unplacedRecords_;
    TImageEx* selectedImage_ = nullptr;
    QPointer<QWidget> framedImage_;

    TMarkOverlay* layerMarks_ = nullptr;
    TDragManager* imageDrag_ = nullptr;
    TKeyPreview* keyPreview_ = nullptr;
    QUndoStack* undoStack_ = nullptr;
    // Counts the arrow key presses that are not repeats: the repeats of one
    // held key share its number and join its undo step.
    int keyMoveRun_ = 0;
    // The key let go last, and when (the window system's milliseconds).
    struct {
        int Key = 0;
        Qt::KeyboardModifiers Mods;
        quint64 At = 0;
    } keyUp_;
    std::unique_ptr<TPaintHook> panelHook_;
    TPrintElements printElements_;
    // A print or preview run is under way; commands wait for its end.
    bool running_ = false;
    // Has the print decodes made ahead once the design is still.
    QTimer* printWarmup_ = nullptr;
    // LIST.DAT read when the window starts being made, until start-up
    // places its pictures.
    std::unique_ptr<TRestoredPictures> restored_;
    TImageGesture gesture_;

    bool outerSized_ = false;
    // Folders SETTING.DAT and LIST.DAT are read from and written to, fixed
    // at start-up.
    QString loadFolder_;
    QString dataFolder_;
    // Data files that exist but were not (fully) loaded: each is kept as a
    // .bak copy before the first save replaces it.
    QStringList notLoaded_;
    QString designPath_;
    // The file bytes of pictures that came from a design or went into one.
    QHash<const TImageEx*, QByteArray> heldBytes_;
    // Data files whose save was refused at an earlier close (not a regular
    // file in place, or a folder that cannot be written): the next close
    // leaves them and goes on.
    QStringList refused_;

    TDataFolderUse folderUse_;
    // The design read from a recovery pair at start, until it is placed.
    std::optional<TRecoveryDesign> recovered_;
    // A recovery pair was there but could not be read.
    bool recoveryUnreadable_ = false;
    TRecoveryWriter* recovery_ = nullptr;
};

// Bounds as a file stores them, within what a widget can take.
QRect StoredBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

// LIST.DAT as read for start-up, its pictures decoding on worker threads
// until they are placed; an error of the reading is kept for LoadImages.
// Records holds those to place, Unplaced those past MaxPlacedImages; Whole
// is false when the file held more records than were read.
struct TForm1::TRestoredPictures {
    QList<TImageRec> Records;
    QList<TImageRec> Unplaced;
    bool Whole = true;
    std::exception_ptr Error;
    std::unique_ptr<TPictureQueue> Pictures;
};
