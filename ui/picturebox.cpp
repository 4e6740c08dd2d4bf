#include "picturebox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace quorvane {

namespace {

// The focus mark, drawn by the style over the whole box; the picture fills the box,
// so the box itself could only show it under the picture.
class FocusRing : public QWidget
{
public:
    explicit FocusRing(QWidget* box) : QWidget(box)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QWidget* box = parentWidget();
        QStyleOptionFocusRect option;
        option.initFrom(box);
        option.rect = rect();
        option.backgroundColor = box->palette().color(box->backgroundRole());
        QPainter painter(this);
        box->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, box);
    }
};

// A picture box as assistive technology sees it: one radio button of the eight,
// named by its picture, checked when chosen, pressed to choose it.
class PictureBoxAccessible : public QAccessibleWidget
{
public:
    explicit PictureBoxAccessible(PictureBox* box) : QAccessibleWidget(box, QAccessible::RadioButton) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const auto* picture = widget()->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
                return picture->accessibleName();
            }
        }
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = box()->isChosen();
        return state;
    }

    // The picture is what the button shows, not a control of its own.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction()) {
            box()->click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    PictureBox* box() const { return static_cast<PictureBox*>(widget()); }
};

QAccessibleInterface* accessiblePictureBox(const QString& className, QObject* object)
{
    if (className == QLatin1String(PictureBox::staticMetaObject.className())) {
        return new PictureBoxAccessible(static_cast<PictureBox*>(object));
    }
    return nullptr;
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent), m_ring(nullptr)
{
    [[maybe_unused]] static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessiblePictureBox);
        return true;
    }();
    m_ring = new FocusRing(this);
}

void PictureBox::setChosen(bool chosen)
{
    if (chosen == m_chosen) {
        return;
    }
    m_chosen = chosen;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void PictureBox::click()
{
    emit clicked();
}

void PictureBox::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Select:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (plain) {
            click();
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}

void PictureBox::focusInEvent(QFocusEvent* event)
{
    m_ring->show();
    QFrame::focusInEvent(event);
}

void PictureBox::focusOutEvent(QFocusEvent* event)
{
    m_ring->hide();
    QFrame::focusOutEvent(event);
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    m_ring->setGeometry(rect());
    QFrame::resizeEvent(event);
}

// The picture is added after the box is made; the ring stays above it.
void PictureBox::childEvent(QChildEvent* event)
{
    if (event->added() && m_ring && event->child() != m_ring && event->child()->isWidgetType()) {
        m_ring->raise();
    }
    QFrame::childEvent(event);
}

} // namespace quorvane
