// Program start: the command line, the application object and its one main
// window, one per data folder; the end signals and the session's end save
// as a close does.
#include "bag/CommonFiles.h"
#include "platform/EndSignals.h"
#include "platform/Fonts.h"
#include "platform/Icons.h"
#include "platform/Messages.h"
#include "platform/SingleInstance.h"
#include "windows/CommandLine.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QTranslator>
#include <cstdio>
#include <optional>

namespace {
// A later start hands its files over within this time, or gives up.
constexpr int kHandOverMs = 1500;

// An export shows no window: it needs no display, and takes none when one
// is there, unless the platform was chosen by hand. Its standard error is
// the one line that tells what failed: the toolkit's notes stay out of it.
void PrepareExport(const TCommandLine& line) {
    if (!line.Export())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

// The files of the command line as absolute paths: the running program
// that takes them over has a working folder of its own.
QStringList AbsolutePaths(const QStringList& files) {
    QStringList paths;
    for (const QString& file : files)
        paths.append(QFileInfo(file).absoluteFilePath());
    return paths;
}

// Another window has this data folder: it takes the files and comes
// forward, and this start ends. When it cannot be reached, nothing opens.
int HandOver(const TSingleInstance& instance, const QString& folder, const QStringList& files) {
    QString error;
    if (instance.HandOver(AbsolutePaths(files), kHandOverMs, &error))
        return 0;
    ShowMessage(nullptr, QStringLiteral("同じデータフォルダー (%1) を使っている起動中のプログラムに"
                                        "接続できません。\n%2")
                             .arg(QDir::toNativeSeparators(folder), error));
    return 1;
}

// What comes while the window is still being made, a start-up message
// waiting for its answer: a signal ends the start there (nothing has changed
// yet, and what the start restored stays on disk for the next one), and the
// files another start hands over wait for the window.
class TEarlyEvents {
public:
    TEarlyEvents(const TEndSignals& ends, const TSingleInstance& instance)
        : signal_(QObject::connect(&ends, &TEndSignals::Received,
                                   [this] {
                                       ended_ = true;
                                       QCoreApplication::exit(0); // leaves the message's loop
                                   })),
          files_(QObject::connect(&instance, &TSingleInstance::FilesArrived,
                                  [this](const QStringList& paths) { paths_ += paths; })) {}
    ~TEarlyEvents() {
        QObject::disconnect(signal_);
        QObject::disconnect(files_);
    }
    TEarlyEvents(const TEarlyEvents&) = delete;
    TEarlyEvents& operator=(const TEarlyEvents&) = delete;
    bool Ended() const { return ended_; }
    const QStringList& Files() const { return paths_; }

private:
    bool ended_ = false;
    QStringList paths_;
    QMetaObject::Connection signal_;
    QMetaObject::Connection files_;
};

void BringForward(QWidget& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
}

// Saves as a close does, with no question asked, and ends the program,
// also from inside a modal dialog.
void EndAfterSaving(TForm1& form) {
    QCoreApplication::exit(form.SaveForExit() ? 0 : 1);
}
} // namespace

int main(int argc, char* argv[]) {
    const TCommandLineParse parse = ParseCommandLine(ArgumentsOf(argc, argv));
    if (parse.Action != TCommandLineAction::Run)
        return ReportCommandLine(parse);
    PrepareExport(parse.Line);
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

    const QString folder = DataFolders().Write;
    TSingleInstance instance(folder);
    if (instance.Role() == TSingleInstance::TRole::Second)
        return HandOver(instance, folder, parse.Line.Files);
    TEndSignals endSignals;
    std::optional<TEarlyEvents> early(std::in_place, endSignals, instance);
    TForm1 form(nullptr, instance.Role() == TSingleInstance::TRole::First ? TDataFolderUse::Owned
                                                                          : TDataFolderUse::Shared);
    const QStringList files = parse.Line.Files + early->Files();
    if (early->Ended())
        return 0;
    early.reset();
    QApplication::setWindowIcon(form.windowIcon()); // the same icon, read once
    QObject::connect(&endSignals, &TEndSignals::Received, &form, [&form] { EndAfterSaving(form); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { EndAfterSaving(form); });
    QObject::connect(&instance, &TSingleInstance::FilesArrived, &form,
                     [&form](const QStringList& paths) {
                         BringForward(form);
                         form.OpenFiles(paths);
                     });
    form.show();
    form.OpenFiles(files);
    return app.exec();
}
