#include "form.h"

#include "dormantaccessibility.h"
#include "skin.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace quorvane {

namespace {

// A window as assistive technology sees it: its controls, less those it never
// shows, which only carry data.
class FormAccessible : public QAccessibleWidget
{
public:
    explicit FormAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

    int childCount() const override { return int(shownControls().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> controls = shownControls();
        return index >= 0 && index < controls.size() ? QAccessible::queryAccessibleInterface(controls[index])
                                                     : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(shownControls().indexOf(child->object())) : -1;
    }

private:
    QList<QWidget*> shownControls() const
    {
        QList<QWidget*> controls;
        for (QObject* object : widget()->children()) {
            auto* control = qobject_cast<QWidget*>(object);
            if (control && !control->isWindow() && control->isVisibleTo(widget())) {
                controls.append(control);
            }
        }
        return controls;
    }
};

QAccessibleInterface* accessibleForm(const QString& className, QObject* object)
{
    if (!DormantAccessibility::sleeping() && className == QLatin1String(Form::staticMetaObject.className())) {
        return new FormAccessible(static_cast<Form*>(object));
    }
    return nullptr;
}

} // namespace

Form::Form(QWidget* parent) : QWidget(parent)
{
    [[maybe_unused]] static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    setAttribute(Qt::WA_DeleteOnClose);
    Skin::prepare(this);
}

void Form::bringBack()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Form::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        emit unloaded();
    }
}

// Enter on a focused button presses it, as Space does. No button is the default, so
// Enter that a text box passes on presses nothing.
void Form::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace quorvane
