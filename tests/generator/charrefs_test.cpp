#include "charrefs.h"

#include <gtest/gtest.h>

using quorvane::EncodeCharRefs;

TEST(EncodeCharRefs, EncodesEveryCharacterWithNothingTrimmed)
{
    EXPECT_EQ(EncodeCharRefs(""), "");
    EXPECT_EQ(EncodeCharRefs("abc"), "&#97;&#98;&#99;");
    EXPECT_EQ(EncodeCharRefs(" a "), "&#32;&#97;&#32;");
    EXPECT_EQ(EncodeCharRefs("\r\n"), "&#13;&#10;");
    EXPECT_EQ(EncodeCharRefs(std::string("\0\x7f", 2)), "&#0;&#127;");
    EXPECT_EQ(EncodeCharRefs("<\"'&>"), "&#60;&#34;&#39;&#38;&#62;");
}

TEST(EncodeCharRefs, IsNotIdempotent)
{
    EXPECT_EQ(EncodeCharRefs("&#49;"), "&#38;&#35;&#52;&#57;&#59;");
}

TEST(EncodeCharRefs, GivesCodePageValuesForWindows1252Characters)
{
    EXPECT_EQ(EncodeCharRefs("é"), "&#233;");
    EXPECT_EQ(EncodeCharRefs("\u00a0ÿ"), "&#160;&#255;");
    EXPECT_EQ(EncodeCharRefs("€"), "&#128;");
    EXPECT_EQ(EncodeCharRefs("‚ƒ„…†‡ˆ‰Š‹ŒŽ"),
              "&#130;&#131;&#132;&#133;&#134;&#135;&#136;&#137;&#138;&#139;&#140;&#142;");
    EXPECT_EQ(EncodeCharRefs("‘’“”•–—˜™š›œžŸ"),
              "&#145;&#146;&#147;&#148;&#149;&#150;&#151;&#152;&#153;&#154;&#155;&#156;&#158;&#159;");
}

TEST(EncodeCharRefs, GivesCodePointsForCharactersOutsideTheCodePage)
{
    EXPECT_EQ(EncodeCharRefs("Жук"), "&#1046;&#1091;&#1082;");
    EXPECT_EQ(EncodeCharRefs("日本茶"), "&#26085;&#26412;&#33590;");
    EXPECT_EQ(EncodeCharRefs("😀"), "&#128512;");
    EXPECT_EQ(EncodeCharRefs("\U0010FFFF"), "&#1114111;");
    EXPECT_EQ(EncodeCharRefs("\u0800\uFFFD"), "&#2048;&#65533;");
}

TEST(EncodeCharRefs, KeepsC1ControlsOnlyWhereBrowsersReadThemBack)
{
    // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are unassigned in windows-1252 and read back
    // as themselves; any other C1 control would read back as a printable character.
    EXPECT_EQ(EncodeCharRefs("\u0081\u008d\u008f\u0090\u009d"), "&#129;&#141;&#143;&#144;&#157;");
    EXPECT_EQ(EncodeCharRefs("\u0080\u0085\u009f"), "&#65533;&#65533;&#65533;");
}

TEST(EncodeCharRefs, ReplacesEachInvalidUtf8SequenceOnce)
{
    EXPECT_EQ(EncodeCharRefs("\xff"), "&#65533;");
    EXPECT_EQ(EncodeCharRefs("a\x80z"), "&#97;&#65533;&#122;");
    EXPECT_EQ(EncodeCharRefs("\xc3"), "&#65533;");                         // truncated at the end
    EXPECT_EQ(EncodeCharRefs("\xe6\x97z"), "&#65533;&#122;");              // truncated prefix is one sequence
    EXPECT_EQ(EncodeCharRefs("\xc0\xaf"), "&#65533;&#65533;");             // overlong lead
    EXPECT_EQ(EncodeCharRefs("\xe0\x80\xaf"), "&#65533;&#65533;&#65533;"); // overlong 3-byte
    EXPECT_EQ(EncodeCharRefs("\xed\xa0\x80"), "&#65533;&#65533;&#65533;"); // surrogate
    EXPECT_EQ(EncodeCharRefs("\xf4\x90\x80\x80"), "&#65533;&#65533;&#65533;&#65533;"); // above U+10FFFF
    EXPECT_EQ(EncodeCharRefs("\xf0\x9f\x98"), "&#65533;");
}

TEST(EncodeCharRefs, NeverWritesANegativeReference)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    EXPECT_EQ(EncodeCharRefs(everyByte).find('-'), std::string::npos);
}

TEST(EncodeCharRefs, AppendKeepsWhatIsThere)
{
    std::string out = "x=";
    quorvane::appendCharRefs(out, "é1");
    EXPECT_EQ(out, "x=&#233;&#49;");
}

TEST(EncodeCharRefs, LongTextsMatchTheirCharactersEncodedOneByOne)
{
    // Long texts are encoded in pieces; no character may be cut at a piece's end,
    // whatever stands there: a multi-byte character, or a run of stray bytes.
    const std::string tails[] = {"日", "😀", "é", "\x80\x80\x80\x80\x80", "\xe6\x97", "\xf0\x9f\x98\x80\x80"};
    const std::string tailRefs[] = {"&#26085;", "&#128512;",
                                    "&#233;",   "&#65533;&#65533;&#65533;&#65533;&#65533;",
                                    "&#65533;", "&#128512;&#65533;"};
    for (std::size_t lead = 2030; lead < 2060; ++lead) {
        for (std::size_t t = 0; t < std::size(tails); ++t) {
            const std::string text = std::string(lead, 'a') + tails[t] + "z";
            std::string expected;
            for (std::size_t i = 0; i < lead; ++i) {
                expected += "&#97;";
            }
            expected += tailRefs[t] + "&#122;";
            ASSERT_EQ(EncodeCharRefs(text), expected) << "lead " << lead << ", tail " << t;
        }
    }
}
