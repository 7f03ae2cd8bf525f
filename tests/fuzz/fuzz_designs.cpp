// Fuzz target of the design reader. Each input is written to a design file
// and read as "デザインを開く…" reads it; every picture of a design that
// reads is decoded from its bytes, as the window places it. Any input must
// give a design or an EError, within the room given.
#include "bag/DesignFile.h"
#include "platform/Errors.h"
#include "platform/PictureLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>

namespace {
constexpr qint64 kRoom = 16 << 20;

QString InputPath() {
    static const QString path = [] {
        const QString folder =
            QDir::tempPath() +
            QStringLiteral("/fuzz_designs_%1").arg(QCoreApplication::applicationPid());
        QDir().mkpath(folder);
        return folder + QStringLiteral("/input.tesorin");
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    static int argc = 1;
    static char* args[] = {(*argv)[0], nullptr};
    new QCoreApplication(argc, args);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QFile file(InputPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    try {
        const TDesign design = ReadDesignFile(InputPath(), kRoom);
        qint64 bytes = 0;
        for (const TDesignPicture& p : design.Pictures) {
            bytes += p.Bytes.size();
            if (p.Width < 0 || p.Height < 0)
                std::abort();
            try {
                LoadPictureBytes(p.Bytes, p.Path, kRoom);
            } catch (const EError&) {
            }
        }
        if (bytes > kRoom || design.Pictures.size() > MaxPlacedImages)
            std::abort();
    } catch (const EError&) {
    }
    return 0;
}
