#pragma once

#include "buttoncode.h"

#include <QPushButton>
#include <QString>
#include <QWidget>
#include <string>

namespace quorvane::bench {

// Fills the main window with a complete seller's entries around `noteTitle`, the one
// entry without a length limit: the first picture, no own image URL, no box ticked.
void fillMainWindow(QWidget* mainWindow, const QString& noteTitle);

// What the generator is asked for by the entries fillMainWindow makes.
ButtonRequest requestFor(std::string noteTitle);

// A window's push button by its object name; aborts if it is missing, since a
// figure taken without the button pressed would be meaningless.
QPushButton* buttonOf(QWidget* window, const char* name);

// A shown top-level window by its object name (the class of its .ui file), for windows
// of the network module, whose classes the probes do not link; aborts if there is none.
QWidget* topLevel(const char* name);

// Any message box ends the probe with its text: the figure would be of something else.
void failOnMessageBox();

// A text of exactly `bytes` bytes, made of repeats of one ASCII sentence.
std::string noteTitleOf(std::size_t bytes);

} // namespace quorvane::bench
