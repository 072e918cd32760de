// Draws the window's stored pictures and the program icon into the directory given on the command
// line. The build runs it and compiles what it writes into the program's resources, so this code
// is the only source of the pictures.
//
//   picture1.png          logo area: the program's name as a wordmark
//   picture2.png          border piece, left side, upper part, with the top corner
//   picture3.png          border piece, left side, lower part
//   picture4.png          border piece along the bottom, with the lower corner
//   picture5.png          icon picture: crossed tools and a connector at the line's end
//   picture6.png          certificate area: a seal with the program's version
//   program-icon-32.png, program-icon-16.png   the program icon in 16 colours
//   program-icon-32-mono.png                   the program icon in 2 colours
//   program-icon.ico      all three icon images, at their colour depths
//
// Line art is drawn pixel by pixel or without antialiasing, so it holds only its own colours.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QTransform>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#ifndef PROGRAM_VERSION
#define PROGRAM_VERSION "1.1"
#endif

namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kBlue = 0xff0000ff;

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

void verticalLine(QImage& image, int x, int fromY, int toY) {
    for (int y = fromY; y <= toY; ++y)
        image.setPixel(x, y, kBlack);
}

void horizontalLine(QImage& image, int y, int fromX, int toX) {
    for (int x = fromX; x <= toX; ++x)
        image.setPixel(x, y, kBlack);
}

// A one-pixel quarter arc that leaves `vertical` going straight up or down and arrives at
// `horizontal` running straight left or right; its centre lies level with the one and plumb
// with the other. Where the two distances differ the arc is elliptical.
void quarterArc(QImage& image, QPoint vertical, QPoint horizontal) {
    const double centreX = horizontal.x();
    const double centreY = vertical.y();
    const double radiusX = vertical.x() - centreX;
    const double radiusY = horizontal.y() - centreY;
    const int steps = 4096;
    std::vector<QPoint> path;
    for (int step = 0; step <= steps; ++step) {
        const double angle = std::numbers::pi / 2 * step / steps;
        const QPoint point(static_cast<int>(std::lround(centreX + radiusX * std::cos(angle))),
                           static_cast<int>(std::lround(centreY + radiusY * std::sin(angle))));
        if (!path.empty() && path.back() == point)
            continue;
        // Drop the inner pixel of a stair step, so the arc stays one pixel thin.
        if (path.size() >= 2) {
            const QPoint gap = point - path[path.size() - 2];
            if (std::abs(gap.x()) <= 1 && std::abs(gap.y()) <= 1)
                path.pop_back();
        }
        path.push_back(point);
    }
    for (const QPoint& point : path)
        image.setPixel(point, kBlack);
}

// The left side's upper part: the line comes in from the right edge in row 42, turns down and
// runs in column 15 to the bottom.
QImage leftUpperPiece() {
    QImage image = canvas(25, 533);
    quarterArc(image, QPoint(15, 54), QPoint(24, 42));
    verticalLine(image, 15, 54, image.height() - 1);
    return image;
}

QImage leftLowerPiece() {
    QImage image = canvas(25, 244);
    verticalLine(image, 15, 0, image.height() - 1);
    return image;
}

// The bottom piece: down column 11 from the top, a corner, then along row 20 to the right edge.
QImage bottomPiece() {
    QImage image = canvas(578, 23);
    verticalLine(image, 11, 0, 7);
    quarterArc(image, QPoint(11, 7), QPoint(24, 20));
    horizontalLine(image, 20, 24, image.width() - 1);
    return image;
}

QPen bluePen() {
    QPen pen{QColor(kBlue)};
    pen.setWidth(0);
    return pen;
}

// An open-end wrench lying along the x axis, centred on the origin, with a jaw at both ends.
QPainterPath wrench() {
    QPainterPath handle;
    handle.addRect(QRectF(-21, -2.5, 42, 5));
    QPainterPath heads;
    heads.addEllipse(QPointF(-25, 0), 6.5, 6.5);
    heads.addEllipse(QPointF(25, 0), 6.5, 6.5);
    QPainterPath jaws;
    jaws.addRect(QRectF(-33, -2.5, 9, 5));
    jaws.addRect(QRectF(24, -2.5, 9, 5));
    return handle.united(heads).subtracted(jaws).simplified();
}

// A flat screwdriver along the x axis, handle towards negative x.
QPainterPath screwdriverOutline() {
    QPainterPath path;
    path.addRoundedRect(QRectF(-31, -4.5, 21, 9), 3, 3);
    path.addRect(QRectF(-11, -3, 4, 6));
    path.addRect(QRectF(-7, -1, 31, 2));
    QPolygonF blade;
    blade << QPointF(24, -1) << QPointF(29, -2) << QPointF(31, -2) << QPointF(31, 2)
          << QPointF(29, 2) << QPointF(24, 1);
    path.addPolygon(blade);
    return path.simplified();
}

void drawShape(QPainter& painter, const QPainterPath& shape) {
    painter.setPen(bluePen());
    painter.setBrush(Qt::white);
    painter.drawPath(shape);
}

// The icon picture at the end of the line: a wrench and a screwdriver crossed on the left, and a
// D-sub connector seen from the side, its cable coming in from the left.
QImage iconPicture() {
    QImage image = canvas(89, 68);
    // The cable: the line of the border pieces, on into the connector's hood.
    horizontalLine(image, 33, 0, 49);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QPointF cross(29, 33);
    const double slant = std::atan2(54.0, 32.0) * 180 / std::numbers::pi;
    QTransform screwdriverPlace;
    screwdriverPlace.translate(cross.x(), cross.y());
    screwdriverPlace.rotate(slant);
    drawShape(painter, screwdriverPlace.map(screwdriverOutline()));
    // Grip grooves along the handle.
    painter.setPen(bluePen());
    for (const double groove : {-2.0, 0.0, 2.0})
        painter.drawLine(screwdriverPlace.map(QLineF(-28, groove, -13, groove)));

    QTransform wrenchPlace;
    wrenchPlace.translate(cross.x(), cross.y());
    wrenchPlace.rotate(-slant);
    drawShape(painter, wrenchPlace.map(wrench()));

    // The hood, narrow where the cable enters and as tall as the shell at the flange, hatched.
    const QPolygon hood({QPoint(50, 29), QPoint(56, 29), QPoint(66, 20), QPoint(66, 46),
                         QPoint(56, 37), QPoint(50, 37)});
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(hood);
    painter.save();
    QPainterPath hoodArea;
    hoodArea.addPolygon(QPolygonF(hood));
    painter.setClipPath(hoodArea);
    painter.setPen(bluePen());
    for (int start = 30; start < 90; start += 3)
        painter.drawLine(start, 18, start - 30, 48);
    painter.restore();
    painter.setPen(bluePen());
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(hood);

    // The flange with the two jackscrews through it, and the shell that mates with the socket.
    painter.setBrush(QColor(kBlue));
    painter.drawRect(67, 11, 2, 45);
    painter.setBrush(Qt::white);
    for (const int top : {12, 50}) {
        painter.drawRect(59, top, 7, 5);
        painter.drawLine(61, top, 61, top + 5);
        painter.drawLine(63, top, 63, top + 5);
        painter.drawRect(70, top + 1, 9, 3);
    }
    painter.drawRect(70, 21, 14, 24);
    painter.drawLine(84, 23, 86, 25);
    painter.drawLine(86, 25, 86, 41);
    painter.drawLine(86, 41, 84, 43);
    return image;
}

QFont sans(int pixelSize, QFont::Weight weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// The logo area, at the logo box's own pixel size, so that it shows unscaled.
QImage logo() {
    QImage image = canvas(338, 51);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink(0, 0, 128);
    painter.setPen(ink);
    painter.setFont(sans(24, QFont::Bold));
    painter.drawText(QRect(10, 2, 326, 28), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Varnak Arbitrator"));
    painter.fillRect(QRect(10, 31, 318, 2), QColor(kBlue));
    painter.setFont(sans(14, QFont::Normal));
    painter.drawText(QRect(10, 34, 318, 17), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Configuration"));
    painter.setPen(QColor(96, 96, 96));
    painter.setFont(sans(11, QFont::Normal));
    painter.drawText(QRect(10, 34, 318, 17), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("serial-line arbitrator settings"));
    return image;
}

// The certificate area: a rosette seal that bears the program's name and version and claims
// nothing else.
QImage seal() {
    QImage image = canvas(169, 100);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPointF centre(84.5, 50);
    const QColor ink(0, 0, 128);

    QPolygonF rosette;
    const int points = 48;
    for (int index = 0; index < 2 * points; ++index) {
        const double angle = std::numbers::pi * index / points;
        const double radius = index % 2 == 0 ? 47 : 43.5;
        rosette << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    painter.setPen(QPen(ink, 1));
    painter.setBrush(QColor(224, 232, 255));
    painter.drawPolygon(rosette);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 40, 40);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 27, 27);

    // The name round the ring, letter by letter, read clockwise from the left.
    const QString ringText = QStringLiteral("VARNAK ARBITRATOR \u2022 CONFIGURATION \u2022 ");
    const QFont ringFont = sans(8, QFont::Bold);
    painter.setFont(ringFont);
    const QFontMetricsF metrics(ringFont);
    const double ringRadius = 31;
    const double total = metrics.horizontalAdvance(ringText);
    const double spread = 2 * std::numbers::pi / total;
    double along = 0;
    for (const QChar letter : ringText) {
        const double advance = metrics.horizontalAdvance(letter);
        const double angle = -std::numbers::pi + (along + advance / 2) * spread;
        painter.save();
        painter.translate(centre +
                          QPointF(ringRadius * std::cos(angle), ringRadius * std::sin(angle)));
        painter.rotate(angle * 180 / std::numbers::pi + 90);
        painter.drawText(QPointF(-advance / 2, metrics.ascent() / 2 - 1), QString(letter));
        painter.restore();
        along += advance;
    }

    painter.setFont(sans(15, QFont::Bold));
    painter.drawText(QRectF(centre.x() - 26, centre.y() - 14, 52, 18), Qt::AlignCenter,
                     QStringLiteral("V" PROGRAM_VERSION));
    painter.setFont(sans(8, QFont::Normal));
    painter.drawText(QRectF(centre.x() - 26, centre.y() + 3, 52, 12), Qt::AlignCenter,
                     QStringLiteral("settings tool"));
    return image;
}

// The 16 colours of a 4-bit icon, in their customary order.
const QList<QRgb>& sixteenColours() {
    static const QList<QRgb> colours = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return colours;
}

// Where the program icon's glyph lies at one icon size.
struct GlyphPlace {
    int size;
    QPolygon window;   // top left, top right, bottom right, bottom left
    QPolygon titleBar; // down to the line under the title
    QPoint shadowOffset;
};

GlyphPlace glyphPlace(int size) {
    if (size == 16)
        return {16, QPolygon({QPoint(1, 1), QPoint(12, 4), QPoint(12, 11), QPoint(1, 13)}),
                QPolygon({QPoint(1, 1), QPoint(12, 4), QPoint(12, 6), QPoint(1, 4)}), QPoint(2, 2)};
    return {32, QPolygon({QPoint(3, 3), QPoint(26, 9), QPoint(26, 23), QPoint(3, 28)}),
            QPolygon({QPoint(3, 3), QPoint(26, 9), QPoint(26, 13), QPoint(3, 8)}), QPoint(3, 3)};
}

// The program icon's glyph: a white window turned away to the right, so that its right edge is
// the shorter, with a title bar, outlined in black over a grey shadow. Outside the glyph the icon
// is transparent. In two colours the shadow is a half-tone of black dots and the title bar black.
QImage windowGlyph(int size, bool twoColours) {
    const GlyphPlace place = glyphPlace(size);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    if (twoColours) {
        // The pattern's gaps stay transparent, as the rest of the background.
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.setBrush(QBrush(Qt::black, Qt::Dense4Pattern));
    } else {
        painter.setBrush(QColor(128, 128, 128));
    }
    painter.drawPolygon(place.window.translated(place.shadowOffset));

    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    painter.drawPolygon(place.window);
    painter.setBrush(twoColours ? QColor(Qt::black) : QColor(0, 255, 255));
    painter.drawPolygon(place.titleBar);
    return image;
}

bool save(const QImage& image, const QDir& directory, const QString& name) {
    if (image.save(directory.filePath(name)))
        return true;
    std::fprintf(stderr, "draw_pictures: cannot write %s\n", qPrintable(directory.filePath(name)));
    return false;
}

// One image of an .ico file: a bottom-up bitmap of palette indexes with its transparency mask.
QByteArray iconBitmap(const QImage& glyph, const QList<QRgb>& palette, int bitsPerPixel) {
    const int size = glyph.width();
    auto index = [&palette](QRgb colour) {
        const auto found = palette.indexOf(qRgb(qRed(colour), qGreen(colour), qBlue(colour)));
        return found < 0 ? 0 : static_cast<int>(found);
    };
    const int colourRowBytes = ((size * bitsPerPixel + 31) / 32) * 4;
    const int maskRowBytes = ((size + 31) / 32) * 4;

    QByteArray bitmap(40, '\0');
    auto put32 = [&bitmap](int offset, quint32 value) {
        qToLittleEndian(value, bitmap.data() + offset);
    };
    auto put16 = [&bitmap](int offset, quint16 value) {
        qToLittleEndian(value, bitmap.data() + offset);
    };
    put32(0, 40);
    put32(4, static_cast<quint32>(size));
    put32(8, static_cast<quint32>(2 * size)); // colour bitmap and mask, one above the other
    put16(12, 1);
    put16(14, static_cast<quint16>(bitsPerPixel));
    put32(20, static_cast<quint32>((colourRowBytes + maskRowBytes) * size));
    put32(32, static_cast<quint32>(palette.size()));
    for (const QRgb colour : palette) {
        bitmap.append(static_cast<char>(qBlue(colour)));
        bitmap.append(static_cast<char>(qGreen(colour)));
        bitmap.append(static_cast<char>(qRed(colour)));
        bitmap.append('\0');
    }
    QByteArray colours;
    QByteArray mask;
    for (int y = size - 1; y >= 0; --y) {
        QByteArray colourRow(colourRowBytes, '\0');
        QByteArray maskRow(maskRowBytes, '\0');
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = glyph.pixel(x, y);
            const bool transparent = qAlpha(pixel) == 0;
            const int value = transparent ? 0 : index(pixel);
            const int bit = x * bitsPerPixel;
            const int shift = 8 - bitsPerPixel - bit % 8;
            colourRow[bit / 8] = static_cast<char>(colourRow[bit / 8] | (value << shift));
            if (transparent)
                maskRow[x / 8] = static_cast<char>(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        colours += colourRow;
        mask += maskRow;
    }
    return bitmap + colours + mask;
}

QByteArray iconFile(const QList<std::pair<QImage, int>>& images) {
    QByteArray header(6 + 16 * images.size(), '\0');
    qToLittleEndian<quint16>(1, header.data() + 2);
    qToLittleEndian<quint16>(static_cast<quint16>(images.size()), header.data() + 4);
    QByteArray data;
    for (qsizetype entry = 0; entry < images.size(); ++entry) {
        const auto& [glyph, bitsPerPixel] = images[entry];
        const QList<QRgb> palette =
            bitsPerPixel == 1 ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : sixteenColours();
        const QByteArray bitmap = iconBitmap(glyph, palette, bitsPerPixel);
        char* directory = header.data() + 6 + 16 * entry;
        directory[0] = static_cast<char>(glyph.width());
        directory[1] = static_cast<char>(glyph.height());
        directory[2] = static_cast<char>(palette.size() < 256 ? palette.size() : 0);
        qToLittleEndian<quint16>(1, directory + 4);
        qToLittleEndian<quint16>(static_cast<quint16>(bitsPerPixel), directory + 6);
        qToLittleEndian<quint32>(static_cast<quint32>(bitmap.size()), directory + 8);
        qToLittleEndian<quint32>(static_cast<quint32>(header.size() + data.size()), directory + 12);
        data += bitmap;
    }
    return header + data;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_pictures OUTPUT-DIRECTORY\n");
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.exists() && !QDir().mkpath(directory.path())) {
        std::fprintf(stderr, "draw_pictures: cannot create %s\n", argv[1]);
        return 1;
    }

    // The border pieces and the icon picture are 24-bit bitmaps.
    auto truecolour = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_RGB888);
    };
    const QImage icon32 = windowGlyph(32, false);
    const QImage icon16 = windowGlyph(16, false);
    const QImage iconMono = windowGlyph(32, true);
    bool written = save(truecolour(logo()), directory, QStringLiteral("picture1.png")) &&
                   save(truecolour(leftUpperPiece()), directory, QStringLiteral("picture2.png")) &&
                   save(truecolour(leftLowerPiece()), directory, QStringLiteral("picture3.png")) &&
                   save(truecolour(bottomPiece()), directory, QStringLiteral("picture4.png")) &&
                   save(truecolour(iconPicture()), directory, QStringLiteral("picture5.png")) &&
                   save(truecolour(seal()), directory, QStringLiteral("picture6.png")) &&
                   save(icon32, directory, QStringLiteral("program-icon-32.png")) &&
                   save(icon16, directory, QStringLiteral("program-icon-16.png")) &&
                   save(iconMono, directory, QStringLiteral("program-icon-32-mono.png"));

    QFile ico(directory.filePath(QStringLiteral("program-icon.ico")));
    const QByteArray icoData = iconFile({{iconMono, 1}, {icon32, 4}, {icon16, 4}});
    if (!ico.open(QIODevice::WriteOnly) || ico.write(icoData) != icoData.size()) {
        std::fprintf(stderr, "draw_pictures: cannot write %s\n", qPrintable(ico.fileName()));
        written = false;
    }
    return written ? 0 : 1;
}
