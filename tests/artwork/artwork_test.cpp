#include "artwork.h"
#include "pictures.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <array>
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

using PixmapFactory = QPixmap (*)(int);

// The preset pictures' sizes, each its box's in the main window less a frame, a focus line
// and a border all round; the window icons': the title and task bars' two, the launchers'.
const std::array<QSize, 8> presetPictureSizes = {QSize(67, 19), QSize(67, 35),  QSize(59, 27),
                                                 QSize(59, 27), QSize(147, 43), QSize(59, 27),
                                                 QSize(67, 19), QSize(147, 43)};
const QList<int> windowIconSizes = {16, 32, 48};

struct WindowIcon
{
    QString name;
    PixmapFactory draw;
};
const std::array<WindowIcon, 3> windowIcons = {{{QStringLiteral("padlock"), padlockPixmap},
                                                {QStringLiteral("smiley"), smileyPixmap},
                                                {QStringLiteral("laughing"), laughingPixmap}}};

} // namespace

Q_DECLARE_METATYPE(PixmapFactory)

class ArtworkTest : public QObject
{
    Q_OBJECT

private slots:
    void presetSizes_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QSize>("size");
        const std::array<const char*, 8> names = {
            "rounded Buy Now",   "cards over buy now", "logo over payments", "logo over check out",
            "click here to buy", "logo over buy now",  "square Buy Now",     "click here to pay"};
        for (int k = 1; k <= 8; ++k) {
            QTest::addRow("%d %s", k, names[k - 1]) << k << presetPictureSizes[k - 1];
        }
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
        const QList<QPoint> roundedCorners{{0, 0}, {66, 0}, {0, 18}, {66, 18}};
        for (const QPoint& corner : roundedCorners) {
            QVERIFY(!opaque(rounded.pixelColor(corner)));
        }
        const QList<QPoint> squareCorners{{0, 0}, {66, 0}, {0, 18}, {66, 18}};
        for (const QPoint& corner : squareCorners) {
            QVERIFY(opaque(square.pixelColor(corner)));
        }
        // A raised grey button: light top-left edge, dark bottom-right edge, grey face.
        QVERIFY(square.pixelColor(0, 0).lightness() > square.pixelColor(66, 18).lightness() + 100);
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

    // The program shows only what was drawn when it was built: its embedded pictures
    // must be exactly the drawn ones, one for each picture of the windows, at their sizes
    // (the icons' pixels are compared below).
    void embeddedPicturesAreTheDrawnOnes()
    {
        QMap<QString, QImage> expected;
        expected.insert(QStringLiteral("banner"), straightAlpha(bannerPicture()));
        for (int k = 1; k <= 8; ++k) {
            expected.insert(QStringLiteral("preset%1").arg(k), straightAlpha(presetButtonPicture(k)));
        }
        QStringList names = expected.keys();
        for (const WindowIcon& icon : windowIcons) {
            for (const int side : windowIconSizes) {
                names << QStringLiteral("%1-%2").arg(icon.name).arg(side);
            }
        }
        QStringList embedded;
        QDirIterator files(QStringLiteral(":/pictures"), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            embedded << files.next().mid(QStringLiteral(":/pictures/").size());
        }
        embedded.sort();
        for (QString& name : names) {
            name += QStringLiteral(".raw");
        }
        names.sort();
        QCOMPARE(embedded, names);
        for (auto drawn = expected.cbegin(); drawn != expected.cend(); ++drawn) {
            QVERIFY2(straightAlpha(embeddedPicture(drawn.key())) == drawn.value(), qPrintable(drawn.key()));
        }
        QCOMPARE(embeddedPicture(QStringLiteral("banner")).size(), QSize(320, 50));
        for (int k = 1; k <= 8; ++k) {
            QCOMPARE(embeddedPicture(QStringLiteral("preset%1").arg(k)).size(), presetPictureSizes[k - 1]);
        }
    }

    void embeddedIconsHaveEveryWindowSize()
    {
        for (const WindowIcon& icon : windowIcons) {
            const QIcon loaded = embeddedIcon(icon.name);
            QList<QSize> sizes;
            for (const int side : windowIconSizes) {
                sizes << QSize(side, side);
                const QImage image = straightAlpha(loaded.pixmap(QSize(side, side)));
                QCOMPARE(image, straightAlpha(icon.draw(side)));
                QVERIFY(countPixels(image, opaque) > side * side * 2 / 3);
            }
            QCOMPARE(loaded.availableSizes(), sizes);
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
        // Whatever the machine's default font: the lettering names its own face.
        QVERIFY(drawingFamilyInstalled());
        const QImage lettered = presetButtonPicture(5).toImage();
        const QFont machineFont = QGuiApplication::font();
        QGuiApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 15));
        QCOMPARE(presetButtonPicture(5).toImage(), lettered);
        QGuiApplication::setFont(machineFont);
        for (const WindowIcon& icon : windowIcons) {
            for (const int side : windowIconSizes) {
                QCOMPARE(icon.draw(side).toImage(), icon.draw(side).toImage());
            }
        }
    }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
