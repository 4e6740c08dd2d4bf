#include "htmldocument.h"

#include "cutoff.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>

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

} // namespace

// Processor time: gumbo reads a real page at 10 to 20 MB a second, while markup
// nested a hundred thousand deep takes it minutes.
std::chrono::milliseconds HtmlDocument::timeLimit(std::size_t bytes)
{
    return std::chrono::milliseconds(1000 + bytes / 2097);
}

std::unique_ptr<HtmlDocument> HtmlDocument::parse(std::string_view html, const WorkBudget* budget)
{
    if (html.size() > MaxBytes) {
        return nullptr;
    }
    const WorkBudget own(timeLimit(html.size()), nullptr);
    std::unique_ptr<HtmlDocument> document(new HtmlDocument(memoryLimit(html.size())));
    struct Job
    {
        HtmlDocument* document;
        std::string_view html;
    } job{document.get(), html};
    const bool finished = runWithin(
        budget != nullptr ? *budget : own,
        [](void* context) {
            auto* job = static_cast<Job*>(context);
            GumboOptions options = kGumboDefaultOptions;
            options.allocator = &HtmlDocument::allocate;
            options.deallocator = &HtmlDocument::release;
            options.userdata = job->document;
            options.max_errors = 0; // errors are not kept, which also spares their cost
            job->document->m_output = gumbo_parse_with_options(&options, job->html.data(), job->html.size());
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
