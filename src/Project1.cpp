// Program start: the application object and its one main window.
#include "platform/Fonts.h"
#include "platform/Icons.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    StartFontSetUp();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesorin"));
    QApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    // The program speaks Japanese whatever the locale, and so do the
    // toolkit's standard dialogs (colour, file, print) when their
    // translation is installed.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    TForm1 form;
    QApplication::setWindowIcon(form.windowIcon()); // the same icon, read once
    form.show();
    return app.exec();
}
