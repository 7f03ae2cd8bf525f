#pragma once
// TPrintElements: what a print or preview run of the main window stands on
// the report page for the length of the run: one hidden print picture per
// placed picture and, when the lines print in front of the pictures, a
// second bag after them (the front bag).

#include <QList>

class TImageEx;
class TQRBag;
class TQRImage;
class TQuickRep;

class TPrintElements {
public:
    // One print picture per placed picture, in the order of the list;
    // placeholders print nothing. The image layer lies one pixel inside the
    // page's top-left corner.
    void CreatePrintImages(TQuickRep* page, const QList<TImageEx*>& placed);
    void FreePrintImages();
    // The front bag takes the placement, the line and flap colours and the
    // fold styles of `bag`.
    void CreateFrontBag(TQuickRep* page, const TQRBag* bag);
    void FreeFrontBag();

    const QList<TQRImage*>& PrintImages() const { return printImages_; }
    TQRBag* FrontBag() const { return frontBag_; }

private:
    QList<TQRImage*> printImages_;
    TQRBag* frontBag_ = nullptr;
};
