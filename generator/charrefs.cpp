#include "charrefs.h"

#include "utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quorvane {

namespace {

// The code-page values 128..159 of the characters windows-1252 adds to Latin-1;
// 0 for any other character.
constexpr unsigned windows1252Extra(char32_t cp)
{
    if (cp < 0x0152 || cp > 0x2122) {
        return 0; // outside the range the extras lie in
    }
    switch (cp) {
    case 0x20AC:
        return 128;
    case 0x201A:
        return 130;
    case 0x0192:
        return 131;
    case 0x201E:
        return 132;
    case 0x2026:
        return 133;
    case 0x2020:
        return 134;
    case 0x2021:
        return 135;
    case 0x02C6:
        return 136;
    case 0x2030:
        return 137;
    case 0x0160:
        return 138;
    case 0x2039:
        return 139;
    case 0x0152:
        return 140;
    case 0x017D:
        return 142;
    case 0x2018:
        return 145;
    case 0x2019:
        return 146;
    case 0x201C:
        return 147;
    case 0x201D:
        return 148;
    case 0x2022:
        return 149;
    case 0x2013:
        return 150;
    case 0x2014:
        return 151;
    case 0x02DC:
        return 152;
    case 0x2122:
        return 153;
    case 0x0161:
        return 154;
    case 0x203A:
        return 155;
    case 0x0153:
        return 156;
    case 0x017E:
        return 158;
    case 0x0178:
        return 159;
    default:
        return 0;
    }
}

// The number that stands for a character in the reference. Browsers read 128..159
// as windows-1252 characters, so a C1 control that windows-1252 gives another
// meaning to has no reference that reads back as itself: it becomes U+FFFD rather
// than silently turning into "€" or a quote mark.
constexpr char32_t referenceNumber(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
        return cp;
    }
    if (cp < 0xA0) {
        const bool undefinedInCodePage = cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D;
        return undefinedInCodePage ? cp : ReplacementCharacter;
    }
    const unsigned extra = windows1252Extra(cp);
    return extra != 0 ? extra : cp;
}

// Reference numbers are code points or code-page values: at most 1114111.
std::size_t decimalDigits(std::uint32_t n)
{
    return n < 10 ? 1 : n < 100 ? 2 : n < 1000 ? 3 : n < 10000 ? 4 : n < 100000 ? 5 : n < 1000000 ? 6 : 7;
}

constexpr char DigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes "&#n;" at out and returns its length.
std::size_t writeRef(char* out, std::uint32_t n)
{
    const std::size_t digits = decimalDigits(n);
    out[0] = '&';
    out[1] = '#';
    char* d = out + 2 + digits;
    *d = ';';
    while (n >= 100) {
        d -= 2;
        std::memcpy(d, DigitPairs + 2 * (n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        std::memcpy(d - 2, DigitPairs + 2 * n, 2);
    } else {
        d[-1] = static_cast<char>('0' + n);
    }
    return digits + 3;
}

// The reference of every character below U+0100 packed in eight bytes as they lie
// in memory: the reference first (at most six bytes), its length in the last byte.
// One eight-byte store writes it; the next reference overwrites the tail. The C1
// controls that become U+FFFD need eight bytes and are marked with length 0.
static_assert(std::endian::native == std::endian::little, "the packed references assume little-endian");

constexpr std::uint64_t packRef(std::uint32_t n)
{
    if (n >= 1000) {
        return 0;
    }
    char text[8] = {};
    std::size_t length = 0;
    text[length++] = '&';
    text[length++] = '#';
    if (n >= 100) {
        text[length++] = static_cast<char>('0' + n / 100);
    }
    if (n >= 10) {
        text[length++] = static_cast<char>('0' + n / 10 % 10);
    }
    text[length++] = static_cast<char>('0' + n % 10);
    text[length++] = ';';
    text[7] = static_cast<char>(length);
    std::uint64_t packed = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[k])) << (8 * k);
    }
    return packed;
}

constexpr std::array<std::uint64_t, 256> makeSmallRefs()
{
    std::array<std::uint64_t, 256> refs{};
    for (char32_t c = 0; c < 256; ++c) {
        refs[c] = packRef(referenceNumber(c));
    }
    return refs;
}

constexpr std::array<std::uint64_t, 256> smallRefs = makeSmallRefs();

std::size_t packedLength(std::uint64_t packed)
{
    return packed >> 56;
}

// Writes a packed reference and returns where the next one goes.
char* writePacked(char* out, std::uint64_t packed)
{
    std::memcpy(out, &packed, 8);
    return out + packedLength(packed);
}

char* writeCharRef(char* out, char32_t cp)
{
    const std::uint64_t packed = cp < 256 ? smallRefs[cp] : 0;
    return packed != 0 ? writePacked(out, packed) : out + writeRef(out, referenceNumber(cp));
}

// Plain ASCII, the common case, is handled a block at a time.
constexpr std::size_t AsciiBlock = 16;

bool isAsciiBlock(const unsigned char* in)
{
    std::uint64_t halves[2];
    std::memcpy(halves, in, sizeof halves);
    return ((halves[0] | halves[1]) & 0x8080808080808080) == 0;
}

// Walks a text: each block of plain ASCII goes to onAsciiBlock, every other
// character, decoded, to onCharacter.
template <typename OnAsciiBlock, typename OnCharacter>
void walk(const unsigned char* in, std::size_t size, OnAsciiBlock onAsciiBlock, OnCharacter onCharacter)
{
    std::size_t i = 0;
    while (i < size) {
        if (size - i >= AsciiBlock && isAsciiBlock(in + i)) {
            onAsciiBlock(in + i);
            i += AsciiBlock;
            continue;
        }
        // Character by character to the end of this block, so a block is tried once.
        for (const std::size_t end = std::min(size, i + AsciiBlock); i < end;) {
            if (in[i] < 0x80) {
                onCharacter(in[i]);
                ++i;
            } else {
                const Decoded d = decodeUtf8(in + i, size - i);
                onCharacter(d.codePoint);
                i += d.length;
            }
        }
    }
}

// Input is encoded a piece at a time into a buffer that stays in the cache, and
// appended from there: that writes the result once, with no zero-filling and no
// separate pass to measure it.
constexpr std::size_t PieceSize = 2048;
constexpr std::size_t MaxRefBytesPerInputByte = 8; // "&#65533;" for one invalid byte

bool isContinuationByte(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Where a piece of at most PieceSize bytes from `in` can end without cutting a
// character in two: before a byte that no sequence is continued by. A character
// is at most four bytes long, so if the last four candidates all continue one,
// the byte at the end continues none that is still open.
std::size_t pieceEnd(const unsigned char* in, std::size_t size)
{
    if (size <= PieceSize) {
        return size;
    }
    for (std::size_t end = PieceSize; end >= PieceSize - 3; --end) {
        if (!isContinuationByte(in[end])) {
            return end;
        }
    }
    return PieceSize;
}

} // namespace

void appendCharRefs(std::string& out, std::string_view text)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    out.reserve(out.size() + MaxRefBytesPerInputByte * size);

    // Fixed-size copies may run up to seven bytes past the last reference.
    char buffer[MaxRefBytesPerInputByte * PieceSize + 8];
    while (size != 0) {
        const std::size_t end = pieceEnd(in, size);
        char* dst = buffer;
        walk(
            in, end,
            [&dst](const unsigned char* block) {
#pragma GCC unroll 16
                for (std::size_t k = 0; k < AsciiBlock; ++k) {
                    dst = writePacked(dst, smallRefs[block[k]]);
                }
            },
            [&dst](char32_t cp) { dst = writeCharRef(dst, cp); });
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        in += end;
        size -= end;
    }
}

std::string EncodeCharRefs(std::string_view text)
{
    std::string out;
    appendCharRefs(out, text);
    return out;
}

} // namespace quorvane
