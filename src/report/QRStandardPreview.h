#pragma once
// TQRStandardPreview: the modal, maximised preview window of a preview run:
// a tool bar with zoom, page, printer set-up, print and close commands, the
// scrolling page view and a status bar with progress and page number.

#include "QRPreview.h"

#include <QDialog>
#include <QIcon>
#include <QStyle>

class QAction;
class QActionGroup;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolBar;
class TQRPreviewSource;

class TQRStandardPreview : public QDialog {
    Q_OBJECT
public:
    TQRStandardPreview(QWidget* owner, TQRPreviewSource* printer);
    ~TQRStandardPreview() override;

    TQRPreviewSource* QRPrinter() const { return printer_; }

    // Components, named as in the window's layout. Tool bar items are
    // actions: hiding one is setVisible(false) on it.
    QToolBar* ToolBar1 = nullptr;
    QAction* ToolButton1 = nullptr;
    QAction* ZoomFit = nullptr;
    QAction* Zoom100 = nullptr;
    QAction* ZoomToWidth = nullptr;
    QAction* Separator1 = nullptr;
    QAction* FirstPage = nullptr;
    QAction* PreviousPage = nullptr;
    QAction* ToolButton2 = nullptr;
    QAction* LastPage = nullptr;
    QAction* Separator2 = nullptr;
    QAction* PrintSetup = nullptr;
    QAction* Print = nullptr;
    QAction* Separator3 = nullptr;
    QAction* SaveReport = nullptr;
    QAction* LoadReport = nullptr;
    QAction* Separator4 = nullptr;
    QPushButton* ExitButton = nullptr;
    TQRPreview* QRPreview = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;

    // Tool bar commands.
    void ZoomToFitClick();
    void ZoomTo100Click();
    void ZoomToWidthClick();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void PrintSetupClick();
    void PrintClick();
    void ExitClick();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildToolBar();
    void BuildStatusBar();
    QIcon Std(QStyle::StandardPixmap icon) const;
    QAction* AddButton(const QString& name, const QString& hint, const QIcon& icon,
                       void (TQRStandardPreview::*command)());
    QAction* AddToggle(const QString& name, const QString& hint, const QIcon& icon,
                       void (TQRStandardPreview::*command)());
    QAction* AddSeparator(const QString& name);
    void BindPrinter();
    void TakeTitle();
    void FormKeyDown(QKeyEvent* key);
    void FormResize();
    void FormClose();
    void QRPreviewPageAvailable(int n);
    void QRPreviewProgressUpdate(int percent);
    void UpdatePageText();

    TQRPreviewSource* printer_;
    QActionGroup* zoomGroup_ = nullptr;
    int lastProgress_ = 0;
    bool closed_ = false;
};
