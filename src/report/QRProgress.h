#pragma once
// TQRProgressForm: the small window shown while a page is printed directly.
// It is the printer's client for the run: it receives PageAvailable and
// ProgressUpdate, and its cancel button sets the printer's cancelled flag.
// TQRCreateReportThread: the worker that runs a preview's report; it owns
// the run, and with it the run's printer and page store.

#include <QDialog>
#include <QString>
#include <QThread>
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

private:
    TQRPrinter* printer_;
    QProgressBar* bar_;
    QLabel* info_;
    QPushButton* cancel_;
};

class TQRCreateReportThread : public QThread {
    Q_OBJECT
public:
    explicit TQRCreateReportThread(std::unique_ptr<TQRReportRun> run);
    // Waits for the run to end.
    ~TQRCreateReportThread() override;
    TQRReportRun& Run() const { return *run_; }
    // The text of an error that ended the run, empty after a clean run; read
    // it once the worker has ended.
    const QString& Error() const { return error_; }

protected:
    void run() override;

private:
    std::unique_ptr<TQRReportRun> run_;
    QString error_;
};
