#pragma once

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

} // namespace quorvane
