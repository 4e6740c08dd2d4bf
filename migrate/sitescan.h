#pragma once

#include "formfields.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// What a PayPal Payments Standard form is, by its cmd.
enum class ButtonKind
{
    BuyNow,    // _xclick
    Hosted,    // _s-xclick: the details are kept at PayPal
    Donate,    // _donations
    Cart,      // _cart
    Subscribe, // _xclick-subscriptions
    Other,     // anything else, or no cmd
};

// One live PayPal Payments Standard form on a page.
struct FoundForm
{
    std::string relativePath; // UTF-8, '/' between folders, from the site's folder
    // The bytes of the original file from the '<' of "<form" to just after the '>'
    // of "</form>" (to the end of the file when no end tag closes the form).
    std::size_t begin = 0;
    std::size_t end = 0;
    int line = 0; // of begin, from 1; CR LF, CR and LF each end a line
    ButtonKind kind = ButtonKind::Other;
    bool closed = true;     // an end tag closes the form
    bool templated = false; // the range holds template code: <? <% {{ {% ${
    // What it submits when pressed, decoded to UTF-8, in tree order.
    std::vector<FormField> fields;
    // The src of its first image button, as written (decoded, not resolved).
    std::optional<std::string> pictureAddress;
    // The select menus and text boxes the buyer fills in.
    std::vector<FormChoice> choices;
};

// A page that holds at least one such form.
struct ScannedPage
{
    std::string relativePath;
    std::string sha256;   // of the whole original file, lower-case hex
    std::string encoding; // as a browser decodes it: "UTF-8", "windows-1252", "UTF-16LE", …
    std::vector<FoundForm> forms;
};

// A file that was not read, and why, for the seller.
struct SkippedFile
{
    std::string relativePath;
    std::string reason;
};

struct SiteScan
{
    std::vector<ScannedPage> pages; // in path order; pages without PayPal forms are left out
    // Pages that mention "webscr" but hold no live form posting to PayPal: a button a
    // script or a template writes, or one in a comment, for the seller to check.
    std::vector<std::string> mentionsOnly;
    std::vector<SkippedFile> skipped;
    std::size_t pagesRead = 0;
    std::size_t bytesRead = 0;
    bool cancelled = false;
};

// The largest page read.
inline constexpr std::size_t MaxPageBytes = std::size_t{16} << 20;

// The SHA-256 of a file's bytes, lower-case hex, as ScannedPage holds it.
std::string fileDigest(std::string_view bytes);

// Whether the bytes may hold a form posting to PayPal: "webscr" in any case, its
// letters written plainly or as decimal or hexadecimal character references, in the
// bytes themselves or, for a UTF-16 page, in its text.
bool mentionsWebscr(std::string_view bytes);

// Every live PayPal form of one page's bytes, nullopt with the reason when the page
// cannot be read as HTML (too large or too deeply nested).
std::optional<ScannedPage> scanPage(std::string relativePath, std::string_view bytes,
                                    std::string* reason = nullptr);

// The pages of a site's folder, relative, in path order: files whose names end in
// .html .htm .shtml .php .phtml .inc .jsp .asp .aspx .cfm .tpl .twig or .md (any
// case), and the extra files named. Hidden folders are not entered; a link that
// leads out of the folder or back into a folder already walked is skipped.
std::vector<std::string> sitePages(const std::filesystem::path& folder,
                                   const std::vector<std::string>& extraFiles,
                                   std::vector<SkippedFile>& skipped);

// Reads every page of the folder: files over 16 MB, binary files and those that
// cannot be read are skipped with the reason; a page without "webscr" in any
// spelling is not parsed. Progress gets the pages done and the number of pages;
// once cancel is set, the scan stops at the next page with cancelled set.
SiteScan scanSite(const std::filesystem::path& folder, const std::vector<std::string>& extraFiles = {},
                  const std::function<void(std::size_t done, std::size_t total)>& progress = {},
                  const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
