#pragma once

#include <QWidget>

namespace quorvane::bench {

// The floor for start-up time and memory: a bare window of the main window's size
// that shows the main window's texts (form1_texts.h) in the skin's font and does
// nothing else. Whatever shows those texts starts the font system, loads the face
// and draws its glyphs; this window does only that.
class BareTextWindow : public QWidget
{
public:
    BareTextWindow();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvane::bench
