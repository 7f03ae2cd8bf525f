#include "PrintElements.h"

#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "report/QRImage.h"
#include "report/QuickRep.h"

#include <QFileInfo>

namespace {
// Pictures are decoded by their file's extension, so it names their source.
bool IsJpegFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
}
} // namespace

// One run at a time stands on the page: elements of another run still
// standing would stay on it, and print pictures the user has since deleted.
void TPrintElements::CreatePrintImages(TQuickRep* page, const QList<TImageEx*>& placed) {
    Q_ASSERT_X(printImages_.isEmpty(), "CreatePrintImages", "a run's print pictures still stand");
    FreePrintImages();
    for (const TImageEx* image : placed) {
        if (image->IsPlaceholder())
            continue; // it stands for a picture that is not there
        auto* print = new TQRImage(page, page->Resolution());
        print->hide();
        print->SetPicture(image->Held());
        print->SetBounds(image->x() + 1, image->y() + 1, image->width(), image->height());
        print->SetStretch(image->Stretch());
        print->SetJpegSource(IsJpegFile(image->FileName()));
        printImages_.append(print);
    }
}

void TPrintElements::FreePrintImages() {
    for (TQRImage* print : printImages_)
        delete print;
    printImages_.clear();
}

// The front bag draws the lines and the flap again over the pictures, in the
// colours and fold styles chosen for the page's bag; its clear brush leaves
// the paper area, and so the pictures, alone. It is hidden before its look
// is set, so the setters do not paint it on the page.
void TPrintElements::CreateFrontBag(TQuickRep* page, const TQRBag* bag) {
    Q_ASSERT_X(!frontBag_, "CreateFrontBag", "a run's front bag still stands");
    FreeFrontBag();
    frontBag_ = new TQRBag(page, page->Resolution());
    frontBag_->hide();
    frontBag_->Assign(bag);
    frontBag_->Brush()->Style = TBrushStyle::Clear;
    frontBag_->SetYamaoriColor(bag->YamaoriColor());
    frontBag_->SetTanioriColor(bag->TanioriColor());
    frontBag_->SetNorishiroColor(bag->NorishiroColor());
    frontBag_->SetFoldStyles(bag->FoldStyles());
}

void TPrintElements::FreeFrontBag() {
    delete frontBag_;
    frontBag_ = nullptr;
}
