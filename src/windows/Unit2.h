#pragma once
// TForm2: the settings dialog "その他の設定": paper size, margin and the two
// print switches. The caller fills the public fields, shows the dialog
// modally and reads the fields back; they change only when OK closes it.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class TButtonEx;
class TSpinEdit;
enum class TBitBtnKind;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* owner);

    // Row of PaperSizes, -1 when the page's paper is not in the table.
    int PaperIndex = -1;
    int PageMargin = 10;
    bool PrintLines = true;
    bool LinesInFront = false;
    bool FoldStyles = false;

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label2 = nullptr;
    TSpinEdit* SpinEdit1 = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    TButtonEx* ButtonEx1 = nullptr;
    TButtonEx* ButtonEx2 = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddLabel(const QString& caption, int left, int top);
    QCheckBox* AddCheckBox(const char* name, const QString& caption, int top, int width);
    TButtonEx* AddButton(const char* name, TBitBtnKind kind, int left);
    void FormShow();
    void FormClose(int result);
};
