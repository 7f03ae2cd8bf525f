#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace {
TMessageSink& Sink() {
    static TMessageSink sink;
    return sink;
}
} // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    if (Sink()) {
        Sink()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

TMessageSink SetMessageSink(TMessageSink sink) {
    TMessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}
