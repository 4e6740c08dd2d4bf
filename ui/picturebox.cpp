#include "picturebox.h"

#include "dormantaccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

// The boxes as a reader meets them: row by row from the top, each row from the left.
// A row is its topmost box and every box whose middle lies beside that one, so that
// a tall box sits in a row with the shorter boxes next to it.
QList<PictureBox*> inReadingOrder(QList<PictureBox*> boxes)
{
    const auto above = [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    };
    std::sort(boxes.begin(), boxes.end(), above);
    QList<PictureBox*> ordered;
    while (!boxes.isEmpty()) {
        const QRect first = boxes.front()->geometry();
        QList<PictureBox*> row;
        QList<PictureBox*> below;
        for (PictureBox* box : boxes) {
            const int middle = box->geometry().center().y();
            (middle >= first.top() && middle <= first.bottom() ? row : below).append(box);
        }
        std::sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        ordered += row;
        boxes = below;
    }
    return ordered;
}

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
    if (!DormantAccessibility::sleeping() &&
        className == QLatin1String(PictureBox::staticMetaObject.className())) {
        return new PictureBoxAccessible(static_cast<PictureBox*>(object));
    }
    return nullptr;
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    [[maybe_unused]] static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessiblePictureBox);
        return true;
    }();
}

QLabel* PictureBox::image() const
{
    return findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
}

// The image sits inside the frame and the focus line, one pixel larger than the
// picture all round: the border's place when chosen, a margin of the box's own
// background otherwise, so the picture stays put.
void PictureBox::setPicture(const QPixmap& picture)
{
    QLabel* shown = image();
    if (!shown) {
        return;
    }
    shown->setPixmap(picture);
    // The border is black, not the skin's text colour; the skin keeps a colour a
    // widget set before it. Black stands out from the skin's light frame and its
    // backdrop, and every preset picture keeps its edge light enough beside it.
    QPalette palette = shown->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    shown->setPalette(palette);
    shown->setGeometry(QRect(contentsRect().topLeft() + QPoint(1, 1), picture.size() + QSize(2, 2)));
    showBorder();
}

void PictureBox::showBorder()
{
    if (QLabel* shown = image()) {
        shown->setFrameStyle(m_chosen ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        shown->setLineWidth(1);
        shown->setMargin(m_chosen ? 0 : 1);
    }
}

void PictureBox::setChosen(bool chosen)
{
    if (chosen == m_chosen) {
        return;
    }
    m_chosen = chosen;
    showBorder();
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
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (plain) {
            focusNeighbour(event->key() == Qt::Key_Left || event->key() == Qt::Key_Up ? -1 : 1);
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}

// Focuses the previous or next box in reading order, round from the last to the
// first and back, of the boxes in this box's container that can take the focus.
void PictureBox::focusNeighbour(int step)
{
    QWidget* container = parentWidget();
    if (!container) {
        return;
    }
    QList<PictureBox*> boxes = container->findChildren<PictureBox*>(QString(), Qt::FindDirectChildrenOnly);
    boxes.removeIf([container](const PictureBox* box) {
        return !box->isVisibleTo(container) || !box->isEnabled() || !(box->focusPolicy() & Qt::TabFocus);
    });
    boxes = inReadingOrder(boxes);
    const qsizetype at = boxes.indexOf(this);
    if (at >= 0) {
        boxes[(at + step + boxes.size()) % boxes.size()]->setFocus(Qt::OtherFocusReason);
    }
}

// The focus doubles the frame's line on its inner side, where no picture is drawn.
void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(contentsRect().adjusted(0, 0, -1, -1));
    }
}

} // namespace quorvane
