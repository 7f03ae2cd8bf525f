// A drag source of the test's own, in another X client than the program: a
// small window that, when pressed, drags the files named on its command line
// (as a file manager does, offering a copy) to whatever window lies under
// the pointer, over the window system's drag-and-drop protocol. Each answer
// the window under the pointer sends back is written to standard output as
// "answer", so that a test knows when the last position has been taken.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

// Watches for the drop target's status messages (XdndStatus).
class TAnswerWatch : public QAbstractNativeEventFilter {
public:
    explicit TAnswerWatch(xcb_connection_t* c) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 10, "XdndStatus"), nullptr);
        status_ = reply ? reply->atom : XCB_NONE;
        std::free(reply);
    }
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<const xcb_client_message_event_t*>(event)->type == status_) {
            std::puts("answer");
            std::fflush(stdout);
        }
        return false;
    }

private:
    xcb_atom_t status_;
};

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
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return 1;
    TAnswerWatch answers(x11->connection());
    app.installNativeEventFilter(&answers);
    TDragSource source(app.arguments().mid(1));
    source.setWindowTitle(QStringLiteral("drag source"));
    source.setGeometry(1080, 880, 150, 100);
    source.show();
    return app.exec();
}
