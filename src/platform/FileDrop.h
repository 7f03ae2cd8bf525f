#pragma once
// TFileDrop: makes a control a target for files dragged from another program
// (a file manager): it takes a drag that carries local files and hands their
// paths, in the order the drag lists them, and the drop point in the
// control's coordinates to a handler. The files are offered as a copy, so
// the source never removes them. The handler runs once the drop has been
// answered, from the event loop. Drags inside the program (the move and
// resize gesture) do not pass through here.

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>

class QWidget;
class QMimeData;

using TFilesDropped = std::function<void(const QStringList& paths, QPoint at)>;

class TFileDrop : public QObject {
    Q_OBJECT
public:
    TFileDrop(QWidget* target, TFilesDropped onDrop);

    // The local files a drag carries, in its order; empty when there are none.
    static QStringList LocalFiles(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
    TFilesDropped onDrop_;
};
