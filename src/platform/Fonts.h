#pragma once
// Fonts asked for by names that a Linux desktop may not have. A font whose
// family is not installed makes the toolkit search every font for a stand-in,
// once for each script of the text drawn with it, and again for each
// substitute that is not installed either; asking for an installed family
// at once keeps that search out of the program's start.

#include <QString>
#include <QStringList>

// Starts reading the system's font configuration on a worker thread. Called
// first thing at program start, it runs while the application object is made;
// the first font the window asks for (InstalledFamily) then waits for it
// instead of reading the configuration itself.
void StartFontSetUp();

// The first of the families that is installed; the first one when none is
// (the toolkit then finds its stand-in as usual).
QString InstalledFamily(const QStringList& families);
