#pragma once

#include <QString>

namespace quorvane {

// Hands an address, unchanged, to the desktop's default browser. A failure to hand
// it over is reported in one error box; the caller never waits for the browser.
void BrowseURL(const QString& url);

} // namespace quorvane
