#include "sitescan.h"

#include "ascii.h"
#include "pageforms.h"
#include "pagetext.h"

#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

constexpr std::string_view Webscr = "webscr";

// The character at the start of text, read as a numeric character reference when it
// is one (its length then the reference's), else the byte itself.
char32_t characterAt(std::string_view text, std::size_t& length)
{
    length = 1;
    if (text.size() < 3 || text[0] != '&' || text[1] != '#') {
        return static_cast<unsigned char>(text[0]);
    }
    const bool hex = text[2] == 'x' || text[2] == 'X';
    std::size_t at = hex ? 3 : 2;
    char32_t value = 0;
    const std::size_t digitsFrom = at;
    for (; at < text.size() && at < digitsFrom + 12; ++at) {
        const int digit = hex ? hexDigitValue(text[at]) : (isAsciiDigit(text[at]) ? text[at] - '0' : -1);
        if (digit < 0) {
            break;
        }
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    if (at == digitsFrom) {
        return '&';
    }
    length = at < text.size() && text[at] == ';' ? at + 1 : at;
    return value;
}

// Whether "webscr" in any spelling starts at the start of text.
bool webscrAt(std::string_view text)
{
    std::size_t at = 0;
    for (const char wanted : Webscr) {
        if (at >= text.size()) {
            return false;
        }
        std::size_t length;
        const char32_t c = characterAt(text.substr(at), length);
        if (c >= 0x80 || lowerAscii(static_cast<char>(c)) != wanted) {
            return false;
        }
        at += length;
    }
    return true;
}

// Plain "webscr" in any case: Horspool's search, its shift table folded for case.
bool holdsPlainWebscr(std::string_view bytes)
{
    constexpr std::size_t Length = Webscr.size();
    std::array<unsigned char, 256> shift;
    shift.fill(Length);
    for (std::size_t i = 0; i + 1 < Length; ++i) {
        const auto c = static_cast<unsigned char>(Webscr[i]);
        shift[c] = shift[c - 'a' + 'A'] = static_cast<unsigned char>(Length - 1 - i);
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t at = 0; at + Length <= bytes.size(); at += shift[data[at + Length - 1]]) {
        if ((data[at + Length - 1] | 0x20) == 'r' && equalsNoCase(bytes.substr(at, Length), Webscr)) {
            return true;
        }
    }
    return false;
}

// "webscr" with at least one letter written as a character reference: it starts at
// most five letters before its first "&#".
bool holdsEncodedWebscr(std::string_view bytes)
{
    const char* const data = bytes.data();
    std::size_t from = 1;
    while (from < bytes.size()) {
        const void* found = std::memchr(data + from, '#', bytes.size() - from); // rarer than '&'
        if (found == nullptr) {
            break;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - data) - 1;
        from = at + 3;
        if (data[at] != '&') {
            continue;
        }
        for (std::size_t start = at >= 5 ? at - 5 : 0; start <= at; ++start) {
            if (webscrAt(bytes.substr(start))) {
                return true;
            }
        }
    }
    return false;
}

bool startsUtf16(std::string_view bytes)
{
    return bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE");
}

ButtonKind kindOf(const std::vector<FormField>& fields)
{
    constexpr std::pair<std::string_view, ButtonKind> Kinds[] = {
        {"_xclick", ButtonKind::BuyNow},
        {"_s-xclick", ButtonKind::Hosted},
        {"_donations", ButtonKind::Donate},
        {"_cart", ButtonKind::Cart},
        {"_xclick-subscriptions", ButtonKind::Subscribe},
    };
    const auto cmd =
        std::find_if(fields.begin(), fields.end(), [](const FormField& f) { return f.name == "cmd"; });
    for (const auto& [command, kind] : Kinds) {
        if (cmd != fields.end() && cmd->value == command) {
            return kind;
        }
    }
    return ButtonKind::Other;
}

bool holdsTemplateCode(std::string_view text)
{
    constexpr std::string_view Openings[] = {"<?", "<%", "{{", "{%", "${"};
    return std::any_of(std::begin(Openings), std::end(Openings), [text](std::string_view opening) {
        return text.find(opening) != std::string_view::npos;
    });
}

// Counts lines as editors do: CR LF, a lone CR and a lone LF each end one.
class LineCounter
{
public:
    explicit LineCounter(std::string_view text) : m_text(text) {}

    // The line of an offset; offsets asked must not decrease.
    int lineAt(std::size_t offset)
    {
        for (; m_at < offset && m_at < m_text.size(); ++m_at) {
            const char c = m_text[m_at];
            if (c == '\r' || (c == '\n' && (m_at == 0 || m_text[m_at - 1] != '\r'))) {
                ++m_line;
            }
        }
        return m_line;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    int m_line = 1;
};

bool isPageName(const std::string& name)
{
    constexpr std::string_view Endings[] = {".html", ".htm",  ".shtml", ".php", ".phtml", ".inc", ".jsp",
                                            ".asp",  ".aspx", ".cfm",   ".tpl", ".twig",  ".md"};
    const std::string lower = lowerAscii(name);
    return std::any_of(std::begin(Endings), std::end(Endings),
                       [&lower](std::string_view ending) { return lower.ends_with(ending); });
}

// Whether the bytes are no text: a NUL in the first 8000 (a UTF-16 page has many,
// but starts with its byte order mark).
bool looksBinary(std::string_view bytes)
{
    return !startsUtf16(bytes) && bytes.substr(0, 8000).find('\0') != std::string_view::npos;
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& root)
{
    const auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

// Reads a whole file into buffer; the reason it could not, otherwise.
std::optional<std::string> readFile(const std::filesystem::path& path, std::string& buffer)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); // a pipe must not hang the scan
    if (fd < 0) {
        return std::string("it cannot be read: ") + std::strerror(errno);
    }
    struct stat status;
    std::optional<std::string> problem;
    if (::fstat(fd, &status) != 0) {
        problem = std::string("it cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
        problem = "it is not a file";
    } else if (static_cast<std::size_t>(status.st_size) > MaxPageBytes) {
        problem = "it is larger than 16 MB";
    } else {
        buffer.resize(static_cast<std::size_t>(status.st_size));
        std::size_t got = 0;
        while (got < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n < 0) {
                    problem = std::string("it cannot be read: ") + std::strerror(errno);
                }
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        buffer.resize(got);
    }
    ::close(fd);
    return problem;
}

} // namespace

std::string fileDigest(std::string_view bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

bool mentionsWebscr(std::string_view bytes)
{
    if (startsUtf16(bytes)) {
        const PageText text(bytes);
        return holdsPlainWebscr(text.utf8()) || holdsEncodedWebscr(text.utf8());
    }
    return holdsPlainWebscr(bytes) || holdsEncodedWebscr(bytes);
}

std::optional<ScannedPage> scanPage(std::string relativePath, std::string_view bytes, std::string* reason)
{
    const PageText text(bytes);
    const std::string_view utf8 = text.utf8();
    std::optional<std::vector<PageForm>> forms = readPageForms(utf8);
    if (!forms) {
        if (reason != nullptr) {
            *reason = "it is too large or too deeply nested to be read as a web page";
        }
        return std::nullopt;
    }
    ScannedPage page{std::move(relativePath), {}, text.encoding(), {}};
    if (forms->empty()) {
        return page;
    }
    std::vector<std::size_t> offsets; // each form's begin and end, ascending
    for (const PageForm& form : *forms) {
        offsets.push_back(form.begin);
        offsets.push_back(form.end);
    }
    std::sort(offsets.begin(), offsets.end());
    const std::vector<std::size_t> original = text.originalOffsets(offsets);
    const auto originalOf = [&offsets, &original](std::size_t offset) {
        return original[static_cast<std::size_t>(std::lower_bound(offsets.begin(), offsets.end(), offset) -
                                                 offsets.begin())];
    };
    LineCounter lines(utf8);
    for (PageForm& form : *forms) {
        FoundForm found;
        found.relativePath = page.relativePath;
        found.begin = originalOf(form.begin);
        found.end = originalOf(form.end);
        found.line = lines.lineAt(form.begin);
        found.closed = form.closed;
        found.templated = holdsTemplateCode(utf8.substr(form.begin, form.end - form.begin));
        found.kind = kindOf(form.form.fields);
        found.fields = std::move(form.form.fields);
        found.pictureAddress = std::move(form.form.pictureAddress);
        found.choices = std::move(form.choices);
        page.forms.push_back(std::move(found));
    }
    page.sha256 = fileDigest(bytes);
    return page;
}

std::vector<std::string> sitePages(const std::filesystem::path& folder,
                                   const std::vector<std::string>& extraFiles,
                                   std::vector<SkippedFile>& skipped)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) {
        skipped.push_back({"", "The folder " + folder.string() + " cannot be read: " + error.message()});
        return {};
    }
    std::set<std::string> pages;
    for (const std::string& name : extraFiles) {
        const fs::path path = fs::path(name).lexically_normal();
        if (path.is_absolute() || path.empty() || *path.begin() == "..") {
            skipped.push_back({name, "it is not inside the folder"});
        } else {
            pages.insert(path.generic_string());
        }
    }
    std::vector<fs::path> folders{root};
    const auto relative = [&root](const fs::path& path) {
        return path.lexically_relative(root).generic_string();
    };
    while (!folders.empty()) {
        const fs::path current = std::move(folders.back());
        folders.pop_back();
        fs::directory_iterator entries(current, error);
        if (error) {
            skipped.push_back({relative(current), "it cannot be read: " + error.message()});
            error.clear();
            continue;
        }
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            const std::string name = entry.path().filename().string();
            const bool link = entry.is_symlink(error);
            const bool folderEntry = entry.is_directory(error);
            if (folderEntry && name.starts_with('.')) {
                continue;
            }
            if (!folderEntry && !isPageName(name)) {
                continue;
            }
            if (link) {
                // The site's own files are read under their own names, so a link
                // is never read: a page behind two names would be moved twice.
                const fs::path target = fs::canonical(entry.path(), error);
                std::string why =
                    error                     ? "it is a link to nothing: " + error.message()
                    : !isInside(target, root) ? "it is a link that leads out of the folder"
                    : isInside(current, target)
                        ? "it is a link back to a folder that holds it (a loop)"
                        : "it is a link to another part of the site, which is read under its own name";
                error.clear();
                skipped.push_back({relative(entry.path()), std::move(why)});
            } else if (folderEntry) {
                folders.push_back(entry.path());
            } else {
                pages.insert(relative(entry.path()));
            }
        }
        if (error) {
            skipped.push_back({relative(current), "it cannot be read: " + error.message()});
            error.clear();
        }
    }
    return {pages.begin(), pages.end()};
}

SiteScan scanSite(const std::filesystem::path& folder, const std::vector<std::string>& extraFiles,
                  const std::function<void(std::size_t, std::size_t)>& progress,
                  const std::atomic<bool>* cancel)
{
    SiteScan scan;
    const std::vector<std::string> pages = sitePages(folder, extraFiles, scan.skipped);
    std::string buffer;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            scan.cancelled = true;
            break;
        }
        if (progress) {
            progress(i, pages.size());
        }
        if (std::optional<std::string> problem = readFile(folder / pages[i], buffer)) {
            scan.skipped.push_back({pages[i], std::move(*problem)});
            continue;
        }
        ++scan.pagesRead;
        scan.bytesRead += buffer.size();
        if (looksBinary(buffer)) {
            scan.skipped.push_back({pages[i], "it is not text"});
            continue;
        }
        if (!mentionsWebscr(buffer)) {
            continue;
        }
        std::string reason;
        std::optional<ScannedPage> page = scanPage(pages[i], buffer, &reason);
        if (!page) {
            scan.skipped.push_back({pages[i], std::move(reason)});
        } else if (page->forms.empty()) {
            scan.mentionsOnly.push_back(pages[i]);
        } else {
            scan.pages.push_back(std::move(*page));
        }
    }
    if (progress && !scan.cancelled) {
        progress(pages.size(), pages.size());
    }
    return scan;
}

} // namespace quorvane
