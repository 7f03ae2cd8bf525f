#pragma once
// Writing the report page's sheet to a file (PDF, SVG, PNG or JPEG) instead
// of a printer.

#include <QString>

// The one-line message of an export that failed: the file and the reason.
QString ExportFailure(const QString& fileName, const QString& reason);
