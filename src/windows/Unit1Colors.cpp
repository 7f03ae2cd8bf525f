// The colour commands of the main window: paper, mountain-fold,
// valley-fold and glue-flap colour, all through one colour dialog.
#include "ButtonEx.h"
#include "DesignSteps.h"
#include "Unit1.h"
#include "bag/QQRBag.h"
#include "platform/ColorDialog.h"

#include <QUndoStack>

void TForm1::CreateColorCommands() {
    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->setObjectName("ColorDialog1");
    for (TButtonEx* button : {ButtonEx2, ButtonEx5, ButtonEx6, ButtonEx7})
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { ButtonColorClick(button); });
}

// The pressed button's name picks the bag's colour to set. Each setter
// repaints the net at once; the layer is then repainted in full so the
// placed pictures stay on top.
void TForm1::ButtonColorClick(QObject* Sender) {
    if (!ColorDialog1->Execute())
        return;
    const QString name = Sender ? Sender->objectName() : QString();
    const TColor color = ColorDialog1->Color();
    if (name == QLatin1String("ButtonEx2"))
        ChangeBagColor(&TQRBag::Color, &TQRBag::SetColor, color);
    if (name == QLatin1String("ButtonEx5"))
        ChangeBagColor(&TQRBag::YamaoriColor, &TQRBag::SetYamaoriColor, color);
    if (name == QLatin1String("ButtonEx6"))
        ChangeBagColor(&TQRBag::TanioriColor, &TQRBag::SetTanioriColor, color);
    if (name == QLatin1String("ButtonEx7"))
        ChangeBagColor(&TQRBag::NorishiroColor, &TQRBag::SetNorishiroColor, color);
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
