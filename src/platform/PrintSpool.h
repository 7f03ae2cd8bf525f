#pragma once
// A print job's document held back in a file of its own until it is complete.
//
// Qt hands a CUPS printer's document to the print server when its painter
// ends, and QPrinter::abort() does not stop that: an abandoned job would
// still reach the queue. Here the printer's engine writes into the spool file
// instead, and the document goes to the printer's queue only when Submit is
// called; a spool dropped without that takes its file with it and nothing
// reaches the queue.

#include <QString>
#include <QTemporaryFile>

class QPrinter;

class TPrintSpool {
public:
    // Points the printer's document at the spool file; call before its
    // painter begins.
    explicit TPrintSpool(QPrinter& printer);
    TPrintSpool(const TPrintSpool&) = delete;
    TPrintSpool& operator=(const TPrintSpool&) = delete;

    const QString& FileName() const { return fileName_; }
    // The complete document to the printer's queue under the title, with the
    // options Qt gives a job of its own (paper, copies, sides, orientation
    // and the printer's CUPS options). False when the server refused it.
    bool Submit(const QPrinter& printer, const QString& title) const;

private:
    QTemporaryFile file_;
    QString fileName_;
};
