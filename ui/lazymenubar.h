#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QWidget>

class QMenuBar;
class QStyleOptionMenuItem;

namespace quorvane {

// Stands where a window's menu bar stands and draws what an idle QMenuBar with the
// same titles (its actions) draws, in the same style, font and palette, at a small
// part of the cost: a QMenuBar makes its overflow button and lays its items out with
// code that is otherwise never loaded. The real bar is made in its place, with the
// same name, accessible name, titles and look, when it is first needed: a press on
// the bar or the pointer over it (the event goes on to the real bar), a title's
// mnemonic (its menu opens), Alt pressed and released alone where the style moves
// to the menu bar so, assistive technology, or bar(). Then this one hides and is
// deleted.
class LazyMenuBar : public QWidget, private QAccessible::ActivationObserver
{
    Q_OBJECT

public:
    explicit LazyMenuBar(QWidget* parent = nullptr);
    ~LazyMenuBar() override;

    // The real menu bar, made on the first call.
    QMenuBar* bar();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

signals:
    // The real bar is made and stands in this one's place.
    void barMade(QMenuBar* bar);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void accessibilityActiveChanged(bool active) override;
    // Each title's place as QMenuBar lays it out; empty for a title that takes no room.
    QList<QRect> titleRects() const;
    // The same, left to right.
    QList<QRect> titlePlaces() const;
    QStyleOptionMenuItem titleOption(const QAction* title) const;
    QSize fromContents(QSize size) const;
    void grabMnemonics();
    void openTitle(int shortcutId, const QKeySequence& key);
    void watchAltPress(QEvent* event);
    void endAltPress();
    void passAltRelease(int key);

    QPointer<QMenuBar> m_bar;
    QList<int> m_mnemonics;
    mutable QList<QRect> m_places;
    mutable bool m_placesKnown = false;
    QPointer<QWidget> m_window;
    bool m_altPressed = false;
};

} // namespace quorvane
