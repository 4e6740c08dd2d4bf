#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The encoding a browser gives a page that came with no transport header: a byte
// order mark, else a <meta charset> or <meta http-equiv="Content-Type"> in its first
// 1024 bytes, else UTF-8 when the bytes are valid UTF-8, else windows-1252. The name
// is the Encoding Standard's ("UTF-8", "windows-1252", "UTF-16LE", "Shift_JIS", …);
// ISO-8859-1 and US-ASCII are read as windows-1252, as browsers do.
std::string sniffEncoding(std::string_view bytes);

// The encoding a label names ("latin1", "ISO-8859-1", " utf8 "), by the Encoding
// Standard's table; empty for a label it does not know.
std::string encodingForLabel(std::string_view label);

// Bytes of a page in an encoding as sniffEncoding names it, decoded to UTF-8.
std::string decodedAs(std::string_view bytes, std::string_view encoding);

// A page's bytes decoded to UTF-8 as a browser decodes them, and the way back from
// an offset in the decoded text to one in the bytes. A UTF-8 page is not copied.
class PageText
{
public:
    // The bytes must outlive the text.
    explicit PageText(std::string_view bytes);

    const std::string& encoding() const { return m_encoding; }
    std::string_view utf8() const { return m_copied ? std::string_view(m_decoded) : m_bytes.substr(m_bom); }

    // The offsets in the bytes of offsets into utf8(), given in ascending order,
    // each at the start of a character or at the end of the text.
    std::vector<std::size_t> originalOffsets(const std::vector<std::size_t>& ascending) const;

private:
    std::string_view m_bytes;
    std::string m_encoding;
    std::size_t m_bom = 0;
    bool m_copied = false;
    std::string m_decoded;
};

} // namespace quorvane
