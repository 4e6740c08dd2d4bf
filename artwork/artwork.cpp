#include "artwork.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace quorvane {

namespace {

// The service's two blues and the gold of its buttons, as our own lettering uses them.
const QColor darkBlue(0x14, 0x33, 0x7a);
const QColor lightBlue(0x1c, 0x8c, 0xd8);
const QColor goldTop(0xff, 0xe4, 0x85);
const QColor goldBottom(0xf6, 0xb0, 0x2c);
const QColor goldEdge(0xc2, 0x85, 0x12);
const QColor faceYellow(0xff, 0xd8, 0x1a);
const QColor faceLight(0xff, 0xf3, 0x8a);
const QColor faceEdge(0x6b, 0x45, 0x00);

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void beginPainting(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// Every word is set in Liberation Sans, named outright and never merged with another
// face, so the pictures do not depend on the machine's default font.
QFont drawingFont(int pixels, bool bold, bool italic)
{
    QFont font(drawingFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setBold(bold);
    font.setItalic(italic);
    font.setPixelSize(pixels);
    return font;
}

// Lettering takes its capitals and its descenders, not the room above for accents.
qreal letteringHeight(const QFontMetricsF& metrics)
{
    return metrics.capHeight() + metrics.descent();
}

// The largest pixel size, up to maxPixels, at which text fits the box.
QFont fittedFont(const QString& text, const QSizeF& box, int maxPixels, bool bold, bool italic)
{
    for (int pixels = maxPixels; pixels > 7; --pixels) {
        const QFont font = drawingFont(pixels, bold, italic);
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(text) <= box.width() && letteringHeight(metrics) <= box.height()) {
            return font;
        }
    }
    return drawingFont(7, bold, italic);
}

// The baseline on a whole pixel that centres capitals and descenders in the box.
qreal centredBaseline(const QRectF& box, const QFontMetricsF& metrics)
{
    return std::round(box.center().y() + (metrics.capHeight() - metrics.descent()) / 2);
}

void drawText(QPainter& painter, const QRectF& box, const QString& text, const QColor& colour, int maxPixels,
              bool bold = true)
{
    const QFont font = fittedFont(text, box.size(), maxPixels, bold, false);
    const QFontMetricsF metrics(font);
    const qreal x = std::round(box.center().x() - metrics.horizontalAdvance(text) / 2);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QPointF(x, centredBaseline(box, metrics)), text);
}

// The service's name as two-tone bold italic lettering, centred in the box.
void drawLogo(QPainter& painter, const QRectF& box, int maxPixels)
{
    const QString first = QStringLiteral("Pay");
    const QString second = QStringLiteral("Pal");
    // Italic letters lean past their advance, so keep a little room on the right.
    const QFont font =
        fittedFont(first + second, QSizeF(box.width() - 2, box.height()), maxPixels, true, true);
    const QFontMetricsF metrics(font);
    const qreal firstWidth = metrics.horizontalAdvance(first);
    const qreal width = metrics.horizontalAdvance(first + second);
    const qreal x = std::round(box.left() + (box.width() - width) / 2);
    const qreal baseline = centredBaseline(box, metrics);
    painter.setFont(font);
    painter.setPen(darkBlue);
    painter.drawText(QPointF(x, baseline), first);
    painter.setPen(lightBlue);
    painter.drawText(QPointF(x + firstWidth, baseline), second);
}

QLinearGradient verticalGradient(const QRectF& box, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

// A gold pill-shaped button face; box is in whole pixels. Returns the room left for a caption.
QRectF drawGoldFace(QPainter& painter, const QRectF& box)
{
    const QRectF edge = box.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(edge.height() / 2, 9);
    painter.setPen(QPen(goldEdge, 1));
    painter.setBrush(verticalGradient(edge, goldTop, goldBottom));
    painter.drawRoundedRect(edge, radius, radius);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(edge.left() + radius, edge.top() + 1),
                     QPointF(edge.right() - radius, edge.top() + 1));
    return box.adjusted(radius / 2 + 1, 1, -radius / 2 - 1, -1);
}

void drawGoldButton(QPainter& painter, const QRectF& box, const QString& caption, int maxPixels)
{
    drawText(painter, drawGoldFace(painter, box), caption, darkBlue, maxPixels);
}

// A white card with a thin grey edge, the ground of the logo pictures.
void drawCardGround(QPainter& painter, const QRectF& box)
{
    const QRectF edge = box.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor(0xa8, 0xb4, 0xc8), 1));
    painter.setBrush(verticalGradient(edge, Qt::white, QColor(0xe8, 0xee, 0xf7)));
    painter.drawRoundedRect(edge, 3, 3);
}

// Logo above a gold button carrying the words.
QImage logoOverWords(const QString& words)
{
    QImage image = blankImage(59, 27);
    QPainter painter(&image);
    beginPainting(painter);
    drawCardGround(painter, image.rect());
    drawLogo(painter, QRectF(2, 1, 55, 12), 12);
    drawGoldButton(painter, QRectF(3, 14, 53, 12), words, 9);
    return image;
}

// A credit card seen from the front: coloured body, chip and number band.
void drawCreditCard(QPainter& painter, const QRectF& box, const QColor& top, const QColor& bottom,
                    const QColor& band)
{
    const QRectF edge = box.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(bottom.darker(160), 1));
    painter.setBrush(verticalGradient(edge, top, bottom));
    painter.drawRoundedRect(edge, 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(band);
    painter.drawRect(QRectF(box.left() + 1, box.top() + 2, box.width() - 2, 3));
    painter.setBrush(QColor(0xe8, 0xc3, 0x5a));
    painter.drawRoundedRect(QRectF(box.left() + 3, box.top() + 7, 5, 4), 1, 1);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRect(QRectF(box.left() + 10, box.top() + 8, box.width() - 13, 1));
    painter.drawRect(QRectF(box.left() + 10, box.top() + 11, box.width() - 17, 1));
}

// The classic arrow pointer, tip at the given point, height in pixels.
void drawArrowPointer(QPainter& painter, const QPointF& tip, qreal height)
{
    const qreal s = height / 18;
    const std::array<QPointF, 7> shape{QPointF(0, 0),    QPointF(0, 15),   QPointF(3.7, 11.4),
                                       QPointF(6.3, 17), QPointF(8.6, 16), QPointF(6.1, 10.5),
                                       QPointF(11, 10.5)};
    QPolygonF arrow;
    for (const QPointF& point : shape) {
        arrow << tip + point * s;
    }
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
}

// Logo, a gold button with the words and a pointer about to press it.
QImage clickHere(const QString& words)
{
    QImage image = blankImage(147, 43);
    QPainter painter(&image);
    beginPainting(painter);
    drawCardGround(painter, image.rect());
    const QRectF button(7, 21, 124, 19);
    drawLogo(painter, QRectF(button.left(), 1, button.width(), 19), 18);
    // The pointer rests on the button's right end, clear of the words.
    const QRectF caption = drawGoldFace(painter, button).adjusted(0, 0, -8, 0);
    drawText(painter, caption, words, darkBlue, 12);
    drawArrowPointer(painter, QPointF(121.5, 28.5), 13);
    return image;
}

QImage roundedBuyNow()
{
    QImage image = blankImage(67, 19);
    QPainter painter(&image);
    beginPainting(painter);
    drawGoldButton(painter, image.rect(), QStringLiteral("Buy Now"), 12);
    return image;
}

QImage cardsOverBuyNow()
{
    QImage image = blankImage(67, 35);
    QPainter painter(&image);
    beginPainting(painter);
    drawCardGround(painter, image.rect());
    drawCreditCard(painter, QRectF(5, 2, 26, 15), QColor(0x2a, 0x5c, 0xc4), QColor(0x12, 0x2d, 0x78),
                   QColor(0xf2, 0xb8, 0x2c));
    drawCreditCard(painter, QRectF(36, 2, 26, 15), QColor(0xe2, 0x4a, 0x3a), QColor(0x9a, 0x1c, 0x16),
                   QColor(0x33, 0x22, 0x22));
    drawGoldButton(painter, QRectF(3, 19, 61, 14), QStringLiteral("Buy Now"), 11);
    return image;
}

// A plain grey push button with its raised three-dimensional edge. Its outer shadow
// is a mid grey, so a dark line drawn round the picture still stands out from it.
QImage squareBuyNow()
{
    QImage image = blankImage(67, 19);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRect box = image.rect();
    painter.fillRect(box, QColor(0x70, 0x70, 0x70));
    painter.fillRect(box.adjusted(0, 0, -1, -1), Qt::white);
    painter.fillRect(box.adjusted(1, 1, -1, -1), QColor(0x98, 0x98, 0x98));
    painter.fillRect(box.adjusted(1, 1, -2, -2), QColor(0xd4, 0xd0, 0xc8));
    drawText(painter, QRectF(box.adjusted(3, 2, -3, -2)), QStringLiteral("Buy Now"), Qt::black, 12);
    return image;
}

QImage bannerImage()
{
    QImage image = blankImage(320, 50);
    QPainter painter(&image);
    beginPainting(painter);
    const QRectF box = image.rect();
    painter.fillRect(box, verticalGradient(box, Qt::white, QColor(0xdc, 0xe7, 0xf7)));
    painter.fillRect(QRectF(0, 47, 320, 3), QColor(0xf6, 0xb0, 0x2c));
    drawLogo(painter, QRectF(8, 2, 126, 44), 32);
    painter.fillRect(QRectF(142, 9, 1, 30), QColor(0x9e, 0xb3, 0xd3));
    drawText(painter, QRectF(152, 5, 164, 21), QStringLiteral("Buy Now button"), QColor(0x22, 0x2c, 0x3c),
             17);
    drawText(painter, QRectF(152, 24, 164, 20), QStringLiteral("code generator"), QColor(0x4a, 0x55, 0x66),
             15, false);
    return image;
}

// Icons are laid out on a 16-unit grid so that at 16, 32 and 48 pixels every edge falls on
// a whole pixel. Below 24 pixels curves blur into grey, so those sizes are set pixel by pixel.
class IconCanvas
{
public:
    explicit IconCanvas(int size)
        : m_image(blankImage(size, size)), m_size(size), m_unit(size / 16.0), m_painter(&m_image)
    {
        m_painter.setRenderHint(QPainter::Antialiasing, !pixelArt());
    }

    bool pixelArt() const { return m_size < 24; }
    int size() const { return m_size; }
    qreal u() const { return m_unit; }
    // A stroke that stays thin at large sizes instead of growing with the grid.
    qreal line() const { return std::max<qreal>(1, std::round(m_size / 20.0)); }
    QRectF grid(qreal x, qreal y, qreal w, qreal h) const
    {
        return QRectF(x * m_unit, y * m_unit, w * m_unit, h * m_unit);
    }
    QPointF at(qreal x, qreal y) const { return QPointF(x * m_unit, y * m_unit); }
    QPainter& painter() { return m_painter; }
    void pixels(const QBrush& brush, std::initializer_list<QRect> rects)
    {
        for (const QRect& rect : rects) {
            m_painter.fillRect(rect, brush);
        }
    }
    QPixmap finish()
    {
        m_painter.end();
        return QPixmap::fromImage(std::move(m_image));
    }

private:
    QImage m_image;
    int m_size;
    qreal m_unit;
    QPainter m_painter;
};

QPen iconPen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QBrush faceShine(const IconCanvas& canvas)
{
    QRadialGradient shine(canvas.at(6, 5), 11 * canvas.u());
    shine.setColorAt(0, faceLight);
    shine.setColorAt(0.6, faceYellow);
    shine.setColorAt(1, QColor(0xf0, 0xb4, 0x00));
    return shine;
}

const QColor featureColour = faceEdge.darker(150);

bool inDisc(int size, int x, int y)
{
    const qreal centre = size / 2.0;
    const qreal dx = x + 0.5 - centre;
    const qreal dy = y + 0.5 - centre;
    return dx * dx + dy * dy <= centre * centre;
}

void drawFace(IconCanvas& canvas)
{
    QPainter& painter = canvas.painter();
    if (!canvas.pixelArt()) {
        const qreal inset = canvas.line() / 2;
        painter.setPen(iconPen(faceEdge, canvas.line()));
        painter.setBrush(faceShine(canvas));
        painter.drawEllipse(QRectF(inset, inset, canvas.size() - 2 * inset, canvas.size() - 2 * inset));
        return;
    }
    // A disc whose rim is every pixel that has a neighbour outside it.
    const int size = canvas.size();
    const QBrush shine = faceShine(canvas);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!inDisc(size, x, y)) {
                continue;
            }
            const bool rim = !inDisc(size, x - 1, y) || !inDisc(size, x + 1, y) || !inDisc(size, x, y - 1) ||
                             !inDisc(size, x, y + 1);
            painter.fillRect(QRect(x, y, 1, 1), rim ? QBrush(faceEdge) : shine);
        }
    }
}

QPixmap drawSmiley(int size)
{
    IconCanvas canvas(size);
    QPainter& painter = canvas.painter();
    drawFace(canvas);
    if (canvas.pixelArt()) {
        canvas.pixels(featureColour,
                      {QRect(5, 4, 2, 3), QRect(9, 4, 2, 3), QRect(4, 9, 1, 1), QRect(11, 9, 1, 1),
                       QRect(5, 10, 1, 1), QRect(10, 10, 1, 1), QRect(6, 11, 4, 1)});
        return canvas.finish();
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(featureColour);
    painter.drawEllipse(canvas.grid(5, 4, 2, 3.5));
    painter.drawEllipse(canvas.grid(9, 4, 2, 3.5));
    QPainterPath mouth(canvas.at(4, 9.5));
    mouth.quadTo(canvas.at(8, 14.5), canvas.at(12, 9.5));
    painter.setPen(iconPen(featureColour, 1.25 * canvas.u()));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(mouth);
    return canvas.finish();
}

const QColor mouthRed(0xe0, 0x12, 0x12);

QPixmap drawLaughing(int size)
{
    IconCanvas canvas(size);
    QPainter& painter = canvas.painter();
    drawFace(canvas);
    if (canvas.pixelArt()) {
        // Eyes squeezed shut with laughter, and the wide open mouth.
        canvas.pixels(featureColour,
                      {QRect(4, 6, 1, 1), QRect(5, 5, 1, 1), QRect(6, 6, 1, 1), QRect(9, 6, 1, 1),
                       QRect(10, 5, 1, 1), QRect(11, 6, 1, 1), QRect(3, 8, 10, 1), QRect(3, 9, 1, 2),
                       QRect(12, 9, 1, 2), QRect(4, 11, 1, 1), QRect(11, 11, 1, 1), QRect(5, 12, 1, 1),
                       QRect(10, 12, 1, 1), QRect(6, 13, 4, 1)});
        canvas.pixels(mouthRed, {QRect(4, 9, 8, 2), QRect(5, 11, 6, 1), QRect(6, 12, 4, 1)});
        return canvas.finish();
    }
    painter.setPen(iconPen(featureColour, 1.25 * canvas.u()));
    painter.setBrush(Qt::NoBrush);
    for (const qreal x : {4.0, 9.0}) {
        QPainterPath eye(canvas.at(x, 6.5));
        eye.quadTo(canvas.at(x + 1.5, 3.5), canvas.at(x + 3, 6.5));
        painter.drawPath(eye);
    }
    QPainterPath mouth(canvas.at(3.5, 8.5));
    mouth.lineTo(canvas.at(12.5, 8.5));
    mouth.cubicTo(canvas.at(12.5, 12), canvas.at(10.5, 13.5), canvas.at(8, 13.5));
    mouth.cubicTo(canvas.at(5.5, 13.5), canvas.at(3.5, 12), canvas.at(3.5, 8.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(mouthRed);
    painter.drawPath(mouth);
    painter.save();
    painter.setClipPath(mouth);
    painter.setBrush(Qt::white);
    painter.drawRect(canvas.grid(3.5, 8.5, 9, 1.5));
    painter.setBrush(QColor(0xff, 0x80, 0x80));
    painter.drawEllipse(canvas.grid(6, 11.5, 4, 3));
    painter.restore();
    painter.setPen(iconPen(featureColour, canvas.line()));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(mouth);
    return canvas.finish();
}

const QColor lockOutline(0x30, 0x30, 0x30);

QPixmap drawPadlock(int size)
{
    IconCanvas canvas(size);
    QPainter& painter = canvas.painter();
    // The raised square: light top and left edges, dark bottom and right edges, two layers deep.
    const int b = std::max(1, size / 32);
    const QRect square(0, 0, size, size);
    painter.fillRect(square, QColor(0x40, 0x40, 0x40));
    painter.fillRect(square.adjusted(0, 0, -b, -b), QColor(0xf4, 0xf4, 0xf4));
    painter.fillRect(square.adjusted(b, b, -b, -b), QColor(0x8a, 0x8a, 0x8a));
    painter.fillRect(square.adjusted(b, b, -2 * b, -2 * b), QColor(0xc8, 0xc8, 0xc8));

    const QRectF body = canvas.grid(3, 7, 10, 7);
    const QLinearGradient metal = verticalGradient(body, QColor(0xb4, 0xb4, 0xb4), QColor(0x6a, 0x6a, 0x6a));
    if (canvas.pixelArt()) {
        canvas.pixels(QColor(0x4a, 0x4a, 0x4a),
                      {QRect(6, 2, 4, 1), QRect(5, 3, 6, 1), QRect(5, 4, 2, 3), QRect(9, 4, 2, 3)});
        painter.fillRect(body, lockOutline);
        painter.fillRect(body.adjusted(1, 1, -1, -1), metal);
        canvas.pixels(QColor(0x18, 0x18, 0x18), {QRect(7, 9, 2, 3)});
        return canvas.finish();
    }
    QPainterPath shackle;
    shackle.addRoundedRect(canvas.grid(4.5, 1.5, 7, 9), 3.5 * canvas.u(), 3.5 * canvas.u());
    // The body hides the shackle's lower half, so the hole is left unfilled by the path's
    // even-odd rule: cutting it out with a path subtraction costs a millisecond at 256 pixels.
    shackle.addRoundedRect(canvas.grid(6.5, 3.5, 3, 7), 1.5 * canvas.u(), 1.5 * canvas.u());
    painter.setPen(iconPen(lockOutline, canvas.line() / 2));
    painter.setBrush(QColor(0x9a, 0x9a, 0x9a));
    painter.drawPath(shackle);

    const qreal inset = canvas.line() / 2;
    painter.setPen(QPen(lockOutline, canvas.line(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(metal);
    painter.drawRoundedRect(body.adjusted(inset, inset, -inset, -inset), canvas.line(), canvas.line());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x18, 0x18, 0x18));
    painter.drawEllipse(canvas.at(8, 10), 1 * canvas.u(), 1 * canvas.u());
    painter.drawRect(canvas.grid(7.5, 10, 1, 2));
    return canvas.finish();
}

} // namespace

QString drawingFamily()
{
    return QStringLiteral("Liberation Sans");
}

bool drawingFamilyInstalled()
{
    for (const bool bold : {false, true}) {
        for (const bool italic : {false, true}) {
            const QFontInfo face(drawingFont(12, bold, italic));
            if (face.family() != drawingFamily() || face.bold() != bold || face.italic() != italic) {
                return false;
            }
        }
    }
    return true;
}

QPixmap padlockPixmap(int size)
{
    return drawPadlock(size);
}
QPixmap smileyPixmap(int size)
{
    return drawSmiley(size);
}
QPixmap laughingPixmap(int size)
{
    return drawLaughing(size);
}

QPixmap bannerPicture()
{
    return QPixmap::fromImage(bannerImage());
}

QPixmap presetButtonPicture(int k)
{
    switch (k) {
    case 1:
        return QPixmap::fromImage(roundedBuyNow());
    case 2:
        return QPixmap::fromImage(cardsOverBuyNow());
    case 3:
        return QPixmap::fromImage(logoOverWords(QStringLiteral("payments")));
    case 4:
        return QPixmap::fromImage(logoOverWords(QStringLiteral("check out")));
    case 5:
        return QPixmap::fromImage(clickHere(QStringLiteral("Click here to buy")));
    case 6:
        return QPixmap::fromImage(logoOverWords(QStringLiteral("buy now")));
    case 7:
        return QPixmap::fromImage(squareBuyNow());
    case 8:
        return QPixmap::fromImage(clickHere(QStringLiteral("Click here to pay")));
    default:
        return QPixmap();
    }
}

} // namespace quorvane
