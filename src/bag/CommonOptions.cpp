#include "CommonOptions.h"

#include "CommonFiles.h"

#include <QSettings>
#include <memory>

namespace {
const QString kFoldStylesKey = QStringLiteral("Print/FoldStyles");

std::unique_ptr<QSettings> OpenOptions() {
    const QString folder = OverriddenDataFolder();
    if (!folder.isEmpty())
        return std::make_unique<QSettings>(folder + QStringLiteral("Tesorin.conf"),
                                           QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Tesorin"),
                                       QStringLiteral("Tesorin"));
}
} // namespace

bool ReadFoldStylesOption() {
    return OpenOptions()->value(kFoldStylesKey, false).toBool();
}

bool WriteFoldStylesOption(bool on) {
    const std::unique_ptr<QSettings> options = OpenOptions();
    options->setValue(kFoldStylesKey, on);
    options->sync();
    return options->status() == QSettings::NoError;
}
