#pragma once

#include <QWidget>

namespace quorvane {

// The look every window shares. A window hosts one Skin (its Skin1) and hands it
// its native handle while it loads, before it is first shown.
class Skin
{
public:
    void apply(WId hWnd);
};

} // namespace quorvane
