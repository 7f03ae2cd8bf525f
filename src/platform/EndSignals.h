#pragma once
// TEndSignals: SIGTERM, SIGHUP and SIGINT delivered as a Qt signal on the
// thread that made the object. The handler only writes the signal's number
// into a pipe (the one thing a handler may safely do); a socket notifier
// reads it in the event loop, so the program can save and end in order. One
// object at a time; its destruction puts the previous handlers back.

#include <QObject>
#include <csignal>

class QSocketNotifier;

class TEndSignals : public QObject {
    Q_OBJECT
public:
    explicit TEndSignals(QObject* parent = nullptr);
    ~TEndSignals() override;
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

signals:
    void Received(int signal);

private:
    void Read();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3] = {};
};
