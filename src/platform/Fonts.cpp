#include "Fonts.h"

#include <QFontDatabase>
#include <fontconfig/fontconfig.h>
#include <future>

namespace {
// Waited for, if still running, when the program ends.
std::future<void>& FontSetUp() {
    static std::future<void> setUp;
    return setUp;
}
} // namespace

void StartFontSetUp() {
    if (!FontSetUp().valid())
        FontSetUp() = std::async(std::launch::async, [] { FcInit(); });
}

QString InstalledFamily(const QStringList& families) {
    // Two threads reading the configuration at once would each read it all.
    if (FontSetUp().valid())
        FontSetUp().wait();
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    return families.value(0);
}
