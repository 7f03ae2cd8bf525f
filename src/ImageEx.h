#pragma once
// TImageEx: one placed picture: a picture control on the image layer plus the
// file name it was loaded from.

#include <QImage>
#include <QString>
#include <QWidget>

class TImageEx : public QWidget {
    Q_OBJECT
public:
    // Made 105 x 105 at (0, 0) on its parent, as the picture control starts.
    explicit TImageEx(QWidget* parent);

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);
    const QImage& Picture() const { return picture_; }

    // Loads the picture, the decoder chosen by the file's extension. Raises
    // EError with the toolkit's message when the file cannot be used.
    void LoadFromFile(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString fileName_;
    bool stretch_ = false;
    QImage picture_;
};
