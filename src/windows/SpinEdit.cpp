#include "SpinEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
    // Any text of allowed characters is accepted while typing and read on
    // leaving the field, so it must not be reset to the old value.
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

bool TSpinEdit::IsAllowedChar(QChar c) const {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
           c == QLatin1Char('-') || c == locale().decimalPoint().front();
}

QValidator::State TSpinEdit::validate(QString& text, int&) const {
    for (QChar c : text)
        if (!IsAllowedChar(c))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

int TSpinEdit::valueFromText(const QString& text) const {
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*([+-]?)\\d+\\s*$"));
    const QRegularExpressionMatch m = wholeNumber.match(text);
    if (!m.hasMatch())
        return minimum();
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok) // too many digits for any integer: beyond the range on its side
        return m.captured(1) == QLatin1String("-") ? minimum() : maximum();
    return int(qBound(qlonglong(minimum()), v, qlonglong(maximum())));
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (typed.size() == 1 && typed.front().isPrint() && !IsAllowedChar(typed.front())) {
        QApplication::beep();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}
