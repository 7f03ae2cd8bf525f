#pragma once
// The program's command line: the options it knows, read with
// QCommandLineParser before the application object exists (an export picks
// its platform first), and the texts of --help and --version.

#include "report/QRExport.h"

#include <QString>
#include <QStringList>

// Pixels per inch of the pictures in an exported sheet and of a PNG or
// JPEG sheet, unless --dpi says otherwise, and the range --dpi accepts.
constexpr int kDefaultExportDpi = kDefaultPictureDpi;
constexpr int kMinExportDpi = 10;
constexpr int kMaxExportDpi = 1200;

// What the arguments ask for. A plain value: start-up code adds fields as
// it learns new arguments.
struct TCommandLine {
    // The arguments after the options: design files to open and pictures to
    // place, as 開く does.
    QStringList Files;
    // --export FILE: write the sheet to FILE and end, with no window.
    QString ExportFile;
    // --dpi N.
    int Dpi = kDefaultExportDpi;
    bool Export() const { return !ExportFile.isEmpty(); }
};

enum class TCommandLineAction {
    Run,     // start with Line
    Help,    // print Text on standard output and end with 0
    Version, // the same
    Error    // print Text on standard error and end with kCommandLineError
};

// The exit status of a command line that cannot be read.
constexpr int kCommandLineError = 2;

struct TCommandLineParse {
    TCommandLineAction Action = TCommandLineAction::Run;
    TCommandLine Line;
    QString Text;
};

// Reads the arguments, the program's name first as in argv.
TCommandLineParse ParseCommandLine(const QStringList& arguments);

// argv as text, in the system's encoding.
QStringList ArgumentsOf(int argc, char* argv[]);

// Prints what a Help, Version or Error parse says and gives the exit status.
int ReportCommandLine(const TCommandLineParse& parse);

// The export of --export: makes the main window as a start would, unseen,
// places the named pictures and writes the sheet. A failure, and any
// message the window would have shown, goes to standard error as one line
// and gives a status other than 0; nothing is left at the file then.
int ExportFromCommandLine(const TCommandLine& line);
