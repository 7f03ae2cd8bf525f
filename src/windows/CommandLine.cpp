#include "CommandLine.h"

#include "Unit1.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "report/QRExport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>

namespace {
struct TOptions {
    QCommandLineOption Help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("この説明を表示して終了します。")};
    QCommandLineOption Version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("バージョンを表示して終了します。")};
    QCommandLineOption Export{
        QStringLiteral("export"),
        QStringLiteral("ウィンドウが開く用紙を<ファイル>に書き出して終了します。"
                       "形式は拡張子で決まります (.pdf .svg .png .jpg)。"),
        QStringLiteral("ファイル")};
    QCommandLineOption Dpi{QStringLiteral("dpi"),
                           QStringLiteral("書き出す画像の解像度 (ドット/インチ、%1〜%2、既定 %3)。")
                               .arg(kMinExportDpi)
                               .arg(kMaxExportDpi)
                               .arg(kDefaultExportDpi),
                           QStringLiteral("N")};
    QList<const QCommandLineOption*> All() const { return {&Help, &Version, &Export, &Dpi}; }
};

const QString kFilesName = QStringLiteral("画像ファイル");

// "-h, --help" or "--export <ファイル>".
QString OptionColumn(const QCommandLineOption& option) {
    QStringList names;
    for (const QString& name : option.names())
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString column = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        column += QStringLiteral(" <%1>").arg(option.valueName());
    return column;
}

// Columns a text takes on a terminal: Japanese characters take two.
qsizetype DisplayWidth(const QString& text) {
    qsizetype width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 && !(c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) ? 2 : 1;
    return width;
}

// Help in Japanese whatever the toolkit's translations hold, laid out as
// the toolkit lays out its own: names in one column, descriptions beside.
QString HelpText(const TOptions& options, const QString& program) {
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption* option : options.All())
        rows.append({OptionColumn(*option), option->description()});
    const QPair<QString, QString> files{kFilesName,
                                        QStringLiteral("用紙に置く画像 (「開く」と同じ)。")};
    qsizetype width = DisplayWidth(files.first);
    for (const auto& row : rows)
        width = std::max(width, DisplayWidth(row.first));
    auto line = [width](const QPair<QString, QString>& row) {
        const QString pad(width - DisplayWidth(row.first), QLatin1Char(' '));
        return QStringLiteral("  %1%2  %3\n").arg(row.first, pad, row.second);
    };
    QString text = QStringLiteral("使い方: %1 [オプション] [%2...]\n").arg(program, kFilesName);
    text += QStringLiteral("紙袋の展開図を作って印刷します。\n\nオプション:\n");
    for (const auto& row : rows)
        text += line(row);
    text += QStringLiteral("\n引数:\n") + line(files);
    return text;
}

TCommandLineParse Failure(const QString& text) {
    TCommandLineParse parse;
    parse.Action = TCommandLineAction::Error;
    parse.Text = text;
    return parse;
}

// The parser's own error texts are in English; these say the same in the
// program's language.
// The only other failure of the parser is an option that takes a value
// given last, without one.
TCommandLineParse ParseFailure(const QCommandLineParser& parser, const QStringList& arguments) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return Failure(QStringLiteral("不明なオプションです: %1%2")
                           .arg(unknown.first().size() == 1 ? "-" : "--", unknown.first()));
    return Failure(QStringLiteral("オプション %1 の値がありません。").arg(arguments.last()));
}
} // namespace

TCommandLineParse ParseCommandLine(const QStringList& arguments) {
    const TOptions options;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QCommandLineOption* option : options.All())
        parser.addOption(*option);
    if (!parser.parse(arguments))
        return ParseFailure(parser, arguments);

    TCommandLineParse parse;
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("tesorin"))).fileName();
    if (parser.isSet(options.Help)) {
        parse.Action = TCommandLineAction::Help;
        parse.Text = HelpText(options, program);
        return parse;
    }
    if (parser.isSet(options.Version)) {
        parse.Action = TCommandLineAction::Version;
        parse.Text = ProgramCaption() + QLatin1Char('\n');
        return parse;
    }
    if (parser.isSet(options.Export)) {
        parse.Line.ExportFile = parser.value(options.Export);
        if (parse.Line.ExportFile.isEmpty())
            return Failure(QStringLiteral("--export に書き出すファイルの名前がありません。"));
    }
    if (parser.isSet(options.Dpi)) {
        bool ok = false;
        const QString value = parser.value(options.Dpi);
        parse.Line.Dpi = value.toInt(&ok);
        if (!ok || parse.Line.Dpi < kMinExportDpi || parse.Line.Dpi > kMaxExportDpi)
            return Failure(QStringLiteral("--dpi には %1 から %2 までの整数を指定してください: %3")
                               .arg(kMinExportDpi)
                               .arg(kMaxExportDpi)
                               .arg(value));
        if (!parse.Line.Export())
            return Failure(QStringLiteral("--dpi は --export と一緒に指定してください。"));
    }
    parse.Line.Files = parser.positionalArguments();
    return parse;
}

QStringList ArgumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int ReportCommandLine(const TCommandLineParse& parse) {
    const bool error = parse.Action == TCommandLineAction::Error;
    const QByteArray text = (error ? parse.Text + QLatin1Char('\n') : parse.Text).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), error ? stderr : stdout);
    return error ? kCommandLineError : 0;
}

namespace {
void PrintError(const QString& text) {
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}
} // namespace

int ExportFromCommandLine(const TCommandLine& line) {
    // Messages of the start (a data file that did not load, a picture that
    // cannot be opened) would be boxes on screen: here they end the export,
    // which would otherwise write a sheet that lacks what the user expects.
    QStringList messages;
    const TMessageSink previous =
        SetMessageSink([&messages](const QString& text) { messages.append(text); });
    const auto restore = qScopeGuard([&previous] { SetMessageSink(previous); });
    try {
        TForm1 form;
        form.OpenFiles(line.Files);
        if (!messages.isEmpty())
            throw EError(ExportFailure(line.ExportFile, messages.join(QStringLiteral(" / "))));
        form.ExportSheet(line.ExportFile, line.Dpi);
    } catch (const EError& e) {
        PrintError(e.Message().simplified());
        return 1;
    }
    return 0;
}
