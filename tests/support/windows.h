#pragma once

#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>

namespace quorvane::testing {

// A window shown, in front and active, as the seller would have it.
template <typename T> T* shown(T* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

template <typename T> T* control(const QWidget* window, const QString& name)
{
    return window->findChild<T*>(name);
}

template <typename T> T* control(const QWidget* window, const char* name)
{
    return control<T>(window, QLatin1String(name));
}

// A click on a window's control, found by its name.
inline void click(const QWidget* window, const char* name)
{
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

// What a widget shows, in a format whose pixels compare exactly.
inline QImage render(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace quorvane::testing
