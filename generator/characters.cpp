#include "characters.h"

#include "utf8.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <vector>

namespace quorvane {

namespace {

// Shows as blank, though Unicode counts it neither as a space nor as ignorable.
constexpr char32_t BraillePatternBlank = 0x2800;

constexpr std::size_t MaxQuotedCharacters = 32;
constexpr std::size_t KeptCharacters = 24;
// How far past a cut a message looks for the end of a character as the seller sees it.
constexpr std::size_t ClusterContextBytes = 64;

bool isLineBreak(char32_t cp)
{
    return cp == '\n' || cp == '\r' || cp == 0x85 || cp == 0x2028 || cp == 0x2029;
}

bool isRefused(char32_t cp, CharacterRule rule)
{
    if (cp < 0x80) {
        return cp < 0x20 || cp == 0x7F || (cp == ' ' && rule == CharacterRule::Visible);
    }
    const auto type = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(cp)));
    if (type == U_CONTROL_CHAR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR) {
        return true;
    }
    if (rule == CharacterRule::OneLine) {
        return false;
    }
    return type == U_FORMAT_CHAR || type == U_PRIVATE_USE_CHAR || type == U_SURROGATE ||
           type == U_UNASSIGNED || u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_WHITE_SPACE) ||
           u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_DEFAULT_IGNORABLE_CODE_POINT) ||
           cp == BraillePatternBlank;
}

std::string codePointLabel(char32_t cp)
{
    char label[16];
    std::snprintf(label, sizeof label, "U+%04X", static_cast<unsigned>(cp));
    return label;
}

// How the seller is told which character it is: by what they see where it stands.
std::string characterName(char32_t cp)
{
    if (isLineBreak(cp)) {
        return "line break";
    }
    if (cp == '\t') {
        return "tab";
    }
    if (cp == ' ') {
        return "space";
    }
    const char* kind;
    switch (u_charType(static_cast<UChar32>(cp))) {
    case U_SPACE_SEPARATOR:
        kind = "space ";
        break;
    case U_CONTROL_CHAR:
        kind = "control character ";
        break;
    case U_PRIVATE_USE_CHAR:
        kind = "private-use character ";
        break;
    case U_UNASSIGNED:
        kind = "unassigned character ";
        break;
    default:
        kind = "invisible character ";
        break;
    }
    return kind + codePointLabel(cp);
}

struct BreakIteratorCloser
{
    void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

struct TextCloser
{
    void operator()(UText* text) const { utext_close(text); }
};

// The first boundary between two characters as the seller sees them (grapheme
// clusters) at or after a byte offset.
std::size_t clusterBoundaryFrom(std::string_view text, std::size_t offset)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UText, TextCloser> utext(
        utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
    const std::unique_ptr<UBreakIterator, BreakIteratorCloser> it(
        ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
    if (U_FAILURE(status)) {
        return offset;
    }
    ubrk_setUText(it.get(), utext.get(), &status);
    const auto at = static_cast<int32_t>(offset);
    if (U_FAILURE(status) || ubrk_isBoundary(it.get(), at)) {
        return offset;
    }
    const int32_t next = ubrk_following(it.get(), at);
    return next == UBRK_DONE ? text.size() : static_cast<std::size_t>(next);
}

// The byte offsets of the first characters of a text, at most `limit` of them.
std::vector<std::size_t> characterOffsets(std::string_view text, std::size_t limit)
{
    std::vector<std::size_t> offsets;
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size() && offsets.size() < limit;) {
        offsets.push_back(i);
        i += decodeUtf8(in + i, text.size() - i).length;
    }
    return offsets;
}

std::string where(std::string_view text, std::size_t start, std::size_t end)
{
    if (start == 0) {
        return "at the start";
    }
    if (end == text.size()) {
        return "at the end";
    }
    return "after \"" + shortened(text.substr(0, start), Keep::End) + '"';
}

} // namespace

std::optional<std::string> strayCharacterAdvice(std::string_view text, CharacterRule rule)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char lowestPrintable = rule == CharacterRule::Visible ? '!' : ' ';
    for (std::size_t i = 0; i < text.size();) {
        if (in[i] >= lowestPrintable && in[i] < 0x7F) {
            ++i; // printable ASCII, the common case, passes at once
            continue;
        }
        const Decoded d = decodeUtf8(in + i, text.size() - i);
        if (isRefused(d.codePoint, rule)) {
            const bool crLf = d.codePoint == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
            return "remove the " + characterName(d.codePoint) + ' ' +
                   where(text, i, i + d.length + (crLf ? 1 : 0));
        }
        i += d.length;
    }
    return std::nullopt;
}

std::string shortened(std::string_view text, Keep keep)
{
    if (characterOffsets(text, MaxQuotedCharacters + 1).size() <= MaxQuotedCharacters) {
        return std::string(text);
    }
    // Only the kept end is looked at, so a long text costs no more than a short one;
    // a character takes at most four bytes.
    if (keep == Keep::Start) {
        const std::size_t cut = characterOffsets(text, KeptCharacters + 1).back();
        const std::string_view head = text.substr(0, cut + ClusterContextBytes);
        return std::string(text.substr(0, clusterBoundaryFrom(head, cut))) + "…";
    }
    std::size_t start = text.size() - std::min(text.size(), 4 * (KeptCharacters + 1));
    while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        ++start; // not into the middle of a character
    }
    const std::string_view tail = text.substr(start);
    const std::vector<std::size_t> offsets = characterOffsets(tail, tail.size());
    const std::size_t cut = offsets[offsets.size() - KeptCharacters];
    return "…" + std::string(tail.substr(clusterBoundaryFrom(tail, cut)));
}

} // namespace quorvane
