#include "Unit1.h"

#include "ButtonEx.h"
#include "TrPanel.h"
#include "bag/CommonOptions.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "platform/Icons.h"
#include "platform/PictureQueue.h"
#include "platform/Rounding.h"
#include "report/QRPictureDecodes.h"
#include "report/QRUnits.h"
#include "report/QuickRep.h"

#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {
constexpr int kOuterWidth = 785;
constexpr int kOuterHeight = 625;
constexpr int kCommandBarHeight = 41;
} // namespace

QString ProgramCaption() {
    return QStringLiteral("Tesorin(仮) Ver 1.0.0");
}

TForm1::TForm1(QWidget* parent, TDataFolderUse use) : QWidget(parent), folderUse_(use) {
    setObjectName("Form1");
    setWindowTitle(ProgramCaption());
    TApplicationIconReading icon = ReadApplicationIcon();
    StartDecodingPictures();
    // Without the window's own font, a proportional Japanese gothic of the
    // same build keeps the command bar's captions inside their buttons.
    QFont f(InstalledFamily({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                             QStringLiteral("Noto Sans CJK JP")}));
    f.setPixelSize(12);
    setFont(f);
    setAutoFillBackground(true);
    setPalette(QPalette(palette().color(QPalette::Button)));
    resize(kOuterWidth, kOuterHeight);
    CentreOnScreen();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildCommandBar();
    column->addWidget(Panel1);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    BuildPageArea();
    SetUpUndo();
    SetUpImageLayer();
    row->addWidget(Panel2);
    row->addWidget(Panel3, 1);
    column->addLayout(row, 1);
    CreateColorCommands();
    ConnectPrintCommands();
    CreateDesignCommands();

    FormCreate();
    connect(ButtonEx8, &QPushButton::clicked, this, &TForm1::ButtonEx8Click);
    setWindowIcon(ApplicationIcon(icon));
}

TForm1::~TForm1() {
    FormDestroy();
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): name, caption, then x and width
TButtonEx* TForm1::AddButton(const QString& name, const QString& caption, int left, int width) {
    auto* b = new TButtonEx(caption, Panel1);
    b->setObjectName(name);
    b->setGeometry(left, 8, width, 25);
    return b;
}

void TForm1::BuildCommandBar() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(kCommandBarHeight);
    // Created in tab order: 0..4, then print (5), preview (6), settings (7).
    ButtonEx1 = AddButton("ButtonEx1", QStringLiteral("開く"), 8, 89);
    ButtonEx2 = AddButton("ButtonEx2", QStringLiteral("用紙の色"), 104, 89);
    ButtonEx5 = AddButton("ButtonEx5", QStringLiteral("やまおり線の色"), 200, 89);
    ButtonEx6 = AddButton("ButtonEx6", QStringLiteral("たにおり線の色"), 296, 89);
    ButtonEx7 = AddButton("ButtonEx7", QStringLiteral("のりしろの色"), 392, 89);
    ButtonEx4 = AddButton("ButtonEx4", QStringLiteral("印刷"), 598, 84);
    ButtonEx3 = AddButton("ButtonEx3", QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"), 686, 84);
    ButtonEx8 = AddButton("ButtonEx8", QStringLiteral("その他の設定"), 488, 89);
    ButtonEx1->setToolTip(
        QStringLiteral("絵のファイル (BMP、PNG、JPEG、GIF) を開いて用紙に置きます"));
    ButtonEx2->setToolTip(QStringLiteral("展開図の用紙の部分の色を選びます"));
    ButtonEx5->setToolTip(QStringLiteral("やまおり線 (山に折る線) の色を選びます"));
    ButtonEx6->setToolTip(QStringLiteral("たにおり線 (谷に折る線) の色を選びます"));
    ButtonEx7->setToolTip(QStringLiteral("のりしろ (のりを付ける部分) の色を選びます"));
    ButtonEx4->setToolTip(QStringLiteral("用紙をプリンターで印刷します"));
    ButtonEx3->setToolTip(QStringLiteral("印刷される用紙を画面で確かめます"));
    ButtonEx8->setToolTip(QStringLiteral("用紙サイズ、余白、線の印刷のしかたを設定します"));
    const QList<QWidget*> order{ButtonEx1, ButtonEx2, ButtonEx5, ButtonEx6,
                                ButtonEx7, ButtonEx4, ButtonEx3, ButtonEx8};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void TForm1::BuildPageArea() {
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedWidth(1);
    Panel3 = new QWidget(this);
    Panel3->setObjectName("Panel3");
    auto* fill = new QVBoxLayout(Panel3);
    fill->setContentsMargins(0, 0, 0, 0);
    ScrollBox1 = new QScrollArea(Panel3);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setBackgroundRole(QPalette::Button);
    // The page area is no tab stop and takes no focus from a click: the keys
    // stay with the command bar, and the arrow keys do not scroll the page.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    fill->addWidget(ScrollBox1);

    QuickRep1 = new TQuickRep(nullptr, kScreenPixelsPerInch);
    QuickRep1->setObjectName("QuickRep1");
    QRSubDetail1 = new TQRSubDetail(QuickRep1);
    QRSubDetail1->setObjectName("QRSubDetail1");
    QuickRep1->AddBand(QRSubDetail1);
    QRBag1 = new TQRBag(nullptr, QuickRep1->Resolution());
    QRBag1->setObjectName("QRBag1");
    QRBag1->SetBounds(32, 32, 833, 569);
    QuickRep1->AttachPrintable(QRBag1);
    TransPanel1 = new TTransPanel(QuickRep1);
    TransPanel1->setObjectName("TransPanel1");
    connect(QuickRep1, &TQuickRep::PageSizeChanged, TransPanel1, &TTransPanel::FitToParent);
    ScrollBox1->setWidget(QuickRep1);
}

void TForm1::FormCreate() {
    printLines_ = true;
    linesInFront_ = false;
    pageMargin_ = 10;
    placedImages_.clear();
    CheckDataFolder();
    QRBag1->SetFoldStyles(ReadFoldStylesOption());
    LoadDataFiles();
    LayoutBag();
    InstallPanelHook();
    StartRecovery();
}

void TForm1::FormDestroy() {
    RemovePanelHook();
    StopPictureWarmups();
    {
        // The pictures that only the steps hold go with them; nobody is told
        // of a change, since the design is not changing but ending.
        const QSignalBlocker quiet(undoStack_);
        undoStack_->clear();
    }
    for (TImageEx* image : placedImages_)
        delete image;
    placedImages_.clear();
}

void TForm1::LayoutBag() {
    const int d = int(RoundHalfEven(pageMargin_ * kScreenPixelsPerMmAtZoom80));
    // One bounds write: each single-side setter stores all four bounds.
    QRBag1->SetBounds(d, d, QuickRep1->width() - 2 * d, QuickRep1->height() - 2 * d);
}

void TForm1::RefreshLayer() {
    const int w = TransPanel1->width();
    TransPanel1->resize(0, TransPanel1->height());
    TransPanel1->resize(w, TransPanel1->height());
}

// The outer size the window is laid out for, or as much of it as the
// screen's available area holds (a large scale factor can leave less room
// than the design size); the page area scrolls what does not fit.
QSize TForm1::OuterSize() const {
    const QSize design(kOuterWidth, kOuterHeight);
    const QScreen* s = screen();
    return s ? design.boundedTo(s->availableGeometry().size()) : design;
}

// The outer size includes the frame that the window manager adds. Its size
// is known only once the manager has framed the window (after the first show,
// announced by a move), so the client is shrunk then, once, and the window
// centred on its screen.
void TForm1::FitOuterSize() {
    if (outerSized_)
        return;
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    if (frameExtra.isNull())
        return; // not framed yet (or never, and then the outer size is the client's)
    outerSized_ = true;
    resize(OuterSize() - frameExtra);
    CentreOnScreen();
}

// Centred in the available area; a window as large as that area starts at
// its top-left corner, so the title bar is on screen.
void TForm1::CentreOnScreen() {
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        QRect r(QPoint(0, 0), OuterSize());
        r.moveCenter(area.center());
        move(qMax(r.left(), area.left()), qMax(r.top(), area.top()));
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FitOuterSize();
}

void TForm1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FitOuterSize();
}
