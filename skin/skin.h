#pragma once

#include <QFont>
#include <QWidget>

namespace quorvane {

// The look every window shares. A window hosts one Skin (its Skin1) and hands it
// its native handle while it loads, before it is first shown.
class Skin
{
public:
    void apply(WId hWnd);

    // Gives a window the skin's font before its controls are made, so that they are
    // laid out once, in that font, and the desktop's default face is never loaded.
    static void prepare(QWidget* window);
};

// While one lives, the application's font is the skin's. Qt's line edits lay out
// their empty text in the application's font before their own font applies, which
// would load the desktop's face only to drop it; windows are made inside one. As
// changing the application's font lays out again every window on screen, only one
// made while none is (the first, at start) is made so. The desktop's font is back
// when the scope ends, for message boxes and menus, and from then on follows the
// desktop's changes as Qt's own would.
class SkinFontScope
{
public:
    SkinFontScope();
    ~SkinFontScope();
    SkinFontScope(const SkinFontScope&) = delete;
    SkinFontScope& operator=(const SkinFontScope&) = delete;

private:
    QFont m_desktopFont;
    bool m_active;
};

} // namespace quorvane
