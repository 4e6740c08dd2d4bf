#include "form.h"

#include <QCloseEvent>

namespace quorvane {

Form::Form(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void Form::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        emit unloaded();
    }
}

} // namespace quorvane
