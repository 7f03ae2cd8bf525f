#pragma once
// One running program per data folder. The first start takes a lock file in
// the folder and listens on a local socket named after the folder; a later
// start finds the lock taken, hands its files (absolute paths) to the first
// over that socket and ends. A lock left by a killed program is taken over.
//
// The message is a list of absolute paths, whatever they name; the running
// program decides what to do with each.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class TRole {
        First,    // holds the lock and listens
        Second,   // another program holds the lock
        Unlocked, // the folder takes no lock file (it cannot be written)
    };
    // `folder` with its trailing separator.
    explicit TSingleInstance(const QString& folder, QObject* parent = nullptr);
    ~TSingleInstance() override;
    TRole Role() const { return role_; }

    // Second: hands `paths` to the running program and waits up to
    // `timeoutMs` for it to take them. False, with the reason in `error`,
    // when it cannot be reached.
    bool HandOver(const QStringList& paths, int timeoutMs, QString* error) const;

    // The lock file's and the socket's names, for tests.
    static QString LockName();
    static QString ServerName(const QString& folder);

signals:
    // First: another start handed these paths over.
    void FilesArrived(const QStringList& paths);

private:
    void Listen();
    void Receive(class QLocalSocket* socket);

    QString folder_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
    TRole role_ = TRole::Unlocked;
};
