#include "CommonWidgets.h"

#include "CommonPaper.h"

#include <QComboBox>
#include <QString>

void FillPaperSizeCombo(QComboBox* combo, int index) {
    for (const TPaperSize& row : PaperSizes)
        combo->addItem(QString::fromLatin1(row.Name));
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}
