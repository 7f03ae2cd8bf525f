// Fuzz target of picture loading. Each input is written to a file and loaded
// by its name, as a placed picture is; its first byte picks the extension,
// and by its top bit whether the picture is loaded for a small stretched
// control (which decodes a JPEG reduced) or at its own size.
// What loads must be safe to draw (every pixel value of a palette picture
// has a colour) and is then drawn as a placed picture draws it, at natural
// size and stretched. The toolkit's decoders and drawing are not built with
// the sanitizers, so the check of the loaded picture is what catches a
// picture that would make them read past its colour table.
#include "platform/Errors.h"
#include "platform/PictureControl.h"
#include "platform/PictureLoader.h"
#include "platform/PictureMemory.h"
#include "platform/ShownCache.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
// Enough for every picture of the seeds; larger headers are refused before
// decoding, which keeps each run short. The memory budget bounds the decodes
// made after loading (the whole picture, as print asks for it) alike.
constexpr qint64 kRoom = 16 << 20;
const char* const kExtensions[] = {"bmp", "png", "jpg", "gif", "jpeg", "BMP"};

// The run's own folder, under the temporary one.
const QString& RunFolder() {
    static const QString folder = [] {
        const QString f =
            QDir::tempPath() +
            QStringLiteral("/fuzz_pictures_%1").arg(QCoreApplication::applicationPid());
        QDir().mkpath(f);
        return f;
    }();
    return folder;
}

QString InputPath(quint8 selector) {
    const QString& folder = RunFolder();
    const char* ext = kExtensions[selector % std::size(kExtensions)];
    return folder + QStringLiteral("/input.") + QLatin1String(ext);
}

// Every value that a pixel of the depth can hold has a colour.
bool PaletteCoversPixels(const QImage& picture) {
    return picture.colorCount() >= (1 << picture.depth());
}

bool IsSafe(const QImage& picture) {
    if (picture.isNull() || qint64(picture.width()) * picture.height() > MaxPicturePixels ||
        picture.sizeInBytes() > kRoom)
        return false;
    const QImage::Format f = picture.format();
    const bool palette =
        f == QImage::Format_Indexed8 || f == QImage::Format_Mono || f == QImage::Format_MonoLSB;
    return !palette || PaletteCoversPixels(picture);
}

void Draw(TPictureControl& control, QSize size, bool stretch) {
    control.resize(size);
    control.SetStretch(stretch);
    QImage surface(size, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::white);
    control.render(&surface);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* args[] = {(*argv)[0], nullptr};
    new QApplication(argc, args);
    SetPictureMemoryBudget(kRoom);
    // Pixels kept from an earlier run would stand in for decodes: each run
    // starts with none.
    SetShownCacheFolder(RunFolder() + QStringLiteral("/shown"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QString path = InputPath(data[0]);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    file.close();
    // One control for every run, as a placed picture takes its picture.
    static TPictureControl control;
    control.SetPicture(QImage());
    const bool small = (data[0] & 0x80) != 0;
    control.resize(small ? QSize(7, 61) : QSize(105, 105));
    control.SetStretch(small);
    QImage picture;
    try {
        control.LoadFromFile(path, kRoom);
        picture = control.Picture();
    } catch (const EError&) {
        return 0;
    }
    if (!IsSafe(picture)) {
        std::fprintf(stderr, "loaded picture not safe to draw\n");
        std::abort();
    }
    Draw(control, QSize(105, 105), false);
    Draw(control, QSize(105, 105), true);
    Draw(control, QSize(7, 61), true);
    return 0;
}
