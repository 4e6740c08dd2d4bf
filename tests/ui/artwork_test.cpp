#include "artwork.h"

#include <QImage>
#include <QTest>
#include <functional>

using namespace quorvane;

namespace {

QImage straightAlpha(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int countPixels(const QImage& image, const std::function<bool(const QColor&)>& test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixelColor(x, y))) {
                ++count;
            }
        }
    }
    return count;
}

bool opaque(const QColor& c)
{
    return c.alpha() == 255;
}
bool yellow(const QColor& c)
{
    return opaque(c) && c.hsvHue() >= 38 && c.hsvHue() <= 62 && c.hsvSaturationF() > 0.4 && c.valueF() > 0.6;
}
bool red(const QColor& c)
{
    const int hue = c.hsvHue();
    return opaque(c) && (hue <= 10 || hue >= 350) && c.hsvSaturationF() >= 0.6 && c.valueF() >= 0.5;
}
bool grey(const QColor& c)
{
    return opaque(c) && c.hsvSaturationF() < 0.08;
}

using IconFactory = QIcon (*)();
using PixmapFactory = QPixmap (*)(int);

} // namespace

Q_DECLARE_METATYPE(IconFactory)
Q_DECLARE_METATYPE(PixmapFactory)

class ArtworkTest : public QObject
{
    Q_OBJECT

private slots:
    void presetSizes_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QSize>("size");
        QTest::newRow("1 rounded Buy Now") << 1 << QSize(68, 23);
        QTest::newRow("2 cards over buy now") << 2 << QSize(73, 44);
        QTest::newRow("3 logo over payments") << 3 << QSize(62, 31);
        QTest::newRow("4 logo over check out") << 4 << QSize(62, 31);
        QTest::newRow("5 click here to buy") << 5 << QSize(150, 52);
        QTest::newRow("6 logo over buy now") << 6 << QSize(62, 31);
        QTest::newRow("7 square Buy Now") << 7 << QSize(72, 23);
        QTest::newRow("8 click here to pay") << 8 << QSize(150, 52);
    }
    void presetSizes()
    {
        QFETCH(int, k);
        QFETCH(QSize, size);
        const QPixmap picture = presetButtonPicture(k);
        QCOMPARE(picture.size(), size);
        const QImage image = straightAlpha(picture);
        QVERIFY(countPixels(image, opaque) > image.width() * image.height() * 3 / 4);
    }

    void presetOutOfRangeIsNull()
    {
        QVERIFY(presetButtonPicture(0).isNull());
        QVERIFY(presetButtonPicture(9).isNull());
        QVERIFY(presetButtonPicture(-1).isNull());
    }

    void presetsDifferFromEachOther()
    {
        for (int a = 1; a <= 8; ++a) {
            for (int b = a + 1; b <= 8; ++b) {
                QVERIFY2(presetButtonPicture(a).toImage() != presetButtonPicture(b).toImage(),
                         qPrintable(QStringLiteral("pictures %1 and %2 are the same").arg(a).arg(b)));
            }
        }
    }

    void roundedAndSquareButtons()
    {
        const QImage rounded = straightAlpha(presetButtonPicture(1));
        const QImage square = straightAlpha(presetButtonPicture(7));
        for (const QImage* image : {&rounded, &square}) {
            QVERIFY(opaque(image->pixelColor(image->width() / 2, image->height() / 2)));
        }
        const QList<QPoint> roundedCorners{{0, 0}, {67, 0}, {0, 22}, {67, 22}};
        for (const QPoint& corner : roundedCorners) {
            QVERIFY(!opaque(rounded.pixelColor(corner)));
        }
        const QList<QPoint> squareCorners{{0, 0}, {71, 0}, {0, 22}, {71, 22}};
        for (const QPoint& corner : squareCorners) {
            QVERIFY(opaque(square.pixelColor(corner)));
        }
        // A raised grey button: light top-left edge, dark bottom-right edge, grey face.
        QVERIFY(square.pixelColor(0, 0).lightness() > square.pixelColor(71, 22).lightness() + 100);
        QVERIFY(grey(square.pixelColor(4, 4)));
    }

    void bannerIsFullAndOpaque()
    {
        const QPixmap banner = bannerPicture();
        QCOMPARE(banner.size(), QSize(320, 50));
        const QImage image = straightAlpha(banner);
        QCOMPARE(countPixels(image, opaque), 320 * 50);
        const int lettering = countPixels(image, [](const QColor& c) { return c.lightness() < 128; });
        QVERIFY2(lettering > 500, qPrintable(QString::number(lettering)));
    }

    void iconSizes_data()
    {
        QTest::addColumn<IconFactory>("icon");
        QTest::newRow("padlock") << IconFactory(padlockIcon);
        QTest::newRow("smiley") << IconFactory(smileyIcon);
        QTest::newRow("laughing") << IconFactory(laughingIcon);
    }
    void iconSizes()
    {
        QFETCH(IconFactory, icon);
        const QIcon drawn = icon();
        const QList<QSize> sizes = drawn.availableSizes();
        for (const int side : {16, 32}) {
            QVERIFY(sizes.contains(QSize(side, side)));
            const QImage image = straightAlpha(drawn.pixmap(QSize(side, side)));
            QCOMPARE(image.size(), QSize(side, side));
            QVERIFY(countPixels(image, opaque) > side * side * 2 / 3);
        }
    }

    void iconColours_data()
    {
        QTest::addColumn<PixmapFactory>("draw");
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48}) {
            QTest::addRow("padlock %d", size) << PixmapFactory(padlockPixmap) << size;
            QTest::addRow("smiley %d", size) << PixmapFactory(smileyPixmap) << size;
            QTest::addRow("laughing %d", size) << PixmapFactory(laughingPixmap) << size;
        }
    }
    void iconColours()
    {
        QFETCH(PixmapFactory, draw);
        QFETCH(int, size);
        const QImage image = straightAlpha(draw(size));
        QCOMPARE(image.size(), QSize(size, size));
        const int drawnPixels = countPixels(image, opaque);
        const int reds = countPixels(image, red);
        if (draw == padlockPixmap) {
            QVERIFY(countPixels(image, grey) > drawnPixels * 9 / 10);
            QCOMPARE(reds, 0);
        } else {
            QVERIFY2(countPixels(image, yellow) > drawnPixels / 2, "the face is not mostly yellow");
            if (draw == laughingPixmap) {
                QVERIFY2(reds >= size * size / 25, qPrintable(QString::number(reds)));
            } else {
                QCOMPARE(reds, 0);
            }
        }
    }

    void anySizeIsSquare()
    {
        for (const PixmapFactory draw : {padlockPixmap, smileyPixmap, laughingPixmap}) {
            for (const int size : {24, 64, 256}) {
                QCOMPARE(draw(size).size(), QSize(size, size));
            }
        }
    }

    void drawingIsDeterministic()
    {
        for (int k = 1; k <= 8; ++k) {
            QCOMPARE(presetButtonPicture(k).toImage(), presetButtonPicture(k).toImage());
        }
        QCOMPARE(bannerPicture().toImage(), bannerPicture().toImage());
        for (const IconFactory icon : {padlockIcon, smileyIcon, laughingIcon}) {
            for (const int side : {16, 32}) {
                QCOMPARE(icon().pixmap(side).toImage(), icon().pixmap(side).toImage());
            }
        }
    }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
