#include "skin.h"

#include "skincolours.h"
#include "skinstyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyleOption>
#include <QTextEdit>
#include <cmath>

namespace quorvane {

using namespace skincolours;

namespace {

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

// Read-only text boxes show their text like a label set on a panel; the roles
// not named here come from the window.
QPalette readOnlyPalette()
{
    QPalette palette;
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

// Roles a widget set before the skin (a picture box's own background) stay as
// they are; so does everything on a second apply.
void setPaletteKeepingOwnRoles(QWidget* widget, QPalette palette)
{
    const QPalette own = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            if (own.isBrushSet(group, QPalette::ColorRole(role)))
                palette.setBrush(group, QPalette::ColorRole(role),
                                 own.brush(group, QPalette::ColorRole(role)));
    widget->setPalette(palette);
}

// One style for every window, made on first use and gone with the application.
QStyle* skinStyle()
{
    static QPointer<SkinStyle> style;
    if (style.isNull()) {
        style = new SkinStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

// The windows' fixed layouts were drawn for an 8-point sans serif; the desktop's
// default (DejaVu Sans 9 pt here) is wider and cuts off a dozen captions. The
// package depends on Liberation Sans, which has Arial's metrics.
QFont skinFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

// Width a control's one-line caption may take in its own pixels; 0 if it has none.
int captionRoom(const QWidget* widget, QString* text)
{
    const QStyle* style = widget->style();
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        *text = box->text();
        // A line edit keeps 2 pixels each side inside its contents, and one for its cursor.
        return style->subElementRect(QStyle::SE_LineEditContents, &option, box).width() - 5;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        *text = button->text();
        const QStyle::SubElement contents =
            qobject_cast<const QPushButton*>(button) != nullptr ? QStyle::SE_PushButtonContents
            : button->inherits("QRadioButton")                  ? QStyle::SE_RadioButtonContents
                                                                : QStyle::SE_CheckBoxContents;
        return style->subElementRect(contents, &option, button).width();
    }
    return 0;
}

// Where the 8-point face cuts a caption off, that caption is set closer, in the same
// face and size, so that no other size of the face is loaded and drawn: its letters
// come together by as much as a half-point smaller face would take off (a sixteenth).
// Where that is not enough, it gets a smaller size, in half-point steps down to 7 points.
void fitCaption(QWidget* widget, const QFont& windowFont)
{
    QString text;
    const int room = captionRoom(widget, &text);
    if (text.isEmpty())
        return;
    QFont font = windowFont;
    for (qreal size = font.pointSizeF(); size >= 7.0; size -= 0.5) {
        font.setPointSizeF(size);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.0);
        const int width = QFontMetrics(font, widget).horizontalAdvance(text);
        if (width <= room)
            break;
        if (width - room > width / 16.0)
            continue;
        // In eighths of a pixel a letter, rounded down.
        const qreal spacing = std::floor(8.0 * (room - width) / text.size()) / 8.0;
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        if (QFontMetrics(font, widget).horizontalAdvance(text) <= room)
            break;
    }
    if (font != widget->font())
        widget->setFont(font);
}

// Qt stops following the desktop's font once the application's font is set; this
// takes it up: on a theme change, the desktop's font as Qt would read it.
class DesktopFontFollower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ThemeChange && watched->isWindowType()) {
            QGuiApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        }
        return QObject::eventFilter(watched, event);
    }
};

bool& fontScopeActive()
{
    static bool active = false;
    return active;
}

} // namespace

SkinFontScope::SkinFontScope()
    : m_desktopFont(QGuiApplication::font()),
      m_active(!fontScopeActive() && QGuiApplication::topLevelWindows().isEmpty())
{
    if (m_active) {
        fontScopeActive() = true;
        QGuiApplication::setFont(skinFont());
    }
}

SkinFontScope::~SkinFontScope()
{
    if (!m_active) {
        return;
    }
    fontScopeActive() = false;
    QGuiApplication::setFont(m_desktopFont);
    [[maybe_unused]] static const bool following = [] {
        qApp->installEventFilter(new DesktopFontFollower(qApp));
        return true;
    }();
}

void Skin::prepare(QWidget* window)
{
    window->setFont(skinFont());
}

void Skin::apply(WId hWnd)
{
    QWidget* window = QWidget::find(hWnd);
    if (window == nullptr)
        return;
    QStyle* style = skinStyle();
    const QFont font = skinFont();
    window->setFont(font);
    setPaletteKeepingOwnRoles(window, skinPalette());
    if (!window->testAttribute(Qt::WA_SetStyle))
        window->setStyle(style);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->testAttribute(Qt::WA_SetStyle))
            child->setStyle(style);
        // A menu opens as a window of its own, which takes nothing from the one it
        // belongs to.
        if (child->isWindow()) {
            child->setFont(font);
            setPaletteKeepingOwnRoles(child, skinPalette());
        }
        if (isReadOnlyBox(child))
            setPaletteKeepingOwnRoles(child, readOnlyPalette());
        fitCaption(child, font);
    }
}

} // namespace quorvane
