// Scanning a site for PayPal buttons against `grep -rli webscr` on the same tree, and
// the scan's peak memory. Not a test: run it by hand (bench/README.md).
//
//   site_scan_probe [FOLDER] [RUNS]
//
// FOLDER (default /tmp/quorvane-scan-site) is made first when missing: 10,000 pages
// in 100 folders, 10 to 90 KB each (about 500 MB), 1 % with one to three Buy Now
// buttons, the same every time. Each run times a full scan and a grep, one after the
// other, once both have warmed the page cache; it prints the times, their ratio and
// the scan's peak resident memory beside the largest page.
#include "sitescan.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Folders = 100;
constexpr int PagesPerFolder = 100;

std::string button(std::mt19937& random, int n)
{
    return "<form action=\"https://www.paypal.com/cgi-bin/webscr\" method=\"post\">\n"
           "<input type=\"hidden\" name=\"cmd\" value=\"_xclick\">\n"
           "<input type=\"hidden\" name=\"business\" value=\"shop@example.com\">\n"
           "<input type=\"hidden\" name=\"item_name\" value=\"Item " +
           std::to_string(n) + "\">\n<input type=\"hidden\" name=\"amount\" value=\"" +
           std::to_string(1 + random() % 90) +
           ".00\">\n<input type=\"image\" src=\"https://www.paypalobjects.com/en_US/i/btn/btn_buynow_LG.gif\">\n"
           "</form>\n";
}

// Prose with markup, links and the odd character reference, as a shop's pages have.
std::string page(std::mt19937& random, bool withButtons, int n)
{
    static const char* const Words[] = {"the",    "shop",  "sells", "hand",   "made", "bowls", "with",
                                        "a",      "glaze", "of",    "ash",    "and",  "iron",  "shipped",
                                        "world",  "wide",  "every", "week",   "from", "our",   "workshop",
                                        "&#169;", "&amp;", "new",   "colours"};
    const std::size_t size = 10240 + random() % 81920;
    std::string text = "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>Page " +
                       std::to_string(n) + "</title></head>\n<body>\n";
    std::size_t buttons = withButtons ? 1 + random() % 3 : 0;
    for (int paragraph = 0; text.size() < size; ++paragraph) {
        text += "<p class=\"body\">";
        for (int w = 0; w < 60; ++w) {
            text += Words[random() % std::size(Words)];
            text += w % 17 == 16 ? " <a href=\"/shop/item.html\">more</a> " : " ";
        }
        text += "</p>\n";
        if (buttons > 0 && paragraph % 7 == 3) {
            text += button(random, n * 10 + paragraph);
            --buttons;
        }
    }
    return text + "</body>\n</html>\n";
}

void makeSite(const std::filesystem::path& folder)
{
    std::mt19937 random(20261209);
    for (int f = 0; f < Folders; ++f) {
        const std::filesystem::path sub = folder / ("section" + std::to_string(f));
        std::filesystem::create_directories(sub);
        for (int p = 0; p < PagesPerFolder; ++p) {
            const int n = f * PagesPerFolder + p;
            std::ofstream(sub / ("page" + std::to_string(p) + ".html"), std::ios::binary)
                << page(random, n % 100 == 42, n);
        }
    }
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double grepSeconds(const std::filesystem::path& folder)
{
    const std::string command = "grep -rli webscr '" + folder.string() + "' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "grep failed\n");
    }
    return seconds(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : "/tmp/quorvane-scan-site";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (!std::filesystem::exists(folder)) {
        std::fprintf(stderr, "Writing the site to %s…\n", folder.c_str());
        const pid_t child = fork(); // so the writing does not count in this process's peak memory
        if (child == 0) {
            makeSite(folder);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    quorvane::SiteScan scan = quorvane::scanSite(folder); // warms the page cache
    grepSeconds(folder);
    std::size_t forms = 0;
    for (const quorvane::ScannedPage& page : scan.pages) {
        forms += page.forms.size();
    }
    std::printf("%zu pages, %.1f MB, %zu with buttons, %zu buttons\n", scan.pagesRead, scan.bytesRead / 1e6,
                scan.pages.size(), forms);
    std::printf("run   scan s   grep s   scan/grep\n");
    for (int run = 1; run <= runs; ++run) {
        const auto start = Clock::now();
        scan = quorvane::scanSite(folder);
        const double scanned = seconds(Clock::now() - start);
        const double grepped = grepSeconds(folder);
        std::printf("%3d   %6.3f   %6.3f   %9.2f\n", run, scanned, grepped, scanned / grepped);
    }
    std::uintmax_t largest = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        largest = entry.is_regular_file() ? std::max(largest, entry.file_size()) : largest;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory %.1f MB; largest page %.1f MB\n", usage.ru_maxrss / 1024.0,
                largest / 1e6);
    return 0;
}
