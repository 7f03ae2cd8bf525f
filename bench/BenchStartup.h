// What the start-up benchmarks share: the child's watch for the first paint
// of its widgets, the LIST.DAT that a child's window restores, and medians.
#pragma once

#include "bag/Common.h"

#include <QEvent>
#include <QFile>
#include <QSet>
#include <QWidget>
#include <algorithm>
#include <vector>

// Notes which of the widgets it watches have had a paint event.
class TPaintProbe : public QObject {
public:
    void Watch(QWidget* widget) { widget->installEventFilter(this); }
    bool Painted(const QObject* widget) const { return painted_.contains(widget); }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted_.insert(watched);
        return false;
    }

private:
    QSet<const QObject*> painted_;
};

// A record that places the picture file at bounds (page pixels), stretched.
inline TImageRec StretchedRecord(const QString& path, const QRect& bounds) {
    TImageRec rec;
    rec.Left = bounds.left();
    rec.Top = bounds.top();
    rec.Width = bounds.width();
    rec.Height = bounds.height();
    rec.FileName = EncodeImagePath(path);
    rec.Stretch = true;
    return rec;
}

inline void WriteListFile(const QString& folder, const QList<TImageRec>& records) {
    QFile list(folder + "/LIST.DAT");
    list.open(QIODevice::WriteOnly);
    WriteImageRecords(list, records);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
