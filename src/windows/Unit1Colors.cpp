// The colour commands of the main window: paper, mountain-fold,
// valley-fold and glue-flap colour, all through one colour dialog.
#include "ButtonEx.h"
#include "DesignSteps.h"
#include "Unit1.h"
#include "bag/QQRBag.h"
#include "platform/ColorDialog.h"

#include <QUndoStack>
#include <algorithm>
#include <iterator>

namespace {
// Each colour button and the colour of the bag it chooses.
struct TColourTarget {
    const char* Button;
    TColor (TQRBag::*Get)() const;
    void (TQRBag::*Set)(TColor);
};
constexpr TColourTarget kColourTargets[] = {
    {"ButtonEx2", &TQRBag::Color, &TQRBag::SetColor},
    {"ButtonEx5", &TQRBag::YamaoriColor, &TQRBag::SetYamaoriColor},
    {"ButtonEx6", &TQRBag::TanioriColor, &TQRBag::SetTanioriColor},
    {"ButtonEx7", &TQRBag::NorishiroColor, &TQRBag::SetNorishiroColor},
};
} // namespace

void TForm1::CreateColorCommands() {
    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->setObjectName("ColorDialog1");
    for (TButtonEx* button : {ButtonEx2, ButtonEx5, ButtonEx6, ButtonEx7})
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { ButtonColorClick(button); });
}

// The pressed button's name picks the bag's colour to set. The dialog opens
// on that colour, so confirming it unchanged changes nothing.
void TForm1::ButtonColorClick(QObject* Sender) {
    const QString name = Sender ? Sender->objectName() : QString();
    const auto* target =
        std::find_if(std::begin(kColourTargets), std::end(kColourTargets),
                     [&name](const TColourTarget& t) { return name == QLatin1String(t.Button); });
    if (target == std::end(kColourTargets))
        return;
    ColorDialog1->SetColor((QRBag1->*target->Get)());
    if (!ColorDialog1->Execute())
        return;
    ChangeBagColor(target->Get, target->Set, ColorDialog1->Color());
}

// A new colour is one undo step.
void TForm1::ChangeBagColor(TBagColorGetter get, TBagColorSetter set, TColor color) {
    const TColor now = (QRBag1->*get)();
    if (now == color)
        return;
    undoStack_->push(new TValueStep<TColor>(now, color, [this, set](const TColor& c) {
        (QRBag1->*set)(c);
        RefreshLayer();
    }));
}
