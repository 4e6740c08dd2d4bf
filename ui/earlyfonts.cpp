#include "earlyfonts.h"

#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <system_error>

namespace quorvane {

// fontconfig is safe to start from any thread; should the display's code ask for it
// first, the two readings agree and one is dropped. The configuration is kept in the
// one heap the program has: a thread's own would keep another 100 KiB resident.
// Without a thread to spare, the first window reads the configuration as it would.
EarlyFonts::EarlyFonts()
{
    mallopt(M_ARENA_MAX, 1);
    try {
        m_reader = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
    }
}

EarlyFonts::~EarlyFonts()
{
    wait();
}

void EarlyFonts::wait()
{
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

} // namespace quorvane
