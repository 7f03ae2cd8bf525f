#include "LoadReport.h"

#include "bag/CommonRecords.h"

#include <QDir>

namespace {
constexpr int kNamedFailures = 10;
} // namespace

QString PictureFailureLine(const QString& path, const QString& reason) {
    const QString shown = QDir::toNativeSeparators(path);
    return reason.contains(path) || reason.contains(shown) ? reason
                                                           : shown + QStringLiteral(": ") + reason;
}

void TLoadReport::PictureFailed(const QString& path, const QString& reason) {
    failures_.append(PictureFailureLine(path, reason));
}

QString TLoadReport::Message() const {
    QStringList lines{QStringLiteral("ファイル読み込みエラー")};
    lines += failures_.mid(0, kNamedFailures);
    if (failures_.size() > kNamedFailures)
        lines.append(QStringLiteral("ほか %1 件").arg(failures_.size() - kNamedFailures));
    if (unplaced_ > 0)
        lines.append(QStringLiteral("画像は %1 枚までです。ほかの %2 件は表示せずに保存します")
                         .arg(MaxPlacedImages)
                         .arg(unplaced_));
    return lines.join(QLatin1Char('\n'));
}
