#include "lazymenubar.h"

#include <QActionEvent>
#include <QApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <algorithm>

namespace quorvane {

LazyMenuBar::LazyMenuBar(QWidget* parent) : QWidget(parent)
{
    // As QMenuBar sets itself up.
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setBackgroundRole(QPalette::Button);
    QAccessible::installActivationObserver(this);
    if (parent) {
        m_window = parent->window();
        m_window->installEventFilter(this);
    }
}

LazyMenuBar::~LazyMenuBar()
{
    QAccessible::removeActivationObserver(this);
}

QMenuBar* LazyMenuBar::bar()
{
    if (m_bar) {
        return m_bar;
    }
    for (const int id : std::as_const(m_mnemonics)) {
        releaseShortcut(id);
    }
    m_mnemonics.clear();
    endAltPress();
    if (m_window) {
        m_window->removeEventFilter(this);
    }
    m_bar = new QMenuBar(parentWidget());
    m_bar->setObjectName(objectName());
    setObjectName(QString());
    m_bar->setAccessibleName(accessibleName());
    if (testAttribute(Qt::WA_SetStyle)) {
        m_bar->setStyle(style());
    }
    if (testAttribute(Qt::WA_SetFont)) {
        m_bar->setFont(font());
    }
    if (testAttribute(Qt::WA_SetPalette)) {
        m_bar->setPalette(palette());
    }
    if (testAttribute(Qt::WA_SetLayoutDirection)) {
        m_bar->setLayoutDirection(layoutDirection());
    }
    m_bar->addActions(actions());
    m_bar->setGeometry(geometry());
    // In this one's place among its siblings too, for assistive technology's order.
    m_bar->stackUnder(this);
    QLayout* layout = parentWidget() ? parentWidget()->layout() : nullptr;
    if (layout && layout->menuBar() == this) {
        layout->setMenuBar(m_bar);
    }
    emit barMade(m_bar);
    if (isVisible()) {
        m_bar->show();
        hide();
    }
    deleteLater();
    return m_bar;
}

// QMenuBar's item layout: each title's text (or small icon) grown by the style, one
// item spacing apart, inside the panel and margins, all as tall as the tallest; from
// the right in a right-to-left bar.
QList<QRect> LazyMenuBar::titleRects() const
{
    if (!m_placesKnown) {
        m_places = titlePlaces();
        m_placesKnown = true;
    }
    QList<QRect> rects = m_places;
    for (QRect& rect : rects) {
        if (!rect.isNull()) {
            rect = QStyle::visualRect(layoutDirection(), this->rect(), rect);
        }
    }
    return rects;
}

QList<QRect> LazyMenuBar::titlePlaces() const
{
    const QStyle* look = style();
    const int frame = look->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    const int spacing = look->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, this);
    const int icon = look->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    int x = frame + look->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, this) + spacing;
    const int y = frame + look->pixelMetric(QStyle::PM_MenuBarVMargin, nullptr, this);
    QList<QRect> rects;
    int height = 0;
    for (const QAction* title : actions()) {
        QSize size;
        if (title->isVisible() && !title->isSeparator()) {
            if (!title->icon().isNull()) {
                size = QSize(icon, icon);
            } else if (!title->text().isEmpty()) {
                size = fontMetrics().size(Qt::TextShowMnemonic, title->text());
            }
            const QStyleOptionMenuItem option = titleOption(title);
            size = look->sizeFromContents(QStyle::CT_MenuBarItem, &option, size, this);
        }
        if (size.isEmpty()) {
            rects.append(QRect());
            continue;
        }
        rects.append(QRect(QPoint(x, y), size));
        x += size.width() + spacing;
        height = std::max(height, size.height());
    }
    for (QRect& rect : rects) {
        if (!rect.isNull()) {
            rect.setHeight(height);
        }
    }
    return rects;
}

QStyleOptionMenuItem LazyMenuBar::titleOption(const QAction* title) const
{
    QStyleOptionMenuItem option;
    option.palette = palette();
    option.state = QStyle::State_None;
    if (isEnabled() && title->isEnabled()) {
        option.state |= QStyle::State_Enabled;
    } else {
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    option.fontMetrics = fontMetrics();
    if (hasFocus()) {
        option.state |= QStyle::State_HasFocus;
    }
    option.menuRect = rect();
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.checkType = QStyleOptionMenuItem::NotCheckable;
    option.text = title->text();
    option.icon = title->icon();
    return option;
}

// The bar's size around its contents, as the style makes it.
QSize LazyMenuBar::fromContents(QSize size) const
{
    QStyleOptionMenuItem option;
    option.rect = rect();
    option.menuRect = rect();
    option.state = QStyle::State_None;
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.checkType = QStyleOptionMenuItem::NotCheckable;
    option.palette = palette();
    return style()->sizeFromContents(QStyle::CT_MenuBar, &option, size, this);
}

QSize LazyMenuBar::sizeHint() const
{
    ensurePolished();
    const QStyle* look = style();
    const int frame = look->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    QSize size(0, 0);
    for (const QRect& rect : titleRects()) {
        size = size.expandedTo(QSize(rect.x() + rect.width(), rect.y() + rect.height()));
    }
    size += QSize(frame + look->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, this),
                  frame + look->pixelMetric(QStyle::PM_MenuBarVMargin, nullptr, this));
    return fromContents(size);
}

QSize LazyMenuBar::minimumSizeHint() const
{
    ensurePolished();
    const QStyle* look = style();
    const int frame = look->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    QSize size(0, 0);
    for (const QRect& rect : titleRects()) {
        if (size.isNull()) {
            size = rect.size();
        }
    }
    size += QSize(2 * frame + look->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, this),
                  2 * frame + look->pixelMetric(QStyle::PM_MenuBarVMargin, nullptr, this));
    return fromContents(size);
}

int LazyMenuBar::heightForWidth(int) const
{
    const QStyle* look = style();
    int height = 0;
    for (const QRect& rect : titleRects()) {
        height = std::max(height, rect.height());
    }
    if (height > 0) {
        height += look->styleHint(QStyle::SH_MainWindow_SpaceBelowMenuBar, nullptr, this);
    }
    return height + 2 * look->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this) +
           2 * look->pixelMetric(QStyle::PM_MenuBarVMargin, nullptr, this);
}

bool LazyMenuBar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Polish:
        if (QAccessible::isActive()) {
            bar();
        }
        break;
    case QEvent::Shortcut: {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        openTitle(shortcut->shortcutId(), shortcut->key());
        return true;
    }
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
        m_placesKnown = false;
        updateGeometry();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

// A QMenuBar grabs each title's mnemonic as a shortcut of its window.
void LazyMenuBar::grabMnemonics()
{
    for (const int id : std::as_const(m_mnemonics)) {
        releaseShortcut(id);
    }
    m_mnemonics.clear();
    for (const QAction* title : actions()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(title->text());
        m_mnemonics.append(mnemonic.isEmpty() ? 0 : grabShortcut(mnemonic));
    }
}

// The real bar takes the mnemonic pressed, and opens its title if nothing on the way
// did.
void LazyMenuBar::openTitle(int shortcutId, const QKeySequence& key)
{
    const qsizetype index = m_mnemonics.indexOf(shortcutId);
    if (index < 0) {
        return;
    }
    QAction* title = actions().at(index);
    QMenuBar* real = bar();
    QShortcutEvent pressed(key, shortcutId);
    QCoreApplication::sendEvent(real, &pressed);
    if (real->activeAction() != title) {
        real->setActiveAction(title);
    }
}

void LazyMenuBar::actionEvent(QActionEvent* event)
{
    QWidget::actionEvent(event);
    if (m_bar) {
        return;
    }
    grabMnemonics();
    m_placesKnown = false;
    updateGeometry();
    update();
}

// Drawn as QMenuBar draws itself: the titles, the panel's frame, then the empty
// area around them.
void LazyMenuBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    QRegion empty(rect());
    const QStyle* look = style();
    const QList<QAction*> titles = actions();
    const QList<QRect> rects = titleRects();
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QRect& place = rects.at(i);
        if (place.isEmpty() || !event->rect().intersects(place)) {
            continue;
        }
        empty -= place;
        QStyleOptionMenuItem option = titleOption(titles.at(i));
        option.rect = place;
        painter.setClipRect(place);
        look->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
    }
    if (const int frame = look->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this)) {
        QRegion border;
        border += QRect(0, 0, frame, height());
        border += QRect(width() - frame, 0, frame, height());
        border += QRect(0, 0, width(), frame);
        border += QRect(0, height() - frame, width(), frame);
        painter.setClipRegion(border);
        empty -= border;
        QStyleOptionFrame panel;
        panel.rect = rect();
        panel.palette = palette();
        panel.state = QStyle::State_None;
        panel.lineWidth = look->pixelMetric(QStyle::PM_MenuBarPanelWidth, &panel);
        panel.midLineWidth = 0;
        look->drawPrimitive(QStyle::PE_PanelMenuBar, &panel, &painter, this);
    }
    painter.setClipRegion(empty);
    QStyleOptionMenuItem area;
    area.palette = palette();
    area.state = QStyle::State_None;
    area.menuItemType = QStyleOptionMenuItem::EmptyArea;
    area.checkType = QStyleOptionMenuItem::NotCheckable;
    area.rect = rect();
    area.menuRect = rect();
    look->drawControl(QStyle::CE_MenuBarEmptyArea, &area, &painter, this);
}

// Titles that do not fit go to QMenuBar's overflow button, which only the real bar
// has.
void LazyMenuBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int frame = style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    const QList<QRect> rects = titleRects();
    const bool fits = std::all_of(rects.begin(), rects.end(), [&](const QRect& rect) {
        return rect.isNull() || (rect.left() >= frame && rect.right() < width() - frame);
    });
    if (!fits && isVisible()) {
        QTimer::singleShot(0, this, &LazyMenuBar::bar);
    }
}

void LazyMenuBar::mousePressEvent(QMouseEvent* event)
{
    QMenuBar* real = bar();
    QMouseEvent press(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                      event->button(), event->buttons(), event->modifiers(), event->pointingDevice());
    QCoreApplication::sendEvent(real, &press);
}

// QMenuBar lights the title under the pointer as it moves.
void LazyMenuBar::enterEvent(QEnterEvent* event)
{
    QMenuBar* real = bar();
    QMouseEvent move(QEvent::MouseMove, event->position(), event->scenePosition(), event->globalPosition(),
                     Qt::NoButton, QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers(),
                     event->pointingDevice());
    QCoreApplication::sendEvent(real, &move);
}

// Where the style moves to the menu bar on Alt pressed and released alone, the real
// bar is made on the release, and sees the press and release as if it had been there.
bool LazyMenuBar::eventFilter(QObject* watched, QEvent* event)
{
    if (!style()->styleHint(QStyle::SH_MenuBar_AltKeyNavigation, nullptr, this)) {
        return false;
    }
    if (!m_altPressed) {
        if (watched == m_window && isVisible()) {
            watchAltPress(event);
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Alt || key == Qt::Key_Meta) {
            if (event->type() == QEvent::KeyPress) {
                break;
            }
            endAltPress();
            // After this release has gone its way: the real bar takes a press and
            // release of its own.
            QMetaObject::invokeMethod(
                this, [this, key] { passAltRelease(key); }, Qt::QueuedConnection);
            break;
        }
        endAltPress();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::ActivationChange:
    case QEvent::Shortcut:
        endAltPress();
        break;
    default:
        break;
    }
    return false;
}

// Alt alone, that no control took, goes on to the window: the start of a press that
// may move to the menu bar.
void LazyMenuBar::watchAltPress(QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return;
    }
    const auto* press = static_cast<QKeyEvent*>(event);
    if ((press->key() == Qt::Key_Alt || press->key() == Qt::Key_Meta) &&
        (press->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
        m_altPressed = true;
        qApp->installEventFilter(this);
    }
}

void LazyMenuBar::endAltPress()
{
    if (m_altPressed) {
        m_altPressed = false;
        qApp->removeEventFilter(this);
    }
}

void LazyMenuBar::passAltRelease(int key)
{
    QWidget* window = m_window;
    bar();
    if (!window) {
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

void LazyMenuBar::accessibilityActiveChanged(bool active)
{
    if (active && testAttribute(Qt::WA_WState_Polished)) {
        bar();
    }
}

} // namespace quorvane
