#pragma once

#include <QColor>

namespace quorvane::skincolours {

inline QColor mix(const QColor& from, const QColor& to, double share)
{
    const auto blend = [share](int a, int b) { return qRound(a + (b - a) * share); };
    return QColor(blend(from.red(), to.red()), blend(from.green(), to.green()),
                  blend(from.blue(), to.blue()));
}

// The skin's four colours, 0xRRGGBB.
inline const QColor backColor(0xAE7260);
inline const QColor foreColor(0xFFF9EC);
inline const QColor panelColor(0x81533F);
inline const QColor panelTextColor(0xFAF4E4);

// Cream on the raw backdrop reaches only 3.7:1, below the 4.5:1 every text
// needs, so the backdrop is darkened to 80 % of each channel (darker(125) keeps
// hue and saturation): 5.4:1. The panel (panel text on it 5.9:1 as given) is
// darkened alike so that buttons and frame titles stay apart from the darker
// backdrop: 8.0:1.
inline const QColor backdrop = backColor.darker(125);
inline const QColor panel = panelColor.darker(125);

// Text boxes are cream with deep brown text (10:1); their placeholder is the raw
// panel colour (6.2:1). Selections use the panel and its text.
inline const QColor boxBase = foreColor;
inline const QColor boxText = panelColor.darker(150);
inline const QColor placeholder = panelColor;

// Disabled texts fade a little towards their background and still keep 4.5:1.
inline const QColor disabledWindowText = mix(foreColor, backdrop, 0.1);
inline const QColor disabledBoxText = mix(boxText, boxBase, 0.25);
inline const QColor disabledPanelText = mix(panelTextColor, panel, 0.25);

// Edges: light and shadow of the panel for raised and sunken 3-D edges, one
// dark line for flat controls, a soft line for frames.
inline const QColor edgeLight = mix(panel, foreColor, 0.35);
inline const QColor edgeShadow = panel.darker(190);
inline const QColor flatLine = panel.darker(160);
inline const QColor frameLine = mix(backdrop, foreColor, 0.45);
inline const QColor panelHover = mix(panel, backdrop, 0.35);

// The focus ring is a cream line around a near-black one: whatever it is drawn
// on, backdrop (5.4:1), panel (8.3:1), text box or a light picture (14:1), one
// of the two stands out by more than 3:1.
inline const QColor focusLight = foreColor;
inline const QColor focusDark = edgeShadow;

} // namespace quorvane::skincolours
