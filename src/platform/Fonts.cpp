#include "Fonts.h"

#include "Worker.h"

#include <QFontDatabase>
#include <QFuture>
#include <fontconfig/fontconfig.h>
#include <utility>

namespace {
// Ready until StartFontSetUp starts it; the application waits for the
// global thread pool, and so for it, when it ends.
QFuture<void>& FontSetUp() {
    static QFuture<void> setUp = QtFuture::makeReadyFuture();
    return setUp;
}
} // namespace

void StartFontSetUp() {
    static bool started = false;
    if (!std::exchange(started, true))
        FontSetUp() = RunOnWorker([] { FcInit(); });
}

QString InstalledFamily(const QStringList& families) {
    // Two threads reading the configuration at once would each read it all.
    FontSetUp().waitForFinished();
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    return families.value(0);
}
