#pragma once

#include <QImage>
#include <QWidget>

namespace platform {

// Scales a picture to `size`, width and height independently, so that a thin dark line survives
// any shrink as one unbroken line of its own colour. Each source pixel falls into exactly one
// destination pixel, the one in which its centre lies, and a destination pixel takes the darkest
// value, channel by channel, of the source pixels that fall into it: black over white, as an AND
// stretch of a black-on-white bitmap keeps it, and any colour over white. Where enlarging leaves
// a destination pixel with no source centre in it, it repeats its nearest source pixel.
QImage stretchKeepingDark(const QImage& picture, QSize size);

// Reads a PNG file as such: with the format named and detection off, no other image reader is
// asked about it (nor its plugin loaded). A null image when it cannot be read.
QImage readPng(const QString& path);

// A picture box: it shows its stored picture stretched to fill the whole box. It has no border,
// takes no focus and handles no input; its background shows only while it holds no picture.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const noexcept { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    // The picture at the size last painted, in device pixels; the box's size is fixed, so this
    // is computed once.
    QImage stretched_;
};

} // namespace platform
