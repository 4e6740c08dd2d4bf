#pragma once

#include <thread>

namespace quorvane {

// Reads the desktop's font configuration (fontconfig's files, a third of the work
// of starting) on another core while the program connects to the display, which
// needs no font. Made before the QApplication; wait() before the first window is
// made, so that the window finds the configuration read and reads it only once.
class EarlyFonts
{
public:
    EarlyFonts();
    ~EarlyFonts();
    EarlyFonts(const EarlyFonts&) = delete;
    EarlyFonts& operator=(const EarlyFonts&) = delete;

    void wait();

private:
    std::thread m_reader;
};

} // namespace quorvane
