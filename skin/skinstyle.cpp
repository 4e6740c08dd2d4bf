#include "skinstyle.h"

#include "skincolours.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QPainter>
#include <QPolygonF>
#include <QStyleFactory>
#include <QStyleOption>
#include <QtMath>

namespace quorvane {

using namespace skincolours;

namespace {

bool isFlat(const QWidget* widget)
{
    return widget != nullptr && widget->property("appearance").toString() == QLatin1String("flat");
}

// Width of a control's edge: one line when flat, two for the 3-D edge.
int edgeWidth(const QWidget* widget)
{
    return isFlat(widget) ? 1 : 2;
}

void drawRing(QPainter* painter, const QRect& rect, const QColor& colour)
{
    if (rect.width() < 1 || rect.height() < 1)
        return;
    painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    painter->fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    painter->fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

// A two-colour 3-D edge: `topLeft` along the top and left, `bottomRight` along the
// bottom and right, the corners where they meet split diagonally.
void drawEdge(QPainter* painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight,
              int width)
{
    const QRectF outer(rect);
    const QRectF inner = outer.adjusted(width, width, -width, -width);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(bottomRight);
    painter->drawPolygon(QPolygonF{outer.topRight(), outer.bottomRight(), outer.bottomLeft(),
                                   inner.bottomLeft(), inner.bottomRight(), inner.topRight()});
    painter->setBrush(topLeft);
    painter->drawPolygon(QPolygonF{outer.bottomLeft(), outer.topLeft(), outer.topRight(), inner.topRight(),
                                   inner.topLeft(), inner.bottomLeft()});
    painter->restore();
}

// A text box's edge: one dark line when flat, sunken otherwise.
void drawBoxEdge(QPainter* painter, const QRect& rect, const QWidget* widget)
{
    if (isFlat(widget))
        drawRing(painter, rect, flatLine);
    else
        drawEdge(painter, rect, edgeShadow, edgeLight, 2);
}

// The focus ring: a light line around a dark one, so that one of them stands out
// from whatever is next to it. Text boxes draw it over their edge.
void drawFocusRing(QPainter* painter, const QRect& rect)
{
    drawRing(painter, rect, focusLight);
    drawRing(painter, rect.adjusted(1, 1, -1, -1), focusDark);
}

void drawButtonPanel(QPainter* painter, const QStyleOption* option, const QWidget* widget)
{
    const bool enabled = option->state & QStyle::State_Enabled;
    const bool pressed = option->state & (QStyle::State_Sunken | QStyle::State_On);
    const bool hovered = enabled && !pressed && (option->state & QStyle::State_MouseOver);
    painter->fillRect(option->rect, hovered ? panelHover : option->palette.color(QPalette::Button));
    if (isFlat(widget))
        drawRing(painter, option->rect, flatLine);
    else if (pressed)
        drawEdge(painter, option->rect, edgeShadow, edgeLight, 2);
    else
        drawEdge(painter, option->rect, edgeLight, edgeShadow, 2);
}

// The frame's top line runs through the title's tab, 0.6 of a line down.
int titleMarginTop(const QFontMetrics& metrics)
{
    return qCeil(0.6 * metrics.height());
}

} // namespace

SkinStyle::SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    switch (element) {
    case PE_PanelLineEdit:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            painter->fillRect(frame->rect, frame->palette.brush(QPalette::Base));
            if (frame->lineWidth > 0)
                drawPrimitive(PE_FrameLineEdit, frame, painter, widget);
        }
        return;
    case PE_FrameLineEdit:
        drawBoxEdge(painter, option->rect, widget);
        if (option->state & State_HasFocus)
            drawFocusRing(painter, option->rect);
        return;
    case PE_Frame:
        if (qobject_cast<const QAbstractScrollArea*>(widget) == nullptr)
            break;
        // A flat scroll area's frame keeps a pixel of its fill inside its line, room
        // for the focus ring's second line.
        drawBoxEdge(painter, option->rect, widget);
        if (isFlat(widget))
            drawRing(painter, option->rect.adjusted(1, 1, -1, -1), option->palette.color(QPalette::Base));
        if (option->state & State_HasFocus)
            drawFocusRing(painter, option->rect);
        return;
    case PE_PanelButtonCommand:
        drawButtonPanel(painter, option, widget);
        return;
    case PE_FrameDefaultButton:
        return;
    case PE_FrameFocusRect:
        drawFocusRing(painter, option->rect);
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    switch (element) {
    case CE_PushButtonBevel:
        drawButtonPanel(painter, option, widget);
        return;
    case CE_PushButton:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            drawButtonPanel(painter, button, widget);
            QStyleOptionButton label = *button;
            label.rect = subElementRect(SE_PushButtonContents, button, widget);
            QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
            if (button->state & State_HasFocus) {
                QStyleOptionFocusRect focus;
                focus.QStyleOption::operator=(*button);
                focus.rect = subElementRect(SE_PushButtonFocusRect, button, widget);
                drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
            }
        }
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || box == nullptr) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(frameLine);
    painter->setBrush(Qt::NoBrush);
    const QRectF frame(subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget));
    painter->drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (!box->text.isEmpty()) {
        const QRect label = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
        painter->setPen(Qt::NoPen);
        painter->setBrush(box->palette.brush(QPalette::Button));
        painter->drawRoundedRect(QRectF(label), 2, 2);
        painter->restore();
        drawItemText(painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                     box->state & State_Enabled, box->text, QPalette::ButtonText);
        return;
    }
    painter->restore();
}

QRect SkinStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    switch (element) {
    case SE_PushButtonFocusRect: {
        // The ring runs just inside the edge: its dark line stands out from the
        // edge's light side (4.1:1), its light line from the shadow side and the face.
        const int inset = edgeWidth(widget);
        return option->rect.adjusted(inset, inset, -inset, -inset);
    }
    case SE_PushButtonContents: {
        // The caption stays inside the focus ring.
        const int inset = edgeWidth(widget) + 2;
        return option->rect.adjusted(inset, inset, -inset, -inset);
    }
    default:
        return QProxyStyle::subElementRect(element, option, widget);
    }
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl subControl, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || box == nullptr)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    // The title sits on a tab 8 pixels in, with 6 pixels of panel each side of its text.
    const QFontMetrics& metrics = box->fontMetrics;
    const int top = box->text.isEmpty() ? 0 : titleMarginTop(metrics);
    const QRect frame = box->rect.adjusted(0, top, 0, 0);
    switch (subControl) {
    case SC_GroupBoxFrame:
        return frame;
    case SC_GroupBoxLabel:
        return QRect(8, 0, metrics.horizontalAdvance(box->text) + 12, metrics.height())
            .translated(box->rect.topLeft());
    case SC_GroupBoxContents:
        return frame.adjusted(1, 1, -1, -1);
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_DefaultFrameWidth) {
        if (qobject_cast<const QAbstractScrollArea*>(widget) != nullptr)
            return 2;
        if (qobject_cast<const QLineEdit*>(widget) != nullptr)
            return edgeWidth(widget);
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace quorvane
