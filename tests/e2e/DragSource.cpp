// A drag source of the test's own, in another X client than the program: a
// small window that, when pressed, drags the files named on its command line
// (as a file manager does, offering a copy) to whatever window lies under
// the pointer, over the window system's drag-and-drop protocol.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

class TDragSource : public QWidget {
public:
    explicit TDragSource(const QStringList& paths) : paths_(paths) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        QList<QUrl> urls;
        for (const QString& p : paths_)
            urls.append(QUrl::fromLocalFile(p));
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    }

private:
    QStringList paths_;
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TDragSource source(app.arguments().mid(1));
    source.setWindowTitle(QStringLiteral("drag source"));
    source.setGeometry(1080, 880, 150, 100);
    source.show();
    return app.exec();
}
