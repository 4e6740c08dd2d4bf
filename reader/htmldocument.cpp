#include "htmldocument.h"

#include "ascii.h"
#include "cutoff.h"
#include "gumbolibrary.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

namespace quorvane {

namespace {

// The tree of a real page takes about 25 bytes for each byte of it.
std::size_t memoryLimit(std::size_t bytes)
{
    return (std::size_t{64} << 20) + 48 * bytes;
}

constexpr std::size_t Alignment = 16;                         // what malloc gives; the header keeps it
constexpr std::size_t SmallLimit = 1024;                      // blocks up to this size come in steps of 16
constexpr std::size_t FirstChunkSize = std::size_t{64} << 10; // below malloc's mmap threshold
constexpr std::size_t MaxChunkSize = std::size_t{16} << 20;

unsigned sizeClassOf(std::size_t size)
{
    if (size <= SmallLimit) {
        return static_cast<unsigned>((std::max<std::size_t>(size, 1) + Alignment - 1) / Alignment);
    }
    return 64 + static_cast<unsigned>(std::bit_width(size - 1));
}

std::size_t classBytes(unsigned sizeClass)
{
    return sizeClass <= 64 ? sizeClass * Alignment : std::size_t{1} << (sizeClass - 64);
}

constexpr std::string_view Replacement = "\uFFFD";

// The code points gumbo reads as U+FFFD where browsers keep them: controls other than
// tab, line feed, form feed and carriage return, and noncharacters.
bool isReplacedByGumbo(char32_t c)
{
    return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || (c >= 0x7F && c <= 0x9F) ||
           (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// The code point of the UTF-8 sequence at the text's start and its length; 0 bytes
// when it is no valid sequence.
std::pair<char32_t, std::size_t> firstCodePoint(std::string_view text)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || length > text.size()) {
        return {0, 0};
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {0, 0};
        }
        c = c << 6 | (byte(i) & 0x3F);
    }
    constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = c >= Smallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    return valid ? std::pair{c, length} : std::pair<char32_t, std::size_t>{0, 0};
}

// The length of a numeric character reference at the text's start ("&#65;",
// "&#x41"), 0 when there is none, and whether it gives U+FFFD.
std::pair<std::size_t, bool> numericReference(std::string_view text)
{
    if (!text.starts_with("&#")) {
        return {0, false};
    }
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    std::size_t i = hex ? 3 : 2;
    const std::size_t digitsStart = i;
    char32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0 || (!hex && digit > 9)) {
            break;
        }
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    const bool replaced =
        value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) || value == 0xFFFD;
    return {i == digitsStart ? 0 : i, replaced};
}

// Calls place(kept) for each place in the source that gave the decoded text a
// U+FFFD, in order: one of the code points gumbo replaces (kept is its bytes), a
// U+FFFD, a numeric reference to an impossible code point or, in raw text, a NUL
// (kept is empty: a browser reads U+FFFD there too). False on invalid UTF-8.
template <typename Place> bool forEachReplacement(std::string_view source, bool nulReplaced, Place place)
{
    for (std::size_t i = 0; i < source.size();) {
        const auto [reference, impossible] = numericReference(source.substr(i));
        if (reference != 0) {
            if (impossible) {
                place(std::string_view());
            }
            i += reference;
            continue;
        }
        const auto [c, length] = firstCodePoint(source.substr(i));
        if (length == 0) {
            return false;
        }
        if (isReplacedByGumbo(c)) {
            place(source.substr(i, length));
        } else if (c == 0xFFFD || (c == 0 && nulReplaced)) {
            place(std::string_view());
        }
        i += length;
    }
    return true;
}

// A text as gumbo decoded it from the source, with the code points it replaced put
// back; the text itself when there are none, or when the places in the source do
// not match its U+FFFDs one for one. New texts come from allocate.
template <typename Allocate>
const char* restored(const char* text, std::string_view source, bool nulReplaced, Allocate allocate)
{
    const std::string_view decoded(text);
    std::size_t inText = 0;
    for (std::size_t at = decoded.find(Replacement); at != std::string_view::npos;
         at = decoded.find(Replacement, at + Replacement.size())) {
        ++inText;
    }
    std::size_t places = 0;
    std::size_t bytes = decoded.size();
    bool restoring = false;
    const bool valid = inText != 0 && forEachReplacement(source, nulReplaced, [&](std::string_view kept) {
                           ++places;
                           restoring = restoring || !kept.empty();
                           bytes = bytes - (kept.empty() ? 0 : Replacement.size()) + kept.size();
                       });
    if (!valid || !restoring || places != inText) {
        return text;
    }
    char* const out = allocate(bytes + 1);
    char* next = out;
    std::size_t from = 0;
    forEachReplacement(source, nulReplaced, [&](std::string_view kept) {
        const std::size_t at = decoded.find(Replacement, from);
        next = std::copy(decoded.begin() + static_cast<std::ptrdiff_t>(from),
                         decoded.begin() + static_cast<std::ptrdiff_t>(at), next);
        const std::string_view put = kept.empty() ? Replacement : kept;
        next = std::copy(put.begin(), put.end(), next);
        from = at + Replacement.size();
    });
    next = std::copy(decoded.begin() + static_cast<std::ptrdiff_t>(from), decoded.end(), next);
    *next = '\0';
    return out;
}

// An attribute's value as it stands in the source, without its quotes.
std::string_view unquoted(const GumboStringPiece& original)
{
    std::string_view value(original.data, original.length);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Elements whose text the tokenizer reads raw, where a NUL becomes U+FFFD.
bool holdsRawText(const GumboNode* node)
{
    constexpr GumboTag RawText[] = {GUMBO_TAG_SCRIPT,  GUMBO_TAG_STYLE,    GUMBO_TAG_TEXTAREA,
                                    GUMBO_TAG_TITLE,   GUMBO_TAG_XMP,      GUMBO_TAG_IFRAME,
                                    GUMBO_TAG_NOEMBED, GUMBO_TAG_NOFRAMES, GUMBO_TAG_PLAINTEXT};
    return node != nullptr && node->type == GUMBO_NODE_ELEMENT &&
           std::find(std::begin(RawText), std::end(RawText), node->v.element.tag) != std::end(RawText);
}

GumboVector* childrenOf(GumboNode& node)
{
    switch (node.type) {
    case GUMBO_NODE_DOCUMENT:
        return &node.v.document.children;
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
        return &node.v.element.children;
    default:
        return nullptr;
    }
}

} // namespace

// Processor time: gumbo reads a real page at 10 to 20 MB a second, while markup
// nested a hundred thousand deep takes it minutes.
std::chrono::milliseconds HtmlDocument::timeLimit(std::size_t bytes)
{
    return std::chrono::milliseconds(1000 + bytes / 2097);
}

std::unique_ptr<HtmlDocument> HtmlDocument::parse(std::string_view html, const WorkBudget* budget)
{
    const GumboLibrary& gumbo = gumboLibrary(); // loaded here, as a cut-off must not stop dlopen
    if (html.size() > MaxBytes || !gumbo.problem.empty()) {
        return nullptr;
    }
    const WorkBudget own(timeLimit(html.size()), nullptr);
    std::unique_ptr<HtmlDocument> document(new HtmlDocument(memoryLimit(html.size())));
    struct Job
    {
        HtmlDocument* document;
        std::string_view html;
        const GumboLibrary* gumbo;
    } job{document.get(), html, &gumbo};
    const bool finished = runWithin(
        budget != nullptr ? *budget : own,
        [](void* context) {
            auto* job = static_cast<Job*>(context);
            GumboOptions options = *job->gumbo->defaultOptions;
            options.allocator = &HtmlDocument::allocate;
            options.deallocator = &HtmlDocument::release;
            options.userdata = job->document;
            options.max_errors = 0; // errors are not kept, which also spares their cost
            job->document->m_output =
                job->gumbo->parseWithOptions(&options, job->html.data(), job->html.size());
            job->document->restoreReplacedCodePoints();
        },
        &job);
    return finished && document->m_output != nullptr ? std::move(document) : nullptr;
}

HtmlDocument::HtmlDocument(std::size_t memoryLimit)
    : m_nextChunkSize(FirstChunkSize), m_memoryLimit(memoryLimit)
{
}

HtmlDocument::~HtmlDocument()
{
    while (m_chunks != nullptr) {
        std::byte* previous;
        std::memcpy(&previous, m_chunks, sizeof previous);
        std::free(m_chunks);
        m_chunks = previous;
    }
}

// Each block has a header of Alignment bytes in front that holds its size class.
void* HtmlDocument::allocate(void* self, std::size_t size)
{
    auto* document = static_cast<HtmlDocument*>(self);
    const unsigned sizeClass = sizeClassOf(size);
    if (void* block = document->m_free[sizeClass]) {
        std::memcpy(&document->m_free[sizeClass], block, sizeof(void*));
        return block;
    }
    return document->newBlock(sizeClass);
}

void HtmlDocument::release(void* self, void* block)
{
    if (block == nullptr) {
        return;
    }
    auto* document = static_cast<HtmlDocument*>(self);
    unsigned sizeClass;
    std::memcpy(&sizeClass, static_cast<std::byte*>(block) - Alignment, sizeof sizeClass);
    std::memcpy(block, &document->m_free[sizeClass], sizeof(void*));
    document->m_free[sizeClass] = block;
}

// Tree order without a stack, which this may not allocate: down to the first child,
// else on to the next sibling of the node or of its nearest ancestor that has one.
void HtmlDocument::restoreReplacedCodePoints()
{
    const auto allocateText = [this](std::size_t bytes) { return static_cast<char*>(allocate(this, bytes)); };
    GumboNode* node = m_output->document;
    while (node != nullptr) {
        if (node->type == GUMBO_NODE_TEXT) {
            GumboText& text = node->v.text;
            text.text =
                restored(text.text, std::string_view(text.original_text.data, text.original_text.length),
                         holdsRawText(node->parent), allocateText);
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboVector& attributes = node->v.element.attributes;
            for (unsigned i = 0; i < attributes.length; ++i) {
                auto* attribute = static_cast<GumboAttribute*>(attributes.data[i]);
                attribute->value =
                    restored(attribute->value, unquoted(attribute->original_value), true, allocateText);
            }
        }
        const GumboVector* children = childrenOf(*node);
        if (children != nullptr && children->length != 0) {
            node = static_cast<GumboNode*>(children->data[0]);
            continue;
        }
        for (;;) {
            GumboNode* const parent = node->parent;
            if (parent == nullptr) {
                node = nullptr;
                break;
            }
            const GumboVector& siblings = *childrenOf(*parent);
            if (node->index_within_parent + 1 < siblings.length) {
                node = static_cast<GumboNode*>(siblings.data[node->index_within_parent + 1]);
                break;
            }
            node = parent;
        }
    }
}

void* HtmlDocument::newBlock(unsigned sizeClass)
{
    const std::size_t bytes = Alignment + classBytes(sizeClass);
    if (bytes > m_left) {
        const std::size_t chunkSize = std::max(m_nextChunkSize, Alignment + bytes);
        if (m_taken + chunkSize > m_memoryLimit) {
            cutOff();
        }
        holdCutoff(); // malloc must not be left half-way
        auto* chunk = static_cast<std::byte*>(std::malloc(chunkSize));
        if (chunk != nullptr) {
            std::memcpy(chunk, &m_chunks, sizeof m_chunks);
            m_chunks = chunk;
            m_next = chunk + Alignment;
            m_left = chunkSize - Alignment;
            m_taken += chunkSize;
            m_nextChunkSize = std::min(2 * m_nextChunkSize, MaxChunkSize);
        }
        releaseCutoff();
        if (chunk == nullptr) {
            cutOff();
        }
    }
    std::byte* header = m_next;
    m_next += bytes;
    m_left -= bytes;
    std::memcpy(header, &sizeClass, sizeof sizeClass);
    return header + Alignment;
}

} // namespace quorvane
