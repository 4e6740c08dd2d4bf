// Random texts survive the encoding: what a browser decodes from the references is
// exactly what was typed, and the references are all a page source shows.
#include "charrefs.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

namespace {

// How an HTML parser reads "&#n;" (numbers 128..159 as windows-1252).
char32_t htmlCharacter(std::uint32_t n)
{
    static const std::map<std::uint32_t, char32_t> windows1252 = {
        {0x80, 0x20AC}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E}, {0x85, 0x2026}, {0x86, 0x2020},
        {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030}, {0x8A, 0x0160}, {0x8B, 0x2039}, {0x8C, 0x0152},
        {0x8E, 0x017D}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D}, {0x95, 0x2022},
        {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A},
        {0x9C, 0x0153}, {0x9E, 0x017E}, {0x9F, 0x0178}};
    if (n == 0 || n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF)) {
        return 0xFFFD;
    }
    const auto it = windows1252.find(n);
    return it == windows1252.end() ? n : it->second;
}

// Parses a text made only of "&#digits;"; fails the test on anything else.
std::vector<char32_t> decodeReferences(const std::string& refs)
{
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < refs.size()) {
        EXPECT_EQ(refs.compare(i, 2, "&#"), 0) << "at " << i;
        i += 2;
        std::uint64_t n = 0;
        const std::size_t digitsStart = i;
        while (i < refs.size() && refs[i] >= '0' && refs[i] <= '9') {
            n = n * 10 + static_cast<std::uint64_t>(refs[i] - '0');
            ++i;
        }
        EXPECT_GT(i, digitsStart) << "no digits at " << digitsStart;
        EXPECT_TRUE(i < refs.size() && refs[i] == ';') << "no ';' at " << i;
        if (i >= refs.size() || refs[i] != ';' || i == digitsStart) {
            return out;
        }
        ++i;
        out.push_back(htmlCharacter(static_cast<std::uint32_t>(n)));
    }
    return out;
}

void appendUtf8(std::string& s, char32_t c)
{
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Picks characters from the ranges a seller's text may hold.
class TextSource
{
public:
    explicit TextSource(unsigned seed, std::size_t maxLength = 40) : m_random(seed), m_maxLength(maxLength) {}

    std::vector<char32_t> next()
    {
        std::vector<char32_t> text(std::uniform_int_distribution<std::size_t>(0, m_maxLength)(m_random));
        for (char32_t& c : text) {
            c = character();
        }
        return text;
    }

private:
    char32_t character()
    {
        static const char32_t extras[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                          0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                          0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
        static const char32_t controls[] = {0x01, 0x07, 0x09, 0x0A, 0x0D, 0x1B, 0x1F,
                                            0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D};
        switch (pick(0, 6)) {
        case 0:
            return pick(0x20, 0x7E);
        case 1:
            return pick(0xA0, 0xFF);
        case 2:
            return extras[pick(0, std::size(extras) - 1)];
        case 3:
            return controls[pick(0, std::size(controls) - 1)];
        case 4:
            return pick(0x0400, 0x04FF);
        case 5:
            return pick(0x4E00, 0x9FFF);
        default:
            return pick(0x1F300, 0x1FAFF);
        }
    }

    char32_t pick(std::size_t low, std::size_t high)
    {
        return static_cast<char32_t>(std::uniform_int_distribution<std::size_t>(low, high)(m_random));
    }

    std::mt19937 m_random;
    std::size_t m_maxLength;
};

void checkRoundTrips(TextSource& source, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        const std::vector<char32_t> typed = source.next();
        std::string utf8;
        for (char32_t c : typed) {
            appendUtf8(utf8, c);
        }
        const std::string refs = quorvane::EncodeCharRefs(utf8);
        ASSERT_EQ(refs.find_first_not_of("&#0123456789;"), std::string::npos) << refs;
        ASSERT_EQ(decodeReferences(refs), typed) << "round " << round << ": " << refs;
    }
}

} // namespace

TEST(EncodeCharRefsProperty, BrowsersReadBackExactlyWhatWasTyped)
{
    TextSource source(20261209);
    checkRoundTrips(source, 10000);
}

TEST(EncodeCharRefsProperty, LongTextsReadBackToo)
{
    TextSource source(1252, 6000);
    checkRoundTrips(source, 100);
}
