#include "Unit2.h"

#include "ButtonEx.h"
#include "SpinEdit.h"
#include "bag/CommonWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QShowEvent>

TForm2::TForm2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("Form2");
    setWindowTitle(QStringLiteral("その他の設定"));
    if (owner) {
        setFont(owner->font());
        setPalette(owner->palette());
    }
    setFixedSize(448, 201);

    // Controls are created in tab order: list, field, the two boxes, OK, cancel.

    Label1 = AddLabel(QStringLiteral("用紙サイズ："), 8, 11);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(80, 8, 73, ComboBox1->sizeHint().height());
    Label2 = AddLabel(QStringLiteral("余白："), 8, 36);
    SpinEdit1 = new TSpinEdit(this);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setRange(1, 50);
    SpinEdit1->setSingleStep(1);
    SpinEdit1->setGeometry(80, 32, 49, 21);
    Label3 = AddLabel(QStringLiteral("mm (1～50の範囲で選択)"), 136, 36);
    CheckBox1 = AddCheckBox("CheckBox1", QStringLiteral("印刷時に線を印字する。"), 64, 177);
    CheckBox2 = AddCheckBox("CheckBox2", QStringLiteral("印刷時に線をイメージより前面に印字する。"),
                            88, 249);
    CheckBox3 = AddCheckBox("CheckBox3", QStringLiteral("折り線を線種で区別する"), 112, 177);
    CheckBox3->setToolTip(
        QStringLiteral("たにおり線を破線、やまおり線を一点鎖線で描きます (白黒のプリンター向け)"));
    // The kinds give the captions "OK" / "キャンセル", the dialog results and
    // the default (Enter) and cancel (Escape) roles.
    ButtonEx1 = AddButton("ButtonEx1", TBitBtnKind::OK, 288);
    ButtonEx2 = AddButton("ButtonEx2", TBitBtnKind::Cancel, 368);
}

QLabel* TForm2::AddLabel(const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, this);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A check box at its designed size, widened to its whole text where the
// font draws it wider than the design's font did.
QCheckBox* TForm2::AddCheckBox(const char* name, const QString& caption, int top, int width) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    const QSize needed = box->sizeHint();
    box->setGeometry(8, top, qMax(width, needed.width()), qMax(17, needed.height()));
    return box;
}

TButtonEx* TForm2::AddButton(const char* name, TBitBtnKind kind, int left) {
    auto* button = new TButtonEx(this);
    button->setObjectName(name);
    button->SetKind(kind);
    button->setGeometry(left, 168, 75, 25);
    return button;
}

void TForm2::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TForm2::FormShow() {
    ComboBox1->clear();
    FillPaperSizeCombo(ComboBox1, PaperIndex);
    CheckBox1->setChecked(PrintLines);
    CheckBox2->setChecked(LinesInFront);
    CheckBox3->setChecked(FoldStyles);
    SpinEdit1->setValue(PageMargin);
    if (QWidget* owner = parentWidget()) { // centred over the main window
        QRect r(QPoint(0, 0), frameGeometry().size());
        r.moveCenter(owner->frameGeometry().center());
        move(r.topLeft());
    }
}

void TForm2::done(int result) {
    FormClose(result);
    QDialog::done(result);
}

void TForm2::FormClose(int result) {
    if (result != QDialog::Accepted)
        return;
    SpinEdit1->interpretText(); // a value still being typed counts
    PaperIndex = ComboBox1->currentIndex();
    PageMargin = SpinEdit1->value();
    PrintLines = CheckBox1->isChecked();
    LinesInFront = CheckBox2->isChecked();
    FoldStyles = CheckBox3->isChecked();
}
