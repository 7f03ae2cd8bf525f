#include "QRProgress.h"

#include "../platform/Errors.h"
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
    connect(cancel_, &QPushButton::clicked, this, [this] { printer_->Cancel(); });
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

TQRCreateReportThread::TQRCreateReportThread(std::unique_ptr<TQRReportRun> run)
    : run_(std::move(run)) {}

TQRCreateReportThread::~TQRCreateReportThread() {
    wait();
}

void TQRCreateReportThread::run() {
    try {
        run_->GenerateReport();
    } catch (const EError& e) {
        error_ = e.Message();
    } catch (const std::exception& e) {
        error_ = QString::fromLocal8Bit(e.what());
    }
}
