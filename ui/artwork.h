#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvane {

// Every picture the tool shows is drawn here, at the exact pixel sizes the windows
// lay out; nothing is loaded from files.
QIcon padlockIcon();  // main window: a grey padlock on a raised grey square
QIcon smileyIcon();   // code window: a yellow smiling face
QIcon laughingIcon(); // about window: a yellow laughing face with an open red mouth

// The same three pictures at any square size, for installed desktop icons.
QPixmap padlockPixmap(int size);
QPixmap smileyPixmap(int size);
QPixmap laughingPixmap(int size);

QPixmap bannerPicture();            // 320 x 50, names the service and what the tool does
QPixmap presetButtonPicture(int k); // k = 1..8, the service's button pictures in table order

} // namespace quorvane
