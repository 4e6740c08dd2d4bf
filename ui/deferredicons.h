#pragma once

#include <QProxyStyle>

namespace quorvane {

// The application's style, the desktop's own, but for the pictures of controls that
// are rarely on screen: those are read when first drawn. The main window's menu bar
// makes its overflow button, hidden unless the window is too narrow for its menus, as
// it is made; reading that button's picture would load every image format plugin Qt
// has at start.
class DeferredIconStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Makes DeferredIconStyle the application's style; before the first window is made.
void deferRarePictures();

} // namespace quorvane
