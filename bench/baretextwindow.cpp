#include "baretextwindow.h"

#include "form1_texts.h"
#include "skin.h"

#include <QPainter>
#include <iterator>

namespace quorvane::bench {

BareTextWindow::BareTextWindow()
{
    setWindowTitle(QStringLiteral("Bare text window"));
    setFixedSize(form1Width, form1Height);
    Skin::prepare(this);
}

// One text a line, down the window; the long ones run off its right edge as they
// would in a box too narrow for them.
void BareTextWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int line = (height() - 16) / int(std::size(form1Captions));
    int baseline = 8 + fontMetrics().ascent();
    for (const char* caption : form1Captions) {
        painter.drawText(8, baseline, QString::fromUtf8(caption));
        baseline += line;
    }
}

} // namespace quorvane::bench
