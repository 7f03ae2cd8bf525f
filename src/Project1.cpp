// Program start: the application object and its one main window.
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesorin"));
    TForm1 form;
    form.show();
    return app.exec();
}
