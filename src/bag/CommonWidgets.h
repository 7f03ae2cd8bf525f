#pragma once
// The widget helpers of the shared unit Common.

class QComboBox;

// Appends the table's names to the list, then selects row `index` (-1: none).
void FillPaperSizeCombo(QComboBox* combo, int index);
