#include "pagetext.h"

#include "ascii.h"
#include "utf8.h"

#include <algorithm>
#include <array>
#include <memory>
#include <unicode/ucnv.h>
#include <unicode/utf16.h>

namespace quorvane {

namespace {

// The Encoding Standard's encodings and their labels, with the name ICU opens each
// by. Labels are lower case, one space apart.
struct Encoding
{
    std::string_view name;
    std::string_view converter;
    std::string_view labels;
};

constexpr Encoding Encodings[] = {
    {"UTF-8", "UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"windows-1252", "windows-1252",
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 "
     "iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {"ISO-8859-2", "ISO-8859-2", "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 l2 latin2"},
    {"ISO-8859-3", "ISO-8859-3", "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 l3 latin3"},
    {"ISO-8859-4", "ISO-8859-4", "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 l4 latin4"},
    {"ISO-8859-5", "ISO-8859-5",
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5"},
    {"ISO-8859-6", "ISO-8859-6",
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 "
     "iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6"},
    {"ISO-8859-7", "ISO-8859-7",
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 "
     "iso8859-7 iso88597 iso_8859-7 sun_eu_greek"},
    {"ISO-8859-8", "ISO-8859-8",
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 "
     "iso8859-8 iso88598 iso_8859-8 visual"},
    {"ISO-8859-10", "ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"ISO-8859-13", "ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
    {"ISO-8859-14", "ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
    {"ISO-8859-15", "ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {"ISO-8859-16", "ISO-8859-16", "iso-8859-16"},
    {"KOI8-R", "KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
    {"KOI8-U", "KOI8-U", "koi8-ru koi8-u"},
    {"macintosh", "macintosh", "csmacintosh mac macintosh x-mac-roman"},
    {"IBM866", "IBM866", "866 cp866 csibm866 ibm866"},
    {"windows-874", "windows-874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {"windows-1250", "windows-1250", "cp1250 windows-1250 x-cp1250"},
    {"windows-1251", "windows-1251", "cp1251 windows-1251 x-cp1251"},
    {"windows-1253", "windows-1253", "cp1253 windows-1253 x-cp1253"},
    {"windows-1254", "windows-1254",
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 l5 "
     "latin5 windows-1254 x-cp1254"},
    {"windows-1255", "windows-1255", "cp1255 windows-1255 x-cp1255"},
    {"windows-1256", "windows-1256", "cp1256 windows-1256 x-cp1256"},
    {"windows-1257", "windows-1257", "cp1257 windows-1257 x-cp1257"},
    {"windows-1258", "windows-1258", "cp1258 windows-1258 x-cp1258"},
    {"GBK", "GBK", "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {"gb18030", "gb18030", "gb18030"},
    {"Big5", "Big5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"EUC-JP", "EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {"ISO-2022-JP", "ISO-2022-JP", "csiso2022jp iso-2022-jp"},
    {"Shift_JIS", "windows-31j", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {"EUC-KR", "windows-949",
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 "
     "ksc5601 ksc_5601 windows-949"},
    {"UTF-16BE", "UTF-16BE", "unicodefffe utf-16be"},
    {"UTF-16LE", "UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {"x-user-defined", "windows-1252", "x-user-defined"},
};

const Encoding& encodingNamed(std::string_view name)
{
    for (const Encoding& encoding : Encodings) {
        if (encoding.name == name) {
            return encoding;
        }
    }
    return Encodings[1];
}

bool isSpace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isValidUtf8(std::string_view bytes)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (in[at] < 0x80) {
            ++at;
            continue;
        }
        const Decoded d = decodeUtf8(in + at, bytes.size() - at);
        if (d.codePoint == ReplacementCharacter &&
            !(d.length == 3 && in[at] == 0xEF && in[at + 1] == 0xBF && in[at + 2] == 0xBD)) {
            return false;
        }
        at += d.length;
    }
    return true;
}

// The Encoding Standard's prescan of a byte stream for a <meta> that names the
// encoding (HTML, "prescan a byte stream to determine its encoding").
class Prescan
{
public:
    explicit Prescan(std::string_view head) : m_s(head) {}
    std::string run();

private:
    struct Attribute
    {
        std::string name;
        std::string value;
    };
    bool at(std::string_view text) const { return startsWithNoCase(m_s.substr(m_at), text); }
    bool getAttribute(Attribute& attribute);
    std::string meta();
    void skipTo(char c)
    {
        const std::size_t found = m_s.find(c, m_at);
        m_at = found == std::string_view::npos ? m_s.size() : found;
    }

    std::string_view m_s;
    std::size_t m_at = 0;
};

// The encoding named by a content attribute's "charset=", if any.
std::string charsetInContent(std::string_view content)
{
    std::size_t at = 0;
    for (;;) {
        std::size_t found = std::string_view::npos;
        for (std::size_t i = at; i + 7 <= content.size(); ++i) {
            if (equalsNoCase(content.substr(i, 7), "charset")) {
                found = i;
                break;
            }
        }
        if (found == std::string_view::npos) {
            return {};
        }
        at = found + 7;
        while (at < content.size() && isSpace(content[at])) {
            ++at;
        }
        if (at < content.size() && content[at] == '=') {
            break;
        }
    }
    ++at;
    while (at < content.size() && isSpace(content[at])) {
        ++at;
    }
    if (at == content.size()) {
        return {};
    }
    if (content[at] == '"' || content[at] == '\'') {
        const std::size_t close = content.find(content[at], at + 1);
        return close == std::string_view::npos ? std::string()
                                               : encodingForLabel(content.substr(at + 1, close - at - 1));
    }
    std::size_t end = at;
    while (end < content.size() && !isSpace(content[end]) && content[end] != ';') {
        ++end;
    }
    return encodingForLabel(content.substr(at, end - at));
}

std::string Prescan::run()
{
    while (m_at < m_s.size()) {
        if (at("<!--")) {
            const std::size_t end = m_s.find("-->", m_at + 2);
            m_at = end == std::string_view::npos ? m_s.size() : end + 2; // at its '>'

        } else if (at("<meta") && m_at + 5 < m_s.size() && (isSpace(m_s[m_at + 5]) || m_s[m_at + 5] == '/')) {
            m_at += 6;
            std::string found = meta();
            if (!found.empty()) {
                return found;
            }
        } else if ((at("<") && m_at + 1 < m_s.size() && isAsciiLetter(m_s[m_at + 1])) ||
                   (at("</") && m_at + 2 < m_s.size() && isAsciiLetter(m_s[m_at + 2]))) {
            while (m_at < m_s.size() && !isSpace(m_s[m_at]) && m_s[m_at] != '>') {
                ++m_at;
            }
            Attribute ignored;
            while (getAttribute(ignored)) {
            }
        } else if (at("<!") || at("</") || at("<?")) {
            skipTo('>');
        }
        ++m_at;
    }
    return {};
}

std::string Prescan::meta()
{
    std::vector<std::string> names;
    bool gotPragma = false;
    int needPragma = -1; // unknown, false, true
    std::string charset;
    bool charsetFailed = false;
    Attribute attribute;
    while (getAttribute(attribute)) {
        if (std::find(names.begin(), names.end(), attribute.name) != names.end()) {
            continue;
        }
        names.push_back(attribute.name);
        if (attribute.name == "http-equiv") {
            gotPragma = gotPragma || equalsNoCase(attribute.value, "content-type");
        } else if (attribute.name == "content" && charset.empty() && !charsetFailed) {
            charset = charsetInContent(attribute.value);
            if (!charset.empty()) {
                needPragma = 1;
            }
        } else if (attribute.name == "charset") {
            charset = encodingForLabel(attribute.value);
            charsetFailed = charset.empty();
            needPragma = 0;
        }
    }
    if (needPragma == -1 || (needPragma == 1 && !gotPragma) || charset.empty()) {
        return {};
    }
    return charset == "UTF-16BE" || charset == "UTF-16LE" ? "UTF-8"
           : charset == "x-user-defined"                  ? "windows-1252"
                                                          : charset;
}

bool Prescan::getAttribute(Attribute& attribute)
{
    while (m_at < m_s.size() && (isSpace(m_s[m_at]) || m_s[m_at] == '/')) {
        ++m_at;
    }
    if (m_at >= m_s.size() || m_s[m_at] == '>') {
        return false;
    }
    attribute = {};
    for (; m_at < m_s.size(); ++m_at) {
        const char c = m_s[m_at];
        if (c == '=' && !attribute.name.empty()) {
            break;
        }
        if (isSpace(c)) {
            while (m_at < m_s.size() && isSpace(m_s[m_at])) {
                ++m_at;
            }
            if (m_at >= m_s.size() || m_s[m_at] != '=') {
                return true;
            }
            break;
        }
        if (c == '/' || c == '>') {
            return true;
        }
        attribute.name += lowerAscii(c);
    }
    if (m_at >= m_s.size()) {
        return true;
    }
    ++m_at; // the '='
    while (m_at < m_s.size() && isSpace(m_s[m_at])) {
        ++m_at;
    }
    if (m_at >= m_s.size()) {
        return true;
    }
    if (m_s[m_at] == '"' || m_s[m_at] == '\'') {
        const char quote = m_s[m_at++];
        for (; m_at < m_s.size() && m_s[m_at] != quote; ++m_at) {
            attribute.value += lowerAscii(m_s[m_at]);
        }
        ++m_at;
        return true;
    }
    for (; m_at < m_s.size() && !isSpace(m_s[m_at]) && m_s[m_at] != '>'; ++m_at) {
        attribute.value += lowerAscii(m_s[m_at]);
    }
    return true;
}

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Decodes bytes with ICU, handing each character to sink with the offset in bytes
// it starts at (-1 for one whose source ICU does not say).
template <typename Sink> void convert(std::string_view converterName, std::string_view bytes, Sink&& sink)
{
    UErrorCode status = U_ZERO_ERROR;
    const Converter converter(ucnv_open(std::string(converterName).c_str(), &status));
    if (U_FAILURE(status)) {
        return;
    }
    constexpr std::size_t Units = 4096;
    std::array<UChar, Units> target;
    std::array<int32_t, Units> offsets;
    const char* source = bytes.data();
    const char* const sourceEnd = bytes.data() + bytes.size();
    char16_t lead = 0; // a lead surrogate waiting for its trail
    std::ptrdiff_t leadOffset = -1;
    do {
        status = U_ZERO_ERROR;
        const std::ptrdiff_t base = source - bytes.data();
        UChar* out = target.data();
        ucnv_toUnicode(converter.get(), &out, target.data() + Units, &source, sourceEnd, offsets.data(), true,
                       &status);
        for (std::ptrdiff_t i = 0; i < out - target.data(); ++i) {
            const char16_t unit = target[static_cast<std::size_t>(i)];
            const int32_t from = offsets[static_cast<std::size_t>(i)];
            const std::ptrdiff_t offset = from >= 0 ? base + from : -1;
            if (lead != 0) {
                const bool paired = U16_IS_TRAIL(unit);
                sink(paired ? U16_GET_SUPPLEMENTARY(lead, unit) : ReplacementCharacter, leadOffset);
                lead = 0;
                if (paired) {
                    continue;
                }
            }
            if (U16_IS_LEAD(unit)) {
                lead = unit;
                leadOffset = offset;
            } else {
                sink(U16_IS_SURROGATE(unit) ? ReplacementCharacter : char32_t{unit}, offset);
            }
        }
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    if (lead != 0) {
        sink(ReplacementCharacter, leadOffset);
    }
}

std::size_t utf8Length(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

void appendUtf8(std::string& out, char32_t c)
{
    const std::size_t length = utf8Length(c);
    if (length == 1) {
        out += static_cast<char>(c);
        return;
    }
    constexpr unsigned char Lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (std::size_t i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
        c >>= 6;
    }
    bytes[0] = static_cast<char>(Lead[length] | c);
    out.append(bytes, length);
}

} // namespace

std::string encodingForLabel(std::string_view label)
{
    while (!label.empty() && isSpace(label.front())) {
        label.remove_prefix(1);
    }
    while (!label.empty() && isSpace(label.back())) {
        label.remove_suffix(1);
    }
    if (label.empty() || label.find(' ') != std::string_view::npos) {
        return {};
    }
    const std::string lower = lowerAscii(label);
    for (const Encoding& encoding : Encodings) {
        std::string_view labels = encoding.labels;
        while (!labels.empty()) {
            const std::size_t space = labels.find(' ');
            if (labels.substr(0, space) == lower) {
                return std::string(encoding.name);
            }
            labels = space == std::string_view::npos ? std::string_view() : labels.substr(space + 1);
        }
    }
    return {};
}

std::string sniffEncoding(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return "UTF-8";
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return "UTF-16BE";
    }
    if (bytes.starts_with("\xFF\xFE")) {
        return "UTF-16LE";
    }
    std::string declared = Prescan(bytes.substr(0, 1024)).run();
    if (!declared.empty()) {
        return declared;
    }
    return isValidUtf8(bytes) ? "UTF-8" : "windows-1252";
}

std::string decodedAs(std::string_view bytes, std::string_view encoding)
{
    if (encoding == "UTF-8") {
        return std::string(bytes);
    }
    std::string decoded;
    convert(encodingNamed(encoding).converter, bytes,
            [&decoded](char32_t c, std::ptrdiff_t) { appendUtf8(decoded, c); });
    return decoded;
}

PageText::PageText(std::string_view bytes) : m_bytes(bytes), m_encoding(sniffEncoding(bytes))
{
    if (m_encoding == "UTF-8") {
        m_bom = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        return; // the parser replaces invalid sequences as a browser's decoder does
    }
    m_bom = m_encoding.starts_with("UTF-16") ? 2 : 0; // only a byte order mark makes a page UTF-16
    m_copied = true;
    m_decoded.reserve(bytes.size() + bytes.size() / 8);
    convert(encodingNamed(m_encoding).converter, bytes.substr(m_bom),
            [this](char32_t c, std::ptrdiff_t) { appendUtf8(m_decoded, c); });
}

std::vector<std::size_t> PageText::originalOffsets(const std::vector<std::size_t>& ascending) const
{
    std::vector<std::size_t> original;
    original.reserve(ascending.size());
    if (!m_copied) {
        for (const std::size_t offset : ascending) {
            original.push_back(m_bom + offset);
        }
        return original;
    }
    std::size_t decoded = 0;
    std::size_t known = m_bom;
    auto next = ascending.begin();
    convert(encodingNamed(m_encoding).converter, m_bytes.substr(m_bom), [&](char32_t c, std::ptrdiff_t from) {
        if (from >= 0) {
            known = m_bom + static_cast<std::size_t>(from);
        }
        while (next != ascending.end() && *next <= decoded) {
            original.push_back(known);
            ++next;
        }
        decoded += utf8Length(c);
    });
    while (next != ascending.end()) {
        original.push_back(m_bytes.size());
        ++next;
    }
    return original;
}

} // namespace quorvane
