#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quorvane {

// The windows' pictures, embedded in the program when it is built (ui/artwork.cpp
// draws them then), so showing one only loads it.
QPixmap embeddedPicture(const QString& name); // "banner", "preset1" to "preset8"
QIcon embeddedIcon(const QString& name);      // "padlock", "smiley", "laughing": every size built

} // namespace quorvane
