#include "QRExport.h"

QString ExportFailure(const QString& fileName, const QString& reason) {
    return QStringLiteral("%1 を書き出せません: %2").arg(fileName, reason);
}
