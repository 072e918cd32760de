#include "picture_box.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {

namespace {

struct Span {
    int first;
    int last; // inclusive
};

// For each of `to` destination pixels along one axis, the source pixels of `from` that it takes.
std::vector<Span> spans(int from, int to) {
    std::vector<Span> result(static_cast<std::size_t>(to), Span{-1, -1});
    for (int source = 0; source < from; ++source) {
        // The destination pixel that holds the source pixel's centre, (source + 1/2) * to / from.
        const auto target = static_cast<std::size_t>((std::int64_t{2} * source + 1) * to /
                                                     (std::int64_t{2} * from));
        Span& span = result[target];
        if (span.first < 0)
            span.first = source;
        span.last = source;
    }
    for (int target = 0; target < to; ++target) {
        Span& span = result[static_cast<std::size_t>(target)];
        if (span.first < 0) {
            const auto nearest =
                static_cast<int>((std::int64_t{2} * target + 1) * from / (std::int64_t{2} * to));
            span = Span{nearest, nearest};
        }
    }
    return result;
}

QRgb darkest(QRgb a, QRgb b) {
    return qRgb(std::min(qRed(a), qRed(b)), std::min(qGreen(a), qGreen(b)),
                std::min(qBlue(a), qBlue(b)));
}

} // namespace

QImage stretchKeepingDark(const QImage& picture, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return {};
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const std::vector<Span> columns = spans(source.width(), size.width());
    const std::vector<Span> rows = spans(source.height(), size.height());

    // The darkest value is taken over a rectangle of source pixels, so rows and columns can be
    // reduced one after the other.
    QImage narrowed(size.width(), source.height(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(narrowed.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const Span& span = columns[static_cast<std::size_t>(x)];
            QRgb value = in[span.first];
            for (int column = span.first + 1; column <= span.last; ++column)
                value = darkest(value, in[column]);
            out[x] = value;
        }
    }

    QImage stretched(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const Span& span = rows[static_cast<std::size_t>(y)];
        auto* out = reinterpret_cast<QRgb*>(stretched.scanLine(y));
        const auto* first = reinterpret_cast<const QRgb*>(narrowed.constScanLine(span.first));
        std::copy(first, first + size.width(), out);
        for (int row = span.first + 1; row <= span.last; ++row) {
            const auto* in = reinterpret_cast<const QRgb*>(narrowed.constScanLine(row));
            for (int x = 0; x < size.width(); ++x)
                out[x] = darkest(out[x], in[x]);
        }
    }
    return stretched;
}

QImage readPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    stretched_ = QImage();
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Base));
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    if (stretched_.size() != target)
        stretched_ = stretchKeepingDark(picture_, target);
    stretched_.setDevicePixelRatio(ratio);
    painter.drawImage(QPoint(0, 0), stretched_);
}

} // namespace platform
