#include "Messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
TMessageSink& Sink() {
    static TMessageSink sink;
    return sink;
}
} // namespace

bool DeliverToMessageSink(const QString& text) {
    if (!Sink())
        return false;
    Sink()(text);
    return true;
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (DeliverToMessageSink(text))
        return;
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the question, then its button's caption
bool AskToGoOn(QWidget* parent, const QString& text, const QString& goOn) {
    if (DeliverToMessageSink(text))
        return false;
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(goOn, QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

TMessageSink SetMessageSink(TMessageSink sink) {
    TMessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}
