#pragma once
// TQRProgressForm: the small window shown while a page is printed directly.
// It is the printer's client for the run: it receives PageAvailable and
// ProgressUpdate, and its cancel button sets the printer's cancelled flag.
// TQRCreateReportThread: the worker that runs a preview's report.

#include <QDialog>
#include <QString>
#include <QThread>

class QLabel;
class QProgressBar;
class QPushButton;
class TQRPrinter;
class TQuickRep;

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
    TQRCreateReportThread(TQuickRep* report, TQRPrinter* printer)
        : report_(report), printer_(printer) {}
    // The text of an error that ended the run, empty after a clean run.
    const QString& Error() const { return error_; }

protected:
    void run() override;

private:
    TQuickRep* report_;
    TQRPrinter* printer_;
    QString error_;
};
