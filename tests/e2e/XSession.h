#pragma once
// XSession: a private X server (Xvfb) with a light window manager, and the
// few things a person does on it: click, type, press keys, close a window
// with its close box, and look at the screen. Used by the end-to-end test
// that drives the real program binary.

#include <QImage>
#include <QList>
#include <QMargins>
#include <QPair>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class XSession {
public:
    XSession();
    ~XSession();
    // Starts the server with one screen of the given size and depth, and the
    // window manager on it.
    bool Start(QString* error, const QString& screen = QStringLiteral("1280x1024x24"));
    QString Display() const { return display_; }

    // Runs a command on this display; returns its standard output.
    QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr) const;
    QList<QPair<QString, QString>> Windows() const;
    // Id of the first visible window whose title matches, waiting up to ms.
    QString WaitForWindow(const QString& titleRegex, int ms = 10000) const;
    bool WaitForWindowGone(const QString& titleRegex, int ms = 10000) const;
    // As WaitForWindow, and then until the window holds the keyboard focus,
    // so that keys pressed next reach it; empty if it never does.
    QString WaitForFocusedWindow(const QString& titleRegex, int ms = 10000) const;
    // Asks the window manager to activate the window; true once it holds
    // the keyboard focus.
    bool Activate(const QString& windowId) const;
    // Screen rectangle of a window's client area.
    QRect Geometry(const QString& windowId) const;
    // The frame the window manager put around a window (title bar on top).
    QMargins FrameExtents(const QString& windowId) const;

    // Each step returns once the X server has taken it; the program may not
    // have handled it yet: wait for its effect (a window, the screen).
    void MoveMouse(QPoint screen) const;
    void Click(QPoint screen, int button = 1) const;
    void Drag(QPoint from, QPoint to) const;
    void Key(const QString& keys) const;
    void Type(const QString& text) const;
    void CloseWindow(const QString& windowId) const;
    QImage Screenshot() const;
    // Takes screenshots until one satisfies `ready` (or ms have passed) and
    // returns the last one taken: the test waits for what it will look at.
    QImage ScreenshotWhen(const std::function<bool(const QImage&)>& ready, int ms = 10000) const;
    // Polls `done` every few milliseconds until it holds; false after ms.
    static bool WaitUntil(const std::function<bool()>& done, int ms = 10000);

private:
    QProcessEnvironment Env() const;
    bool WaitForFocus(const QString& windowId, int ms) const;
    QProcess xvfb_;
    QProcess wm_;
    QString display_;
};
