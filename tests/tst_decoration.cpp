// The window's decoration: how a picture box stretches its picture, the drawn pictures, the
// border line that four of them make together in the window, the contact labels and the program
// icon.
#include "ink_bands.h"
#include "main_window.h"
#include "picture_box.h"
#include "window_decoration.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QRegion>
#include <QTest>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

using configurator::frmMain;
using platform::stretchKeepingDark;

namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kBlue = 0xff0000ff;

// A file that draw_pictures wrote, read from the build tree rather than the program's resources.
QString drawnFilePath(const QString& name) {
    return QStringLiteral(DRAWN_PICTURES_DIR "/") + name;
}

QImage drawnFile(const QString& name) {
    return QImage(drawnFilePath(name));
}

bool isBlack(QRgb pixel) {
    return (pixel & 0xffffff) == 0;
}

// A one-pixel black line on white, drawn without antialiasing.
QImage lineImage(QSize size, QPoint from, QPoint to) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(from, to);
    return image;
}

std::set<QRgb> coloursIn(const QImage& image, QRect area) {
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000);
    return colours;
}

int blackCount(const QImage& image, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += isBlack(image.pixel(x, y));
    return count;
}

// The black pixels 8-connected to `start` inside `area`.
std::set<std::pair<int, int>> blackComponent(const QImage& image, QPoint start,
                                             const QRegion& area) {
    std::set<std::pair<int, int>> reached;
    if (!area.contains(start) || !isBlack(image.pixel(start)))
        return reached;
    std::vector<QPoint> open{start};
    reached.insert({start.x(), start.y()});
    while (!open.empty()) {
        const QPoint point = open.back();
        open.pop_back();
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint next = point + QPoint(dx, dy);
                if (area.contains(next) && isBlack(image.pixel(next)) &&
                    reached.insert({next.x(), next.y()}).second)
                    open.push_back(next);
            }
        }
    }
    return reached;
}

QImage rendered(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The 16 colours of a 4-bit icon.
const std::set<QRgb> kSixteenColours = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

std::set<QRgb> opaqueColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                colours.insert(image.pixel(x, y));
    return colours;
}

// Where the line pieces lie in the window, in pixels (15 twips to a pixel).
constexpr QRect kPicture2(6, 30, 14, 315);
constexpr QRect kPicture3(6, 330, 14, 72);
constexpr QRect kPicture4(6, 402, 439, 16);
constexpr QRect kPicture5(438, 385, 91, 64);

// The border line's course in the window, in pixels: in from the right edge of Picture2, down
// the left side in column 14, along the bottom in row 416 and into Picture5.
constexpr QPoint kLineStart(19, 55);
constexpr int kLeftColumn = 14;
constexpr int kBottomRow = 416;
constexpr int kTopCornerEnd = 62;
constexpr int kLowerCornerStart = 407;
constexpr int kBottomRunStart = 24;

} // namespace

class DecorationTest : public QObject {
    Q_OBJECT

private slots:
    void stretchKeepsAThinLineWholeAndBlack_data();
    void stretchKeepsAThinLineWholeAndBlack();
    void stretchPutsEachSourcePixelInOnePlace();
    void stretchKeepsColoursOverWhite();
    void pictureBoxFillsItsBox_data();
    void pictureBoxFillsItsBox();

    void storedPicturesSizesAndColours_data();
    void storedPicturesSizesAndColours();
    void leftUpperPiece();
    void leftLowerPiece();
    void bottomPiece();
    void iconPicture();
    void iconImages_data();
    void iconImages();
    void iconFileHoldsTheThreeImages();

    void boxesPlacesAndTabIndexes_data();
    void boxesPlacesAndTabIndexes();
    void tabIndexesRunWithoutRepeats();
    void windowAndApplicationIcon();
    void borderLinePassesThrough_data();
    void borderLinePassesThrough();
    void whiteBesideTheBorderLine_data();
    void whiteBesideTheBorderLine();
    void borderLineIsOneThinUnbrokenLine();
    void borderPiecesShowOnlyTheirColours();
    void contactLabels();
    void label3WrapsALongText();
};

void DecorationTest::stretchKeepsAThinLineWholeAndBlack_data() {
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("size");
    // The shrinks of the window's line pieces, and other uneven ones.
    QTest::newRow("column, 25x533 to 14x315")
        << lineImage(QSize(25, 533), QPoint(15, 0), QPoint(15, 532)) << QSize(14, 315);
    QTest::newRow("row, 578x23 to 439x16")
        << lineImage(QSize(578, 23), QPoint(0, 20), QPoint(577, 20)) << QSize(439, 16);
    QTest::newRow("row in every third, to a third")
        << lineImage(QSize(90, 30), QPoint(0, 1), QPoint(89, 1)) << QSize(30, 10);
    QTest::newRow("steep diagonal, shrunk unevenly")
        << lineImage(QSize(60, 60), QPoint(3, 0), QPoint(40, 59)) << QSize(17, 41);
    QTest::newRow("shallow diagonal, to a few pixels")
        << lineImage(QSize(100, 50), QPoint(0, 49), QPoint(99, 10)) << QSize(7, 5);
    QTest::newRow("diagonal, enlarged")
        << lineImage(QSize(10, 10), QPoint(0, 0), QPoint(9, 9)) << QSize(23, 31);
    QTest::newRow("row, wider and lower (as the icon picture)")
        << lineImage(QSize(89, 68), QPoint(0, 33), QPoint(88, 33)) << QSize(91, 64);
}

void DecorationTest::stretchKeepsAThinLineWholeAndBlack() {
    QFETCH(QImage, source);
    QFETCH(QSize, size);
    const QImage stretched = stretchKeepingDark(source, size);
    QCOMPARE(stretched.size(), size);

    // No grey: every pixel stays black or white.
    const std::set<QRgb> colours = coloursIn(stretched, stretched.rect());
    QVERIFY(std::all_of(colours.begin(), colours.end(),
                        [](QRgb colour) { return colour == kBlack || colour == kWhite; }));

    // One unbroken line, reaching every edge that the source's line reaches.
    QPoint first(-1, -1);
    for (int y = 0; y < size.height() && first.x() < 0; ++y)
        for (int x = 0; x < size.width() && first.x() < 0; ++x)
            if (isBlack(stretched.pixel(x, y)))
                first = QPoint(x, y);
    QVERIFY(first.x() >= 0);
    const auto line = blackComponent(stretched, first, stretched.rect());
    QCOMPARE(static_cast<int>(line.size()), blackCount(stretched, stretched.rect()));
    const auto touches = [](const QImage& image, QRect edge) {
        return blackCount(image, edge) > 0;
    };
    const QList<std::pair<QRect, QRect>> edges = {
        {QRect(0, 0, source.width(), 1), QRect(0, 0, size.width(), 1)},
        {QRect(0, source.height() - 1, source.width(), 1),
         QRect(0, size.height() - 1, size.width(), 1)},
        {QRect(0, 0, 1, source.height()), QRect(0, 0, 1, size.height())},
        {QRect(source.width() - 1, 0, 1, source.height()),
         QRect(size.width() - 1, 0, 1, size.height())}};
    for (const auto& [sourceEdge, stretchedEdge] : edges) {
        if (touches(source, sourceEdge))
            QVERIFY(touches(stretched, stretchedEdge));
    }
}

void DecorationTest::stretchPutsEachSourcePixelInOnePlace() {
    // A shrink neither drops a pixel nor spreads it over two: a single black pixel, wherever it
    // lies, shows as exactly one.
    const QSize source(25, 23);
    const QSize size(14, 16);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            QImage dot(source, QImage::Format_RGB32);
            dot.fill(kWhite);
            dot.setPixel(x, y, kBlack);
            const QImage stretched = stretchKeepingDark(dot, size);
            if (blackCount(stretched, stretched.rect()) != 1)
                QFAIL(qPrintable(QStringLiteral("the pixel at %1, %2").arg(x).arg(y)));
        }
    }
}

void DecorationTest::stretchKeepsColoursOverWhite() {
    QImage art(12, 12, QImage::Format_RGB32);
    art.fill(kWhite);
    art.setPixel(1, 1, kBlue);
    art.setPixel(6, 6, kBlue);
    art.setPixel(7, 7, kBlack);
    art.setPixel(10, 2, qRgb(128, 128, 128));
    const QImage stretched = stretchKeepingDark(art, QSize(4, 4));
    QCOMPARE(stretched.pixel(0, 0), kBlue);
    // Where blue and black meet in one pixel, the black wins.
    QCOMPARE(stretched.pixel(2, 2), kBlack);
    QCOMPARE(stretched.pixel(3, 0), qRgb(128, 128, 128));
    QCOMPARE(coloursIn(stretched, stretched.rect()),
             (std::set<QRgb>{kWhite, kBlue, kBlack, qRgb(128, 128, 128)}));
}

void DecorationTest::pictureBoxFillsItsBox_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("its own size") << QSize(10, 8);
    QTest::newRow("narrower and lower") << QSize(7, 3);
    QTest::newRow("wider and higher") << QSize(43, 31);
    QTest::newRow("wider, lower") << QSize(200, 5);
    QTest::newRow("narrower, higher") << QSize(4, 90);
}

void DecorationTest::pictureBoxFillsItsBox() {
    QFETCH(QSize, size);
    // A black frame round a white picture: the frame shows on all four edges of the box, whatever
    // the box's proportions.
    QImage framed(10, 8, QImage::Format_RGB32);
    framed.fill(kBlack);
    QPainter(&framed).fillRect(QRect(1, 1, 8, 6), Qt::white);

    QWidget parent;
    parent.resize(300, 300);
    platform::PictureBox box(&parent);
    box.setGeometry(QRect(QPoint(5, 5), size));
    box.setPicture(framed);
    QCOMPARE(box.focusPolicy(), Qt::NoFocus);
    const QImage shown = rendered(box);
    QCOMPARE(shown.size(), size);
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    for (const QRect& edge : {QRect(0, 0, size.width(), 1), QRect(0, bottom, size.width(), 1),
                              QRect(0, 0, 1, size.height()), QRect(right, 0, 1, size.height())})
        QCOMPARE(blackCount(shown, edge), edge.width() * edge.height());
    if (size.width() > 2 && size.height() > 2)
        QCOMPARE(shown.pixel(size.width() / 2, size.height() / 2), kWhite);
}

void DecorationTest::storedPicturesSizesAndColours_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("lineArt"); // only white, black and pure blue
    QTest::newRow("Picture1, logo") << "picture1.png" << QSize(338, 51) << false;
    QTest::newRow("Picture2") << "picture2.png" << QSize(25, 533) << true;
    QTest::newRow("Picture3") << "picture3.png" << QSize(25, 244) << true;
    QTest::newRow("Picture4") << "picture4.png" << QSize(578, 23) << true;
    QTest::newRow("Picture5") << "picture5.png" << QSize(89, 68) << true;
    QTest::newRow("Picture6, seal") << "picture6.png" << QSize(169, 100) << false;
}

void DecorationTest::storedPicturesSizesAndColours() {
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(bool, lineArt);
    const QImage picture = configurator::storedPicture(file);
    // Read as PNG with detection off, it is the image that format detection finds.
    QCOMPARE(picture, QImage(configurator::kPicturePrefix + file));
    QCOMPARE(picture.size(), size);
    QVERIFY(!picture.hasAlphaChannel());
    const std::set<QRgb> colours = coloursIn(picture, picture.rect());
    QVERIFY(colours.count(kWhite));
    QVERIFY(colours.size() > 1);
    if (lineArt) {
        for (const QRgb colour : colours)
            QVERIFY2(colour == kWhite || colour == kBlack || colour == kBlue,
                     qPrintable(QString::number(colour, 16)));
    }
}

void DecorationTest::leftUpperPiece() {
    const QImage picture = configurator::storedPicture(QStringLiteral("picture2.png"));
    QCOMPARE(blackCount(picture, QRect(0, 0, 25, 42)), 0);
    // Straight down column 15 from row 54 to the bottom, and nothing else there.
    for (int y = 55; y < picture.height(); ++y) {
        QVERIFY(isBlack(picture.pixel(15, y)));
        QCOMPARE(blackCount(picture, QRect(0, y, 25, 1)), 1);
    }
    QVERIFY(isBlack(picture.pixel(15, 54)));
    QVERIFY(isBlack(picture.pixel(24, 42)));
    // A curve, not a square corner: both corners of its box stay white, and it passes near the
    // middle of the bend.
    QVERIFY(!isBlack(picture.pixel(15, 42)));
    QVERIFY(!isBlack(picture.pixel(24, 54)));
    QVERIFY(blackCount(picture, QRect(17, 45, 2, 2)) > 0);
    // One line: everything black hangs together, from the right edge to the bottom row.
    const auto line = blackComponent(picture, QPoint(24, 42), picture.rect());
    QCOMPARE(static_cast<int>(line.size()), blackCount(picture, picture.rect()));
    QVERIFY(line.count({15, picture.height() - 1}));
    // Thin through the bend; only its flat end takes a few pixels of one row.
    for (int y = 42; y <= 54; ++y)
        QVERIFY(blackCount(picture, QRect(0, y, 25, 1)) <= 3);
}

void DecorationTest::leftLowerPiece() {
    const QImage picture = configurator::storedPicture(QStringLiteral("picture3.png"));
    for (int y = 0; y < picture.height(); ++y) {
        QVERIFY(isBlack(picture.pixel(15, y)));
        QCOMPARE(blackCount(picture, QRect(0, y, 25, 1)), 1);
    }
}

void DecorationTest::bottomPiece() {
    const QImage picture = configurator::storedPicture(QStringLiteral("picture4.png"));
    for (int y = 0; y <= 7; ++y) {
        QVERIFY(isBlack(picture.pixel(11, y)));
        QCOMPARE(blackCount(picture, QRect(0, y, picture.width(), 1)), 1);
    }
    for (int x = 24; x < picture.width(); ++x) {
        QVERIFY(isBlack(picture.pixel(x, 20)));
        QCOMPARE(blackCount(picture, QRect(x, 0, 1, picture.height())), 1);
    }
    QCOMPARE(blackCount(picture, QRect(0, 21, picture.width(), 2)), 0);
    QVERIFY(!isBlack(picture.pixel(11, 20)));
    QVERIFY(!isBlack(picture.pixel(24, 7)));
    // The bend passes near its middle, 13 pixels from its centre at column 24, row 7.
    QVERIFY(blackCount(picture, QRect(14, 15, 2, 2)) > 0);
    const auto line = blackComponent(picture, QPoint(11, 0), picture.rect());
    QCOMPARE(static_cast<int>(line.size()), blackCount(picture, picture.rect()));
    QVERIFY(line.count({picture.width() - 1, 20}));
}

void DecorationTest::iconPicture() {
    const QImage picture = configurator::storedPicture(QStringLiteral("picture5.png"));
    // Black only along row 33, from the left edge on, with the tools over it in places, until
    // it runs into the connector.
    QCOMPARE(blackCount(picture, picture.rect()), blackCount(picture, QRect(0, 33, 89, 1)));
    int end = 88;
    while (end > 0 && !isBlack(picture.pixel(end, 33)))
        --end;
    QVERIFY(end > 40);
    QCOMPARE(picture.pixel(end + 1, 33), kBlue);
    QVERIFY(coloursIn(picture, QRect(0, 33, end, 1)).count(kBlue));
    for (int x = 0; x < 8; ++x)
        QVERIFY(isBlack(picture.pixel(x, 33)));
    // Where it lies under the bottom piece, it holds the line and nothing else.
    QCOMPARE(coloursIn(picture, QRect(0, 0, 8, 68)), (std::set<QRgb>{kWhite, kBlack}));
    // Blue art on both sides: the tools and the connector.
    const std::set<QRgb> left = coloursIn(picture, QRect(0, 0, 45, 68));
    const std::set<QRgb> right = coloursIn(picture, QRect(45, 0, 44, 68));
    QVERIFY(left.count(kBlue));
    QVERIFY(right.count(kBlue));
}

void DecorationTest::iconImages_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("twoColours");
    QTest::newRow("32, 16 colours") << "program-icon-32.png" << 32 << false;
    QTest::newRow("16, 16 colours") << "program-icon-16.png" << 16 << false;
    QTest::newRow("32, 2 colours") << "program-icon-32-mono.png" << 32 << true;
}

void DecorationTest::iconImages() {
    QFETCH(QString, file);
    QFETCH(int, size);
    QFETCH(bool, twoColours);
    const QImage image = drawnFile(file).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(size, size));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
    const std::set<QRgb> colours = opaqueColours(image);
    if (twoColours) {
        QCOMPARE(colours, (std::set<QRgb>{kBlack, kWhite}));
    } else {
        for (const QRgb colour : colours)
            QVERIFY(kSixteenColours.count(colour));
        QCOMPARE(colours, (std::set<QRgb>{kBlack, kWhite, qRgb(128, 128, 128), qRgb(0, 255, 255)}));
    }
}

void DecorationTest::iconFileHoldsTheThreeImages() {
    QImageReader reader(drawnFilePath(QStringLiteral("program-icon.ico")));
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.imageCount(), 3);
    const QList<std::pair<int, std::size_t>> expected = {{32, 2}, {32, 4}, {16, 4}};
    for (int index = 0; index < 3; ++index) {
        QVERIFY(reader.jumpToImage(index));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(expected[index].first, expected[index].first));
        QCOMPARE(opaqueColours(image).size(), expected[index].second);
        // The same glyph as the stored images, transparent where they are.
        const QString file = index == 0   ? QStringLiteral("program-icon-32-mono.png")
                             : index == 1 ? QStringLiteral("program-icon-32.png")
                                          : QStringLiteral("program-icon-16.png");
        QCOMPARE(image, drawnFile(file).convertToFormat(QImage::Format_ARGB32));
    }
}

void DecorationTest::boxesPlacesAndTabIndexes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<int>("tabIndex");
    QTest::newRow("Picture2") << "Picture2" << QRect(6, 30, 14, 315) << 39;
    QTest::newRow("Picture3") << "Picture3" << QRect(6, 330, 14, 72) << 40;
    QTest::newRow("Picture1") << "Picture1" << QRect(18, 30, 338, 51) << 41;
    QTest::newRow("Label3") << "Label3" << QRect(15, 420, 406, 46) << 42;
    QTest::newRow("Picture4") << "Picture4" << QRect(6, 402, 439, 16) << 43;
    QTest::newRow("Picture6") << "Picture6" << QRect(363, 9, 169, 100) << 44;
    QTest::newRow("Label4") << "Label4" << QRect(435, 450, 94, 16) << 45;
    QTest::newRow("Picture5") << "Picture5" << QRect(438, 385, 91, 64) << 46;
}

void DecorationTest::boxesPlacesAndTabIndexes() {
    QFETCH(QString, name);
    QFETCH(QRect, box);
    QFETCH(int, tabIndex);
    frmMain window(platform::portMapFromList({}));
    auto* control = window.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &window);
    QCOMPARE(control->geometry(), box);
    QCOMPARE(control->property(configurator::kTabIndexProperty), QVariant(tabIndex));
    QCOMPARE(control->focusPolicy(), Qt::NoFocus);
    if (auto* picture = qobject_cast<platform::PictureBox*>(control))
        QVERIFY(!picture->picture().isNull());
}

void DecorationTest::tabIndexesRunWithoutRepeats() {
    frmMain window(platform::portMapFromList({}));
    std::vector<int> indexes;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const QVariant index = control->property(configurator::kTabIndexProperty);
        if (index.isValid())
            indexes.push_back(index.toInt());
    }
    std::sort(indexes.begin(), indexes.end());
    std::vector<int> expected(47);
    for (int index = 0; index < 47; ++index)
        expected[static_cast<std::size_t>(index)] = index;
    QCOMPARE(indexes, expected);
}

void DecorationTest::windowAndApplicationIcon() {
    frmMain window(platform::portMapFromList({}));
    for (const QIcon& icon : {window.windowIcon(), QApplication::windowIcon()}) {
        const QList<QSize> sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(sizes.contains(QSize(16, 16)));
        const QImage large = icon.pixmap(QSize(32, 32)).toImage();
        QCOMPARE(large.convertToFormat(QImage::Format_ARGB32),
                 configurator::storedPicture(QStringLiteral("program-icon-32.png"))
                     .convertToFormat(QImage::Format_ARGB32));
    }
}

void DecorationTest::borderLinePassesThrough_data() {
    QTest::addColumn<QPoint>("point");
    QTest::newRow("start, Picture2's right edge, y 827") << kLineStart;
    QTest::newRow("top corner, bottom end") << QPoint(kLeftColumn, kTopCornerEnd);
    QTest::newRow("left side, x 220, y 1500") << QPoint(kLeftColumn, 100);
    QTest::newRow("left side, Picture2's bottom row") << QPoint(kLeftColumn, kPicture2.bottom());
    QTest::newRow("left side, Picture3's top row") << QPoint(kLeftColumn, kPicture3.top());
    QTest::newRow("left side, Picture3's bottom row") << QPoint(kLeftColumn, kPicture3.bottom());
    QTest::newRow("left side, Picture4's top row, y 6030") << QPoint(kLeftColumn, kPicture4.top());
    QTest::newRow("lower corner, top end, y 6108") << QPoint(kLeftColumn, kLowerCornerStart);
    QTest::newRow("bottom, x 369, y 6244") << QPoint(kBottomRunStart, kBottomRow);
    QTest::newRow("bottom, under Label3") << QPoint(200, kBottomRow);
    QTest::newRow("bottom, start of Picture5") << QPoint(kPicture5.left(), kBottomRow);
    QTest::newRow("bottom, Picture4's right edge, x 6675") << QPoint(kPicture4.right(), kBottomRow);
    QTest::newRow("bottom, inside Picture5 only") << QPoint(kPicture4.right() + 2, kBottomRow);
    QTest::newRow("Picture5, between tools and connector, x 7300") << QPoint(486, kBottomRow);
}

void DecorationTest::borderLinePassesThrough() {
    QFETCH(QPoint, point);
    frmMain window(platform::portMapFromList({}));
    const QImage shown = rendered(window);
    QVERIFY2(isBlack(shown.pixel(point)), qPrintable(QString::number(shown.pixel(point), 16)));
}

void DecorationTest::whiteBesideTheBorderLine_data() {
    QTest::addColumn<QPoint>("point");
    QTest::newRow("left of the left side") << QPoint(kLeftColumn - 2, 200);
    QTest::newRow("right of the left side") << QPoint(kLeftColumn + 2, 200);
    QTest::newRow("above the left side's top") << QPoint(kLeftColumn, 45);
    QTest::newRow("outside the top corner") << QPoint(kLeftColumn, kLineStart.y());
    QTest::newRow("inside the top corner") << QPoint(kLineStart.x(), kTopCornerEnd);
    QTest::newRow("above the start") << QPoint(kLineStart.x(), kLineStart.y() - 2);
    QTest::newRow("outside the lower corner") << QPoint(kLeftColumn, kBottomRow);
    QTest::newRow("inside the lower corner") << QPoint(kBottomRunStart, kLowerCornerStart);
    QTest::newRow("below the left side's end") << QPoint(kLeftColumn, kBottomRow + 1);
    QTest::newRow("above the bottom") << QPoint(200, kBottomRow - 2);
    QTest::newRow("below the bottom") << QPoint(200, kBottomRow + 1);
    QTest::newRow("above the join in Picture5") << QPoint(441, kBottomRow - 1);
    QTest::newRow("below the join in Picture5") << QPoint(441, kBottomRow + 1);
}

void DecorationTest::whiteBesideTheBorderLine() {
    QFETCH(QPoint, point);
    frmMain window(platform::portMapFromList({}));
    const QImage shown = rendered(window);
    QCOMPARE(shown.pixel(point), kWhite);
}

void DecorationTest::borderLineIsOneThinUnbrokenLine() {
    frmMain window(platform::portMapFromList({}));
    const QImage shown = rendered(window);
    // The line pieces, and of the icon picture the part left of its drawing.
    const QRect left = kPicture2.united(kPicture3);
    const QRect bottom(kPicture4.left(), kPicture4.top(), kPicture4.width() + 3,
                       kPicture4.height());
    QCOMPARE(bottom.top(), left.bottom() + 1);

    // Everything black there is one line from the start to the bottom's end.
    const auto line = blackComponent(shown, kLineStart, QRegion(left) + QRegion(bottom));
    QVERIFY(line.count({kPicture4.right() + 3, kBottomRow}));
    QCOMPARE(static_cast<int>(line.size()), blackCount(shown, left) + blackCount(shown, bottom));

    // One pixel thin down the left side and along the bottom.
    for (int y = kTopCornerEnd; y <= kLowerCornerStart; ++y)
        QCOMPARE(blackCount(shown, QRect(left.left(), y, left.width(), 1)), 1);
    for (int x = kBottomRunStart; x <= bottom.right(); ++x)
        QCOMPARE(blackCount(shown, QRect(x, bottom.top(), 1, bottom.height())), 1);
}

void DecorationTest::borderPiecesShowOnlyTheirColours() {
    frmMain window(platform::portMapFromList({}));
    const QImage shown = rendered(window);
    // Black and white only: no grey from the stretching, no background showing through.
    for (const QRect& piece : {kPicture2, kPicture3, kPicture4})
        QCOMPARE(coloursIn(shown, piece), (std::set<QRgb>{kWhite, kBlack}));
    QCOMPARE(coloursIn(shown, kPicture5), (std::set<QRgb>{kWhite, kBlack, kBlue}));
}

void DecorationTest::contactLabels() {
    frmMain window(platform::portMapFromList({}));
    QLabel* label3 = window.Label3;
    QCOMPARE(label3->font().family(), QStringLiteral("Arial"));
    QCOMPARE(label3->font().pointSizeF(), 8.25);
    QVERIFY(!label3->font().italic());
    QVERIFY(label3->wordWrap());
    QCOMPARE(label3->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QVERIFY(label3->autoFillBackground());
    QCOMPARE(label3->palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Base));
    QCOMPARE(label3->palette().color(QPalette::WindowText),
             QApplication::palette().color(QPalette::WindowText));
    // Its own text fits in its three lines.
    QVERIFY(label3->heightForWidth(label3->width()) <= label3->height());
    QCOMPARE(inkBands(rendered(*label3), QApplication::palette().color(QPalette::Base).rgb()), 3);

    QLabel* label4 = window.Label4;
    QCOMPARE(label4->font().family(), QStringLiteral("Arial"));
    QCOMPARE(label4->font().pointSizeF(), 8.25);
    QVERIFY(label4->font().italic());
    QVERIFY(!label4->wordWrap());
    QVERIFY(label4->fontMetrics().horizontalAdvance(label4->text()) <= label4->width());
    QVERIFY(!label4->text().isEmpty());
}

void DecorationTest::label3WrapsALongText() {
    frmMain window(platform::portMapFromList({}));
    QLabel* label3 = window.Label3;
    const QString text = QStringLiteral(
        "A text that is far too long for a single line of this label, so that it must break at a "
        "word boundary and go on in a second line");
    QVERIFY(label3->fontMetrics().horizontalAdvance(text) > label3->width());
    label3->setText(text);
    QCOMPARE(label3->geometry(), QRect(15, 420, 406, 46));
    const QImage shown = rendered(*label3);
    QCOMPARE(inkBands(shown, QApplication::palette().color(QPalette::Base).rgb()), 2);
}

QTEST_MAIN(DecorationTest)
#include "tst_decoration.moc"
