#pragma once
// TForm1: the main window: command bar, the scrolling page area with the
// report page, the bag net and the image layer, and the state kept for the
// whole run (margin, print switches, placed pictures).

#include <QList>
#include <QWidget>

class QScrollArea;
class TButtonEx;
class TColorDialog;
class TImageEx;
class TQRBag;
class TQRSubDetail;
class TQuickRep;
class TTransPanel;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
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

    // Working copies of the settings.
    int PageMargin = 10;
    bool PrintLines = true;
    bool LinesInFront = false;
    // Placed pictures, back to front; the window owns them.
    QList<TImageEx*> PlacedImages;

    // Fits the bag into the page, inset by round(PageMargin x 3.02) pixels.
    void LayoutBag();
    // Makes the image layer repaint in full (width to 0 and back).
    void RefreshLayer();

    // Colour commands: asks ColorDialog1 for a colour and gives it to the
    // bag's colour that belongs to the pressed button (Sender).
    void ButtonColorClick(QObject* Sender);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void BuildCommandBar();
    void BuildPageArea();
    void CreateColorCommands();
    void FormCreate();
    void FormDestroy();
    TButtonEx* AddButton(const QString& name, const QString& caption, int left, int width);
    void FitOuterSize();
    void CentreOnScreen();

    bool outerSized_ = false;
};
