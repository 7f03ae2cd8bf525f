#pragma once
// TQRProgressForm: the small window shown while a page is printed directly.
// It is the printer's client for the run: it receives PageAvailable and
// ProgressUpdate, and its cancel button (or Esc) sets the printer's
// cancelled flag; it stays until the run has ended.
// TQRCreateReportThread: the worker that runs a print or preview run on the
// pool of the long runs; it owns the run, and with it the run's printer and page store.

#include "../platform/Worker.h"

#include <QDialog>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <exception>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class TQRPrinter;
class TQRReportRun;

class TQRProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TQRProgressForm(TQRPrinter* printer, QWidget* parent = nullptr);

    QProgressBar* ProgressBar() const { return bar_; }
    QLabel* Info() const { return info_; }
    QPushButton* CancelButton() const { return cancel_; }

public slots:
    void PageAvailable(int pages);
    void ProgressUpdate(int percent);
    // Esc cancels the run; the window closes when the run has ended.
    void reject() override;

private:
    void Cancel();

    TQRPrinter* printer_;
    QProgressBar* bar_;
    QLabel* info_;
    QPushButton* cancel_;
};

class TQRCreateReportThread : public QObject {
    Q_OBJECT
public:
    // `then`, when given, runs on the worker after a run that ended neither
    // cancelled nor failed; its error is the run's.
    explicit TQRCreateReportThread(std::unique_ptr<TQRReportRun> run,
                                   std::function<void()> then = {});
    // Cancels a run still going and waits for it to end.
    ~TQRCreateReportThread() override;
    TQRReportRun& Run() const { return *run_; }

    // Starts the run on a worker of the long runs' pool; Ended follows on this
    // object's thread once it has ended.
    void Start();
    // Asks the run to stop at its next check; it abandons its document.
    void Cancel();
    bool Cancelling() const { return future_.isCanceled(); }
    bool Finished() const { return future_.isFinished(); }
    // Waits for the run to end. The error that ended it, if any, is kept.
    void Wait();
    // The error that ended the run, none after a clean one; read it once
    // the run has ended.
    std::exception_ptr Error() const;

signals:
    void Ended();

private:
    void Work(QPromise<void>& promise);
    // The start and the end of the run, as ThreadSanitizer is told of them.
    mutable THandOffPoint handOff_;

    std::unique_ptr<TQRReportRun> run_;
    std::function<void()> then_;
    QFuture<void> future_;
    QFutureWatcher<void> watcher_;
    std::exception_ptr error_;
};
