#pragma once

#include <chrono>
#include <cstddef>
#include <gumbo.h>
#include <memory>
#include <string_view>

namespace quorvane {

class WorkBudget;

// An HTML text parsed as a browser parses it, by gumbo. The whole tree lives in
// memory of the document's own that is given back in one piece, so no depth of
// nesting can exhaust the stack on the way out (gumbo's own clean-up recurses).
class HtmlDocument
{
public:
    // The longest text read at all.
    static constexpr std::size_t MaxBytes = std::size_t{16} << 20;

    // The processor time a text of this length may take to be read, parse and all.
    static std::chrono::milliseconds timeLimit(std::size_t bytes);

    // Null when gumbo cannot be loaded (gumbolibrary.h), the text is longer than
    // MaxBytes or it takes more time or memory than any web page of its length
    // needs: deeply nested or otherwise pathological markup, on which gumbo's time
    // grows with the square of the depth. The time is the budget's when one is given
    // (which can also be cancelled), else timeLimit. The text must outlive the document.
    static std::unique_ptr<HtmlDocument> parse(std::string_view html, const WorkBudget* budget = nullptr);

    ~HtmlDocument();
    HtmlDocument(const HtmlDocument&) = delete;
    HtmlDocument& operator=(const HtmlDocument&) = delete;

    const GumboNode& root() const { return *m_output->document; }

private:
    explicit HtmlDocument(std::size_t memoryLimit);

    static void* allocate(void* self, std::size_t size);
    static void release(void* self, void* block);
    void* newBlock(unsigned sizeClass);
    // Gumbo reads raw controls and noncharacters as U+FFFD; browsers keep them, in
    // attribute values and text alike.
    void restoreReplacedCodePoints();

    // Freed blocks are kept for reuse, one list per size class; gumbo frees most
    // of what it allocates for a token before the next.
    static constexpr unsigned ClassCount = 64 + 48;
    void* m_free[ClassCount] = {};
    std::byte* m_chunks = nullptr; // each chunk starts with the address of the previous
    std::byte* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_taken = 0;
    std::size_t m_nextChunkSize;
    const std::size_t m_memoryLimit;
    GumboOutput* m_output = nullptr;
};

} // namespace quorvane
