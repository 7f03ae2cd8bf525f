#pragma once
// TSpinEdit: an integer field with up and down arrows. Of the printable
// characters only digits, "+", "-" and the decimal separator can be typed
// (others are refused with a beep); the value always stays within the range,
// and a text that is not a whole number reads as the minimum.

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent);

    // Whether `c` may be typed into the field.
    bool IsAllowedChar(QChar c) const;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
};
