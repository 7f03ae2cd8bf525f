#include "XSession.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>

XSession::XSession() = default;

XSession::~XSession() {
    wm_.kill();
    wm_.waitForFinished(3000);
    xvfb_.terminate();
    if (!xvfb_.waitForFinished(3000))
        xvfb_.kill();
}

QProcessEnvironment XSession::Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    env.remove("QT_QPA_PLATFORM");
    // Window titles are Japanese: the X tools must read and print UTF-8.
    env.insert("LC_ALL", "C.UTF-8");
    return env;
}

bool XSession::Start(QString* error, const QString& screen) {
    // -displayfd lets the server pick a free display number and tell us.
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    if (!xvfb_.waitForStarted(5000)) {
        *error = "Xvfb did not start";
        return false;
    }
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (!out.contains('\n') && t.elapsed() < 10000) {
        xvfb_.waitForReadyRead(200);
        out += xvfb_.readAllStandardOutput();
    }
    if (!out.contains('\n')) {
        *error = "Xvfb did not report a display";
        return false;
    }
    display_ = ":" + QString::fromLatin1(out.trimmed());
    wm_.setProcessEnvironment(Env());
    wm_.setProcessChannelMode(QProcess::MergedChannels);
    wm_.start("openbox", {});
    if (!wm_.waitForStarted(5000)) {
        *error = "openbox did not start";
        return false;
    }
    // wmctrl names the window manager once it has taken the screen; on a
    // busy machine that may take a while.
    if (!WaitUntil([this] { return Run("wmctrl", {"-m"}).contains("Name:"); }, 30000)) {
        *error = wm_.state() == QProcess::Running
                     ? QStringLiteral("openbox did not take the screen")
                     : "openbox ended: " + QString::fromLocal8Bit(wm_.readAll());
        return false;
    }
    return true;
}

QString XSession::Run(const QString& program, const QStringList& args, int* exitCode) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Managed top-level windows as the window manager lists them: id, title.
QList<QPair<QString, QString>> XSession::Windows() const {
    QList<QPair<QString, QString>> list;
    const QStringList lines = Run("wmctrl", {"-l"}).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        if (f.size() >= 4)
            list.append({f[0], f.mid(3).join(' ')});
    }
    return list;
}

QString XSession::WaitForWindow(const QString& titleRegex, int ms) const {
    const QRegularExpression re(titleRegex);
    QString id;
    // Managed is not yet painted: the window found must be viewable. A
    // window can be listed an instant before the toolkit replaces it by
    // another of the same title; the search then goes on.
    const bool viewable = WaitUntil(
        [&] {
            id.clear();
            for (const auto& w : Windows())
                if (re.match(w.second).hasMatch())
                    id = w.first;
            return !id.isEmpty() && Run("xwininfo", {"-id", id}).contains("IsViewable");
        },
        ms);
    return viewable ? id : QString();
}

bool XSession::WaitForWindowGone(const QString& titleRegex, int ms) const {
    const QRegularExpression re(titleRegex);
    return WaitUntil(
        [&] {
            const auto windows = Windows();
            return std::none_of(windows.begin(), windows.end(),
                                [&re](const auto& w) { return re.match(w.second).hasMatch(); });
        },
        ms);
}

bool XSession::WaitForFocus(const QString& windowId, int ms) const {
    // xdotool names the focused window in decimal, wmctrl in hex.
    const auto focused = [&] {
        return Run("xdotool", {"getwindowfocus"}).trimmed().toULongLong() ==
               windowId.toULongLong(nullptr, 16);
    };
    return !windowId.isEmpty() && WaitUntil(focused, ms);
}

QString XSession::WaitForFocusedWindow(const QString& titleRegex, int ms) const {
    const QString id = WaitForWindow(titleRegex, ms);
    return WaitForFocus(id, ms) ? id : QString();
}

// The window manager marks a window active before the program has taken
// the focus it offers: the keys wait for the focus itself.
bool XSession::Activate(const QString& windowId) const {
    Run("xdotool", {"windowactivate", windowId});
    return WaitForFocus(windowId, 10000);
}

QRect XSession::Geometry(const QString& windowId) const {
    // xwininfo reports the client's absolute position under a reparenting
    // window manager correctly.
    const QString out = Run("xwininfo", {"-id", windowId});
    auto value = [&out](const char* key) {
        const QRegularExpression re(QString("%1:\\s+(-?\\d+)").arg(key));
        return re.match(out).captured(1).toInt();
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height"));
}

QMargins XSession::FrameExtents(const QString& windowId) const {
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QString out = Run("xprop", {"-id", windowId, "_NET_FRAME_EXTENTS"});
    const QRegularExpressionMatch m =
        QRegularExpression("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)").match(out);
    if (!m.hasMatch())
        return {};
    return QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(),
                    m.captured(4).toInt());
}

void XSession::MoveMouse(QPoint p) const {
    // No --sync: it waits for a move even when the pointer is already there.
    // xdotool syncs with the server as it closes, which orders the steps.
    Run("xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y())});
}

void XSession::Click(QPoint p, int button) const {
    MoveMouse(p);
    Run("xdotool", {"click", QString::number(button)});
}

void XSession::Drag(QPoint from, QPoint to) const {
    MoveMouse(from);
    Run("xdotool", {"mousedown", "1"});
    // Move in steps, as a hand does, so the drag threshold and drag-over run.
    for (int i = 1; i <= 10; ++i)
        MoveMouse(from + (to - from) * i / 10);
    Run("xdotool", {"mouseup", "1"});
}

void XSession::Key(const QString& keys) const {
    Run("xdotool", {"key", "--clearmodifiers", keys});
}

void XSession::Type(const QString& text) const {
    Run("xdotool", {"type", "--delay", "20", text});
}

void XSession::CloseWindow(const QString& windowId) const {
    Run("wmctrl", {"-i", "-c", windowId});
}

QImage XSession::Screenshot() const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start("import", {"-silent", "-window", "root", "png:-"});
    p.waitForFinished(30000);
    return QImage::fromData(p.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
}

QImage XSession::ScreenshotWhen(const std::function<bool(const QImage&)>& ready, int ms) const {
    QImage shot;
    WaitUntil(
        [&] {
            shot = Screenshot();
            return !shot.isNull() && ready(shot);
        },
        ms);
    return shot;
}

bool XSession::WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (done())
            return true;
        if (t.elapsed() >= ms)
            return false;
        QThread::msleep(50);
    }
}
