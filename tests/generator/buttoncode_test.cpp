#include "buttoncode.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using quorvane::ButtonCode;
using quorvane::ButtonRequest;
using quorvane::CheckBoxState;
using quorvane::GenerateButtonCode;
using quorvane::Incomplete;

ButtonRequest completeRequest()
{
    ButtonRequest r;
    r.Account = "a@b";
    r.ItemName = "Tea";
    r.ItemNumber = "7";
    r.Amount = "1.50";
    r.ReturnUrl = "http://s/ok";
    r.CancelUrl = "http://s/no";
    r.NoteTitle = "Hi";
    r.OwnImageUrl = "http://";
    r.UsePresetImage = true;
    r.ChosenImage = 5;
    return r;
}

std::string codeOf(const ButtonRequest& r)
{
    const auto result = GenerateButtonCode(r);
    const auto* code = std::get_if<ButtonCode>(&result);
    EXPECT_NE(code, nullptr) << "expected a complete request";
    return code ? code->text : std::string();
}

bool isIncomplete(const ButtonRequest& r)
{
    return std::holds_alternative<Incomplete>(GenerateButtonCode(r));
}

// The line of the code that holds the given encoded field name.
std::string lineWith(const std::string& code, const std::string& needle)
{
    const auto at = code.find(needle);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = code.rfind('\r', at) == std::string::npos ? 0 : code.rfind('\r', at) + 1;
    return code.substr(start, code.find('\r', at) - start);
}

const std::string EncodedNoShipping = "&#110;&#111;&#95;&#115;&#104;&#105;&#112;&#112;&#105;&#110;&#103;";
const std::string EncodedNoNote = "&#110;&#111;&#95;&#110;&#111;&#116;&#101;";
const std::string EncodedQuantity = "&#117;&#110;&#100;&#101;&#102;&#105;&#110;&#101;&#100;&#95;&#113;&#117;&"
                                    "#97;&#110;&#116;&#105;&#116;&#121;";

} // namespace

TEST(GenerateButtonCode, WritesTheWholeFormByteForByte)
{
    ButtonRequest r = completeRequest();
    r.CollectShipping = CheckBoxState::Ticked;
    r.AllowNote = CheckBoxState::Greyed;
    const std::string expected =
        "<form action=\"&#104;&#116;&#116;&#112;&#115;&#58;&#47;&#47;&#119;&#119;&#119;&#46;&#112;"
        "&#97;&#121;&#112;&#97;&#108;&#46;&#99;&#111;&#109;&#47;&#99;&#103;&#105;&#45;&#98;&#105;"
        "&#110;&#47;&#119;&#101;&#98;&#115;&#99;&#114;\" method=\"&#112;&#111;&#115;&#116;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#109;&#100;\" value=\""
        "&#95;&#120;&#99;&#108;&#105;&#99;&#107;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#98;&#117;&#115;&#105;&#110;"
        "&#101;&#115;&#115;\" value=\"&#97;&#64;&#98;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#117;&#110;&#100;&#101;&#102;"
        "&#105;&#110;&#101;&#100;&#95;&#113;&#117;&#97;&#110;&#116;&#105;&#116;&#121;\" value=\"&#48;"
        "\" > \r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#105;&#116;&#101;&#109;&#95;"
        "&#110;&#97;&#109;&#101;\" value=\"&#84;&#101;&#97;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#105;&#116;&#101;&#109;&#95;"
        "&#110;&#117;&#109;&#98;&#101;&#114;\" value=\"&#55;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#97;&#109;&#111;&#117;&#110;"
        "&#116;\" value=\"&#49;&#46;&#53;&#48;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#114;&#101;&#116;&#117;&#114;"
        "&#110;\" value=\"&#104;&#116;&#116;&#112;&#58;&#47;&#47;&#115;&#47;&#111;&#107;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#97;&#110;&#99;&#101;"
        "&#108;&#95;&#114;&#101;&#116;&#117;&#114;&#110;\" value=\"&#104;&#116;&#116;&#112;&#58;&#47;"
        "&#47;&#115;&#47;&#110;&#111;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#110;&#111;&#95;&#115;&#104;"
        "&#105;&#112;&#112;&#105;&#110;&#103;\" value=\"&#48;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#110;&#111;&#95;&#110;&#111;"
        "&#116;&#101;\" value=\"&#49;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#110;\" value=\"&#72;"
        "&#105;\">\r"
        "<input type=\"&#105;&#109;&#97;&#103;&#101;\" src=\"&#104;&#116;&#116;&#112;&#115;&#58;&#47;"
        "&#47;&#119;&#119;&#119;&#46;&#112;&#97;&#121;&#112;&#97;&#108;&#46;&#99;&#111;&#109;&#47;"
        "&#105;&#109;&#97;&#103;&#101;&#115;&#47;&#120;&#45;&#99;&#108;&#105;&#99;&#107;&#45;&#98;"
        "&#117;&#116;&#53;&#46;&#103;&#105;&#102;"
        "\" border=\"0\" name=\"submit\" alt=\"Make payments with PayPal - it's fast, free and secure!\">\r"
        "</form>\r";
    EXPECT_EQ(codeOf(r), expected);
}

TEST(GenerateButtonCode, HasFourteenCarriageReturnLinesAndNoLineFeed)
{
    const std::string code = codeOf(completeRequest());
    EXPECT_EQ(std::count(code.begin(), code.end(), '\r'), 14);
    EXPECT_EQ(code.find('\n'), std::string::npos);
    EXPECT_TRUE(code.ends_with("\r</form>\r"));
    EXPECT_TRUE(code.starts_with("<form action=\""));
}

TEST(GenerateButtonCode, ChecksRequiredEntriesInOrder)
{
    std::string ButtonRequest::*const required[] = {&ButtonRequest::ItemName, &ButtonRequest::ItemNumber,
                                                    &ButtonRequest::Amount,   &ButtonRequest::ReturnUrl,
                                                    &ButtonRequest::Account,  &ButtonRequest::CancelUrl};
    for (auto field : required) {
        ButtonRequest r = completeRequest();
        r.*field = "";
        EXPECT_TRUE(isIncomplete(r));
        r.*field = " ";
        EXPECT_FALSE(isIncomplete(r));
    }
    ButtonRequest r = completeRequest();
    r.NoteTitle = "";
    EXPECT_FALSE(isIncomplete(r));
    EXPECT_EQ(lineWith(codeOf(r), "name=\"&#99;&#110;\""),
              "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#110;\" value=\"\">");
}

TEST(GenerateButtonCode, SpacesPassTheCheckAndAreEncoded)
{
    ButtonRequest r;
    r.Account = r.ItemName = r.ItemNumber = r.Amount = r.ReturnUrl = r.CancelUrl = " ";
    const std::string code = codeOf(r);
    EXPECT_NE(lineWith(code, EncodedNoShipping).find("value=\"&#49;\""), std::string::npos);
    EXPECT_NE(lineWith(code, "name=\"&#97;&#109;&#111;&#117;&#110;&#116;\"").find("value=\"&#32;\""),
              std::string::npos);
}

TEST(GenerateButtonCode, OwnImageUrlIsRequiredOnlyWhenOwnImageIsChosen)
{
    ButtonRequest r = completeRequest();
    r.UsePresetImage = false;
    r.UseOwnImage = true;
    r.OwnImageUrl = "";
    EXPECT_TRUE(isIncomplete(r));

    r.OwnImageUrl = "http://";
    EXPECT_NE(codeOf(r).find("src=\"&#104;&#116;&#116;&#112;&#58;&#47;&#47;\""), std::string::npos);

    r.UseOwnImage = false; // neither option: the own address is used unchecked, even empty
    r.OwnImageUrl = "";
    EXPECT_NE(codeOf(r).find("src=\"\""), std::string::npos);

    r = completeRequest(); // preset chosen: the own address is ignored
    r.OwnImageUrl = "";
    r.UseOwnImage = false;
    EXPECT_NE(codeOf(r).find("&#98;&#117;&#116;&#53;&#46;&#103;&#105;&#102;\""), std::string::npos);
}

TEST(GenerateButtonCode, PresetPictureComesFromTheTable)
{
    ButtonRequest r = completeRequest();
    r.ChosenImage = 2;
    // ".../images/x-click-butcc.gif"
    EXPECT_NE(codeOf(r).find(
                  "&#47;&#120;&#45;&#99;&#108;&#105;&#99;&#107;&#45;&#98;&#117;&#116;&#99;&#99;&#46;&#103;"
                  "&#105;&#102;\" border"),
              std::string::npos);
    r.ChosenImage = 0; // nothing chosen: the directory alone
    EXPECT_NE(codeOf(r).find("&#105;&#109;&#97;&#103;&#101;&#115;&#47;\" border"), std::string::npos);
}

TEST(GenerateButtonCode, OnlyATickedBoxCounts)
{
    const struct
    {
        CheckBoxState state;
        const char* quantity;
        const char* shipping;
    } cases[] = {
        {CheckBoxState::Unticked, "&#48;", "&#49;"},
        {CheckBoxState::Ticked, "&#49;", "&#48;"},
        {CheckBoxState::Greyed, "&#48;", "&#49;"},
    };
    for (const auto& c : cases) {
        ButtonRequest r = completeRequest();
        r.AllowQuantity = r.CollectShipping = r.AllowNote = c.state;
        const std::string code = codeOf(r);
        EXPECT_TRUE(
            lineWith(code, EncodedQuantity).ends_with(std::string("value=\"") + c.quantity + "\" > "));
        EXPECT_TRUE(
            lineWith(code, EncodedNoShipping).ends_with(std::string("value=\"") + c.shipping + "\">"));
        EXPECT_TRUE(lineWith(code, EncodedNoNote).ends_with(std::string("value=\"") + c.shipping + "\">"));
    }
}

TEST(GenerateButtonCode, HostileTextCannotBreakTheMarkup)
{
    ButtonRequest r = completeRequest();
    r.ItemName = "\"><script>alert(1)</script></form>";
    r.NoteTitle = "a\r\nb";
    const std::string code = codeOf(r);
    EXPECT_EQ(std::count(code.begin(), code.end(), '<'), 14);
    EXPECT_EQ(std::count(code.begin(), code.end(), '\r'), 14);
    EXPECT_NE(code.find("&#34;&#62;&#60;&#115;"), std::string::npos);
}

TEST(GenerateButtonCode, EncodesNonAsciiTextTheSoundWay)
{
    ButtonRequest r = completeRequest();
    r.ItemName = "Café € Жук 😀";
    EXPECT_NE(
        codeOf(r).find("value=\"&#67;&#97;&#102;&#233;&#32;&#128;&#32;&#1046;&#1091;&#1082;&#32;&#128512;\""),
        std::string::npos);
}

TEST(GenerateButtonCode, EndpointConstantIsTheEncodedPaymentAddress)
{
    std::string decoded;
    std::string_view rest = quorvane::PaymentEndpointUrl;
    while (!rest.empty()) {
        ASSERT_TRUE(rest.starts_with("&#"));
        const auto end = rest.find(';');
        decoded += static_cast<char>(std::stoi(std::string(rest.substr(2, end - 2))));
        rest.remove_prefix(end + 1);
    }
    EXPECT_EQ(decoded, "https://www.paypal.com/cgi-bin/webscr");
}
