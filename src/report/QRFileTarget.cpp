#include "QRFileTarget.h"

#include "../platform/Messages.h"
#include "QRMedia.h"
#include "QRPrinterService.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
struct TSheetType {
    const char* Filter;
    const char* Suffix;
};
const TSheetType kSheetTypes[] = {{"PDFファイル (*.pdf)", "pdf"},
                                  {"SVGファイル (*.svg)", "svg"},
                                  {"PNG画像 (*.png)", "png"},
                                  {"JPEG画像 (*.jpg *.jpeg)", "jpg"}};

// The folder the dialog opens in: the last one a sheet went to, else the
// user's documents.
QString& LastFolder() {
    static QString folder;
    return folder;
}

QString StartFolder() {
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        return LastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The name typed so far with the chosen type's extension.
void FollowType(QFileDialog& dialog, const QString& filter) {
    for (const TSheetType& type : kSheetTypes) {
        if (filter != QString::fromUtf8(type.Filter))
            continue;
        const QString suffix = QString::fromLatin1(type.Suffix);
        dialog.setDefaultSuffix(suffix);
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty() && !chosen.first().isEmpty() && !QFileInfo(chosen.first()).isDir())
            dialog.selectFile(QFileInfo(chosen.first()).completeBaseName() + '.' + suffix);
    }
}
} // namespace

QString SheetFileTargetName() {
    return QStringLiteral("PDFファイル");
}

QString SheetFileDefaultName(TQRPaperSize paper) {
    return QStringLiteral("ふくろ-%1.pdf").arg(PaperName(paper));
}

QString AskSheetFileName(QWidget* parent, TQRPaperSize paper) {
    QFileDialog dialog(parent, QStringLiteral("ファイルに保存"));
    dialog.setObjectName("SaveSheetDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const TSheetType& type : kSheetTypes)
        filters.append(QString::fromUtf8(type.Filter));
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setDirectory(StartFolder());
    dialog.selectFile(SheetFileDefaultName(paper));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { FollowType(dialog, filter); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString name = dialog.selectedFiles().first();
    LastFolder() = QFileInfo(name).absolutePath();
    return name;
}

bool OfferSheetFile(QWidget* parent) {
    return AskToGoOn(parent, NoPrinterMessage(), QStringLiteral("ファイルに保存(&S)..."));
}
