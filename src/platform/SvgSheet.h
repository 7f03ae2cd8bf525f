#pragma once
// TSvgSheet: a paint device that writes what is painted on it as an SVG
// file of paths, rectangles and embedded pictures, kept in named groups
// (TGroupedDevice) so that a cutting plotter's program can tell the cut line
// from the folds. The sheet has a size in millimetres; device pixels are
// dots of the given resolution, the file's user units.

#include "Canvas.h"

#include <QByteArray>
#include <QPaintDevice>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

class TSvgSheetEngine;

class TSvgSheet : public QPaintDevice, public TGroupedDevice {
public:
    // groups: the ids of groups the file holds even when nothing is drawn
    // into them, in that order unless drawing moves them.
    TSvgSheet(QSizeF millimetres, int dpi, const QString& title, const QStringList& groups);
    ~TSvgSheet() override;

    QPaintEngine* paintEngine() const override;
    void SetGroups(const QString& lines, const QString& areas) override;
    void BeginFigure() override;

    // The file, once the painter has ended.
    QByteArray Document() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSizeF millimetres_;
    int dpi_;
    QString title_;
    std::unique_ptr<TSvgSheetEngine> engine_;
};
