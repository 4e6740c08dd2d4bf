#pragma once

#include <QProxyStyle>

namespace quorvane {

// Draws the skin's controls directly: raised and sunken 3-D edges, one-pixel lines
// for flat controls (dynamic property appearance="flat"), frames with their title
// on a panel tab, and a focus ring that stands out on any background. Check boxes,
// option buttons and scroll bars are Fusion's, in the skin's palette.
class SkinStyle : public QProxyStyle
{
public:
    SkinStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace quorvane
