#pragma once

#include <QAccessible>

namespace quorvane {

// Qt 6.4 makes every widget's full accessible interface as soon as the widget is
// shown or given a text, a name or a cursor position, whether or not assistive
// technology listens: code, memory and time the start pays for nothing. While one of
// these lives (made after the QApplication) and no assistive technology is active,
// widgets get an empty stand-in instead, which Qt's events pass over. When assistive
// technology becomes active the stand-ins are dropped, before it asks for anything,
// and every widget is given its real interface when asked for it.
class DormantAccessibility : private QAccessible::ActivationObserver
{
public:
    DormantAccessibility();
    ~DormantAccessibility() override;
    DormantAccessibility(const DormantAccessibility&) = delete;
    DormantAccessibility& operator=(const DormantAccessibility&) = delete;

    // Whether a widget asked for now gets a stand-in. The program's own interface
    // factories give way to it then.
    static bool sleeping();

private:
    void accessibilityActiveChanged(bool active) override;
};

} // namespace quorvane
