#pragma once

#include <QPixmap>
#include <QString>

namespace quorvane {

// Every picture the tool shows is drawn here, at the exact pixel sizes the windows
// lay out. They are drawn when the tool is built (artexport.cpp writes the pixels the
// program embeds and the desktop's PNG icons), so the program itself draws none of them.

// The face of every picture's lettering, named outright so that every machine draws
// the same pixels; artexport refuses to draw when it is not installed in all four
// styles (regular, bold, italic, bold italic).
QString drawingFamily(); // "Liberation Sans"
bool drawingFamilyInstalled();

// The window icons at any square size.
QPixmap padlockPixmap(int size);  // main window: a grey padlock on a raised grey square
QPixmap smileyPixmap(int size);   // code window: a yellow smiling face
QPixmap laughingPixmap(int size); // about window: a yellow laughing face with an open red mouth

QPixmap bannerPicture(); // 320 x 50, names the service and what the tool does
// k = 1..8, the service's button pictures in table order, each as large as fits its box
// in the main window whole, inside the box's frame, its focus line and the chosen border.
QPixmap presetButtonPicture(int k);

} // namespace quorvane
