#include "FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

TFileDrop::TFileDrop(QWidget* target, TFilesDropped onDrop)
    : QObject(target), target_(target), onDrop_(std::move(onDrop)) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QStringList TFileDrop::LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    return paths;
}

namespace {
// A copy is the only action taken; a drag that cannot copy is refused.
bool OfferCopy(QDropEvent* event) {
    if (!(event->possibleActions() & Qt::CopyAction) ||
        TFileDrop::LocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}
} // namespace

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        OfferCopy(static_cast<QDropEvent*>(event));
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (OfferCopy(drop)) {
            // Taken once the drop is answered: the source program is not
            // kept waiting while a failed file's message is on screen.
            QMetaObject::invokeMethod(
                this,
                [this, paths = LocalFiles(drop->mimeData()), at = drop->position().toPoint()] {
                    onDrop_(paths, at);
                },
                Qt::QueuedConnection);
        }
        return true;
    }
    default:
        return false;
    }
}
