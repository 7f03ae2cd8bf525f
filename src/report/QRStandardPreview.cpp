#include "QRStandardPreview.h"

#include "../platform/Icons.h"
#include "../platform/KeyPreview.h"
#include "QRPreviewSource.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <functional>

namespace {
// A tool bar item shown as a push button. A button added to the bar as a
// plain widget is left out of the bar's overflow menu; an item that makes its
// button on request is listed there, as a menu entry of its own text.
class TExitButtonItem : public QWidgetAction {
public:
    TExitButtonItem(QObject* parent, std::function<QPushButton*(QWidget*)> make)
        : QWidgetAction(parent), make_(std::move(make)) {}

protected:
    QWidget* createWidget(QWidget* parent) override {
        return qobject_cast<QToolBar*>(parent) ? make_(parent) : nullptr;
    }

private:
    std::function<QPushButton*(QWidget*)> make_;
};
} // namespace

TQRStandardPreview::TQRStandardPreview(QWidget* owner, TQRPreviewSource* printer)
    : QDialog(owner), printer_(printer) {
    setObjectName("QRStandardPreview");
    setWindowTitle(QStringLiteral("プレビュー"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    resize(644, 552);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildToolBar();
    column->addWidget(ToolBar1);
    QRPreview = new TQRPreview(this);
    column->addWidget(QRPreview, 1);
    BuildStatusBar();
    column->addWidget(StatusBar);
    connect(QRPreview, &TQRPreview::OnPageAvailable, this,
            &TQRStandardPreview::QRPreviewPageAvailable);
    connect(QRPreview, &TQRPreview::OnProgressUpdate, this,
            &TQRStandardPreview::QRPreviewProgressUpdate);

    setWindowState(Qt::WindowMaximized);
    BindPrinter();
    // Key preview: every key pressed in the window is seen here first and
    // still goes on to the focused control.
    new TKeyPreview(this, [this](QKeyEvent* key) {
        FormKeyDown(key);
        return false;
    });
}

TQRStandardPreview::~TQRStandardPreview() {
    FormClose();
}

void TQRStandardPreview::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setContentsMargins(2, 2, 2, 2);
    zoomGroup_ = new QActionGroup(this);
    zoomGroup_->setExclusive(true);

    ToolButton1 = AddSeparator("ToolButton1");
    ZoomFit = AddToggle("ZoomFit", QStringLiteral("ページ全体を表示"),
                        Std(QStyle::SP_TitleBarNormalButton), &TQRStandardPreview::ZoomToFitClick);
    Zoom100 = AddToggle("Zoom100", QStringLiteral("100%"), Std(QStyle::SP_FileDialogContentsView),
                        &TQRStandardPreview::ZoomTo100Click);
    ZoomToWidth =
        AddToggle("ZoomToWidth", QStringLiteral("幅を基準に表示"),
                  Std(QStyle::SP_TitleBarMaxButton), &TQRStandardPreview::ZoomToWidthClick);
    ZoomToWidth->setChecked(true);
    Separator1 = AddSeparator("Separator1");
    FirstPage = AddButton("FirstPage", QStringLiteral("最初のページ"),
                          Std(QStyle::SP_MediaSkipBackward), &TQRStandardPreview::FirstPageClick);
    PreviousPage = AddButton("PreviousPage", QStringLiteral("前のページ"),
                             Std(QStyle::SP_MediaSeekBackward), &TQRStandardPreview::PrevPageClick);
    ToolButton2 = AddButton("ToolButton2", QStringLiteral("次のページ"),
                            Std(QStyle::SP_MediaSeekForward), &TQRStandardPreview::NextPageClick);
    LastPage = AddButton("LastPage", QStringLiteral("最後のページ"),
                         Std(QStyle::SP_MediaSkipForward), &TQRStandardPreview::LastPageClick);
    Separator2 = AddSeparator("Separator2");
    PrintSetup =
        AddButton("PrintSetup", QStringLiteral("プリンタの設定"),
                  ActionIcon(TActionIcon::PrinterSettings), &TQRStandardPreview::PrintSetupClick);
    Print = AddButton("Print", QStringLiteral("印刷"), ActionIcon(TActionIcon::Print),
                      &TQRStandardPreview::PrintClick);
    PrintSetup->setEnabled(false);
    Print->setEnabled(false);
    Separator3 = AddSeparator("Separator3");
    SaveReport = AddButton("SaveReport", QStringLiteral("レポートの保存"),
                           Std(QStyle::SP_DialogSaveButton), nullptr);
    LoadReport = AddButton("LoadReport", QStringLiteral("レポート読み込み"),
                           Std(QStyle::SP_DialogOpenButton), nullptr);
    Separator4 = AddSeparator("Separator4");

    // The bar makes the button through its item (TExitButtonItem), so that
    // in a window too narrow for the whole bar the overflow menu offers the
    // item, with the button's text and command.
    auto* exitItem = new TExitButtonItem(ToolBar1, [this](QWidget* bar) {
        ExitButton = new QPushButton(QStringLiteral("閉じる(&C)"), bar);
        ExitButton->setObjectName("ExitButton");
        ExitButton->setFixedSize(75, 22);
        ExitButton->setAutoDefault(false);
        connect(ExitButton, &QPushButton::clicked, this, &TQRStandardPreview::ExitClick);
        return ExitButton;
    });
    exitItem->setText(QStringLiteral("閉じる(&C)"));
    connect(exitItem, &QAction::triggered, this, &TQRStandardPreview::ExitClick);
    ToolBar1->addAction(exitItem);
}

QIcon TQRStandardPreview::Std(QStyle::StandardPixmap icon) const {
    return style()->standardIcon(icon);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): object name, then hint, as listed
QAction* TQRStandardPreview::AddButton(const QString& name, const QString& hint, const QIcon& icon,
                                       void (TQRStandardPreview::*command)()) {
    QAction* a = ToolBar1->addAction(icon, hint);
    a->setObjectName(name);
    a->setToolTip(hint);
    if (command)
        connect(a, &QAction::triggered, this, command);
    return a;
}

QAction* TQRStandardPreview::AddToggle(const QString& name, const QString& hint, const QIcon& icon,
                                       void (TQRStandardPreview::*command)()) {
    QAction* a = AddButton(name, hint, icon, command);
    a->setCheckable(true);
    zoomGroup_->addAction(a);
    return a;
}

QAction* TQRStandardPreview::AddSeparator(const QString& name) {
    QAction* a = ToolBar1->addSeparator();
    a->setObjectName(name);
    return a;
}

void TQRStandardPreview::BuildStatusBar() {
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setFixedHeight(18);
    StatusBar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(QStringLiteral("0%"), StatusBar);
    StatusPanel0->setFixedWidth(40);
    StatusPanel0->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusPanel1 = new QLabel(QStringLiteral("ページ:"), StatusBar);
    StatusPanel1->setMinimumWidth(50);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusPanel1, 1);
}

// A run that finished before the binding sent its last PageAvailable to no
// one; it is caught up here as if it had arrived, so the page is fitted to
// the width and both printer commands are offered.
void TQRStandardPreview::BindPrinter() {
    QRPreview->SetSource(printer_);
    if (!printer_)
        return;
    TakeTitle();
    if (printer_->Finished()) {
        QRPreview->ZoomToWidth();
        QRPreviewPageAvailable(QRPreview->PageNumber());
    }
}

void TQRStandardPreview::ZoomToFitClick() {
    QRPreview->ZoomToFit();
}

void TQRStandardPreview::ZoomTo100Click() {
    QRPreview->SetZoom(100);
}

void TQRStandardPreview::ZoomToWidthClick() {
    QRPreview->ZoomToWidth();
}

void TQRStandardPreview::FirstPageClick() {
    QRPreview->SetPageNumber(1);
    UpdatePageText();
}

void TQRStandardPreview::PrevPageClick() {
    QRPreview->SetPageNumber(QRPreview->PageNumber() - 1);
    UpdatePageText();
}

void TQRStandardPreview::NextPageClick() {
    QRPreview->SetPageNumber(QRPreview->PageNumber() + 1);
    UpdatePageText();
}

void TQRStandardPreview::LastPageClick() {
    if (printer_)
        QRPreview->SetPageNumber(printer_->PageCount());
    UpdatePageText();
}

void TQRStandardPreview::PrintSetupClick() {
    if (printer_)
        printer_->PrintSetup();
}

void TQRStandardPreview::PrintClick() {
    if (printer_)
        printer_->Print();
}

void TQRStandardPreview::ExitClick() {
    close();
}

void TQRStandardPreview::UpdatePageText() {
    const int count = printer_ ? printer_->PageCount() : 0;
    StatusPanel1->setText(
        QStringLiteral("ページ: %1 / %2").arg(QRPreview->PageNumber()).arg(count));
}

// A run that had not opened its document when the window was made has its
// title only now.
void TQRStandardPreview::TakeTitle() {
    if (!printer_->Title().isEmpty())
        setWindowTitle(printer_->Title());
}

void TQRStandardPreview::QRPreviewPageAvailable(int) {
    UpdatePageText();
    if (printer_)
        TakeTitle();
    if (printer_ && printer_->Finished()) {
        PrintSetup->setEnabled(true);
        Print->setEnabled(true);
    }
}

void TQRStandardPreview::QRPreviewProgressUpdate(int percent) {
    if (percent >= lastProgress_ + 5) {
        StatusPanel0->setText(QStringLiteral("%1%").arg(percent));
        lastProgress_ = percent;
    }
    if (percent == 0 || percent == 100)
        StatusPanel0->clear();
}

void TQRStandardPreview::FormKeyDown(QKeyEvent* key) {
    const bool onlyCtrl = key->modifiers() == Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        close();
        break;
    case Qt::Key_PageUp:
        onlyCtrl ? FirstPageClick() : PrevPageClick();
        break;
    case Qt::Key_PageDown:
        onlyCtrl ? LastPageClick() : NextPageClick();
        break;
    case Qt::Key_Home:
        FirstPageClick();
        break;
    case Qt::Key_End:
        LastPageClick();
        break;
    default:
        break;
    }
}

// Esc is the key preview's; the dialog's own Esc handling would close twice.
void TQRStandardPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TQRStandardPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TQRStandardPreview::FormResize() {
    QRPreview->Relayout();
}

void TQRStandardPreview::done(int result) {
    FormClose();
    QDialog::done(result);
}

// The report page learns of the closing before the window goes; after that
// the printer may be released, so the window keeps no reference to it.
void TQRStandardPreview::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    TQRPreviewSource* printer = printer_;
    printer_ = nullptr;
    if (!printer)
        return;
    if (printer->Client() == QRPreview)
        printer->SetClient(nullptr);
    QRPreview->ForgetSource();
    printer->PreviewClosed();
}
