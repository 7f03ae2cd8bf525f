#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

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

TMessageSink SetMessageSink(TMessageSink sink) {
    TMessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}
