#include "QRProgress.h"

#include "QRPrinter.h"
#include "QuickRepRun.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

TQRProgressForm::TQRProgressForm(TQRPrinter* printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint),
      printer_(printer), bar_(new QProgressBar(this)), info_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("キャンセル"), this)) {
    setWindowTitle(QStringLiteral("印刷中"));
    setFixedSize(149, 94);
    bar_->setGeometry(8, 8, 133, 16);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    info_->setGeometry(8, 30, 133, 16);
    info_->setAlignment(Qt::AlignCenter);
    cancel_->setGeometry(37, 56, 75, 25);
    // A Space or Return meant for the main window must not cancel the print.
    cancel_->setAutoDefault(false);
    cancel_->setFocusPolicy(Qt::NoFocus);
    connect(cancel_, &QPushButton::clicked, this, &TQRProgressForm::Cancel);
    if (const QScreen* s = screen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

void TQRProgressForm::PageAvailable(int) {}

void TQRProgressForm::ProgressUpdate(int percent) {
    if (percent % 5 != 0)
        return;
    bar_->setValue(percent);
    info_->setText(QString::number(percent) + QStringLiteral("% ") + QStringLiteral("完了"));
}

void TQRProgressForm::reject() {
    Cancel();
}

// The button stays pressed in: the run has been told and is stopping.
void TQRProgressForm::Cancel() {
    printer_->Cancel();
    cancel_->setEnabled(false);
}

TQRCreateReportThread::TQRCreateReportThread(std::unique_ptr<TQRReportRun> run,
                                             std::function<void()> then)
    : run_(std::move(run)), then_(std::move(then)) {
    connect(&watcher_, &QFutureWatcherBase::finished, this, &TQRCreateReportThread::Ended);
}

TQRCreateReportThread::~TQRCreateReportThread() {
    if (!future_.isFinished())
        Cancel();
    Wait();
}

void TQRCreateReportThread::Start() {
    handOff_.Give();
    future_ = RunLongOnWorker([this](QPromise<void>& promise) { Work(promise); });
    watcher_.setFuture(future_);
}

// Every error of the run is kept for the caller; none leaves the worker.
void TQRCreateReportThread::Work(QPromise<void>& promise) {
    handOff_.Take();
    try {
        run_->GenerateReport([&promise] { return promise.isCanceled(); });
        if (then_ && !promise.isCanceled() && !run_->Printer()->Cancelled())
            then_();
    } catch (...) {
        error_ = std::current_exception();
    }
    handOff_.Give();
}

void TQRCreateReportThread::Cancel() {
    future_.cancel();
    run_->Printer()->Cancel();
}

void TQRCreateReportThread::Wait() {
    future_.waitForFinished();
    handOff_.Take();
}

std::exception_ptr TQRCreateReportThread::Error() const {
    handOff_.Take();
    return error_;
}
