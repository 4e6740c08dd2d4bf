#include "skin.h"

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QString>
#include <QTextEdit>

namespace quorvane {

namespace {

// The skin's four colours, 0xRRGGBB.
const QColor backColor(0xAE7260);
const QColor foreColor(0xFFF9EC);
const QColor panelColor(0x81533F);
const QColor panelTextColor(0xFAF4E4);

// Cream on the raw backdrop reaches only 3.7:1, below the 4.5:1 every text
// needs, so the backdrop is darkened to 80 % of each channel (darker(125) keeps
// hue and saturation): 5.4:1. The panel (panel text on it 5.9:1 as given) is
// darkened alike so that buttons and frame titles stay apart from the darker
// backdrop: 8.0:1.
const QColor backdrop = backColor.darker(125);
const QColor panel = panelColor.darker(125);

// Text boxes are cream with deep brown text (10:1); their placeholder is the raw
// panel colour (6.2:1). Selections use the panel and its text.
const QColor boxBase = foreColor;
const QColor boxText = panelColor.darker(150);
const QColor placeholder = panelColor;

QColor mix(const QColor& from, const QColor& to, double share)
{
    const auto blend = [share](int a, int b) { return qRound(a + (b - a) * share); };
    return QColor(blend(from.red(), to.red()), blend(from.green(), to.green()),
                  blend(from.blue(), to.blue()));
}

// Disabled texts fade a little towards their background and still keep 4.5:1.
const QColor disabledWindowText = mix(foreColor, backdrop, 0.1);
const QColor disabledBoxText = mix(boxText, boxBase, 0.25);
const QColor disabledPanelText = mix(panelTextColor, panel, 0.25);

// Edges: light and shadow of the panel for raised and sunken 3-D edges, one
// dark line for flat controls, a soft line for frames.
const QColor edgeLight = mix(panel, foreColor, 0.35);
const QColor edgeShadow = panel.darker(190);
const QColor flatLine = panel.darker(160);
const QColor frameLine = mix(backdrop, foreColor, 0.45);
const QColor panelHover = mix(panel, backdrop, 0.35);

QPalette skinPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, backdrop);
    palette.setColor(QPalette::WindowText, foreColor);
    palette.setColor(QPalette::Base, boxBase);
    palette.setColor(QPalette::AlternateBase, mix(boxBase, panelTextColor, 0.5));
    palette.setColor(QPalette::Text, boxText);
    palette.setColor(QPalette::PlaceholderText, placeholder);
    palette.setColor(QPalette::Button, panel);
    palette.setColor(QPalette::ButtonText, panelTextColor);
    palette.setColor(QPalette::BrightText, foreColor);
    palette.setColor(QPalette::Light, edgeLight);
    palette.setColor(QPalette::Midlight, mix(panel, edgeLight, 0.5));
    palette.setColor(QPalette::Mid, mix(panel, edgeShadow, 0.5));
    palette.setColor(QPalette::Dark, edgeShadow);
    palette.setColor(QPalette::Shadow, edgeShadow.darker(150));
    palette.setColor(QPalette::Highlight, panel);
    palette.setColor(QPalette::HighlightedText, panelTextColor);
    palette.setColor(QPalette::ToolTipBase, boxBase);
    palette.setColor(QPalette::ToolTipText, boxText);
    palette.setColor(QPalette::Link, foreColor);
    palette.setColor(QPalette::LinkVisited, panelTextColor);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledWindowText);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledBoxText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledPanelText);
    return palette;
}

// Read-only text boxes show their text like a label set on a panel.
QPalette readOnlyPalette()
{
    QPalette palette = skinPalette();
    palette.setColor(QPalette::Base, panel);
    palette.setColor(QPalette::Text, panelTextColor);
    palette.setColor(QPalette::PlaceholderText, disabledPanelText);
    palette.setColor(QPalette::Highlight, boxBase);
    palette.setColor(QPalette::HighlightedText, panel);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledPanelText);
    return palette;
}

bool isReadOnlyBox(const QWidget* widget)
{
    if (const auto* box = qobject_cast<const QLineEdit*>(widget))
        return box->isReadOnly();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(widget))
        return box->isReadOnly();
    if (const auto* box = qobject_cast<const QTextEdit*>(widget))
        return box->isReadOnly();
    return false;
}

// A box's viewport and scroll bars belong to the box.
bool inReadOnlyBox(const QWidget* widget)
{
    for (; widget != nullptr; widget = widget->parentWidget())
        if (isReadOnlyBox(widget))
            return true;
    return false;
}

// Roles the window set for a widget before the skin (a picture box's own
// background) stay as they are; so does everything on a second apply.
void skinWidget(QWidget* widget)
{
    const QPalette own = widget->palette();
    QPalette palette = inReadOnlyBox(widget) ? readOnlyPalette() : skinPalette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            if (own.isBrushSet(group, QPalette::ColorRole(role)))
                palette.setBrush(group, QPalette::ColorRole(role),
                                 own.brush(group, QPalette::ColorRole(role)));
    widget->setPalette(palette);
}

// Only borders, frames and fills: no size and no margin that a layout could
// read. Text colours of labels, text boxes, check boxes and option
// buttons come from their palettes: a sheet colour would also recolour the
// indicators' marks and halve the placeholder's opacity. Text boxes still need
// their fill here, as a sheet border alone paints them white.
QString skinSheet()
{
    return QStringLiteral(
               "QGroupBox { border: 1px solid %1; border-radius: 3px; margin-top: 0.6em; }"
               "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px;"
               " padding: 0px 4px; border-radius: 2px; background-color: %2; color: %3; }"
               "QLineEdit, QPlainTextEdit, QTextEdit { background-color: %9;"
               " border: 2px solid; border-color: %4 %5 %5 %4; }"
               "QLineEdit[readOnly=\"true\"], QPlainTextEdit[readOnly=\"true\"],"
               " QTextEdit[readOnly=\"true\"] { background-color: %2; }"
               "QPushButton { background-color: %2; color: %3; padding: 2px 1px;"
               " border: 2px solid; border-color: %5 %4 %4 %5; }"
               "QPushButton:hover, QPushButton:focus { background-color: %6; }"
               "QPushButton:pressed { background-color: %2; border-color: %4 %5 %5 %4; }"
               "QPushButton:disabled { color: %7; }"
               "QLineEdit[appearance=\"flat\"], QPlainTextEdit[appearance=\"flat\"],"
               " QTextEdit[appearance=\"flat\"], QPushButton[appearance=\"flat\"]"
               " { border: 1px solid %8; }"
               "QLineEdit[appearance=\"flat\"] { padding: 0px; }")
        .arg(frameLine.name(), panel.name(), panelTextColor.name(), edgeShadow.name(), edgeLight.name(),
             panelHover.name(), disabledPanelText.name(), flatLine.name(), boxBase.name());
}

// The windows' fixed layouts were drawn for an 8-point sans serif; the desktop's
// default (DejaVu Sans 9 pt here) is wider and cuts off a dozen captions. An
// Arial-metric face at 8 points fits them all; fontconfig substitutes the
// nearest sans where it is not installed.
QFont skinFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

// The window's own rules follow the skin's, so that at equal weight they win;
// a child's own sheet wins anyway. Applying again leaves the sheet as it is.
QString withSkinSheet(const QString& ownSheet)
{
    const QString sheet = skinSheet();
    if (ownSheet.startsWith(sheet))
        return ownSheet;
    return sheet + ownSheet;
}

} // namespace

void Skin::apply(WId hWnd)
{
    QWidget* window = QWidget::find(hWnd);
    if (window == nullptr)
        return;
    // A sheet sets each widget's palette when it polishes the widget, from the
    // application's palette rather than the parent's. So every widget is
    // polished under the skin's sheet first and gets its palette afterwards.
    window->setFont(skinFont());
    window->setStyleSheet(withSkinSheet(window->styleSheet()));
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    window->ensurePolished();
    for (QWidget* child : children)
        child->ensurePolished();
    skinWidget(window);
    for (QWidget* child : children)
        skinWidget(child);
}

} // namespace quorvane
