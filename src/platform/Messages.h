#pragma once
// Message box with an OK button. Tests replace the box by a sink that
// records the text, so that no modal box blocks them.

#include <QString>
#include <functional>

class QWidget;

using TMessageSink = std::function<void(const QString& text)>;

// Shows `text` in a modal message box over `parent` (or hands it to the sink).
void ShowMessage(QWidget* parent, const QString& text);
// Asks whether to go on: `text` with a button `goOn` and キャンセル; true for
// `goOn`. A sink takes the text, and the answer is no.
bool AskToGoOn(QWidget* parent, const QString& text, const QString& goOn);
// Installs a sink (empty: the real box again); returns the previous one.
// The application's error report (ErrorReport.h) goes to the sink as well.
TMessageSink SetMessageSink(TMessageSink sink);
// Hands `text` to the installed sink; false when there is none.
bool DeliverToMessageSink(const QString& text);
