// Program start: the command line, the application object and its one main
// window.
#include "platform/Fonts.h"
#include "platform/Icons.h"
#include "windows/CommandLine.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
// An export shows no window: it needs no display, and takes none when one
// is there, unless the platform was chosen by hand.
void ChoosePlatform(const TCommandLine& line) {
    if (line.Export() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
} // namespace

int main(int argc, char* argv[]) {
    const TCommandLineParse parse = ParseCommandLine(ArgumentsOf(argc, argv));
    if (parse.Action != TCommandLineAction::Run)
        return ReportCommandLine(parse);
    ChoosePlatform(parse.Line);
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
    if (parse.Line.Export())
        return ExportFromCommandLine(parse.Line);
    TForm1 form;
    QApplication::setWindowIcon(form.windowIcon()); // the same icon, read once
    form.show();
    form.OpenFiles(parse.Line.Files);
    return app.exec();
}
