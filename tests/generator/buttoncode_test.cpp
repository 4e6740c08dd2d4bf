#include "buttoncode.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string_view>

namespace {

using quorvane::ButtonCode;
using quorvane::ButtonRequest;
using quorvane::CheckBoxState;
using quorvane::Entry;
using quorvane::GenerateButtonCode;
using quorvane::Incomplete;
using quorvane::Problem;
using quorvane::Refused;
using namespace std::string_view_literals;

ButtonRequest completeRequest()
{
    ButtonRequest r;
    r.Account = "a@b.c";
    r.ItemName = "Tea";
    r.ItemNumber = "7";
    r.Amount = "1.50";
    r.ReturnUrl = "http://s.io/ok";
    r.CancelUrl = "http://s.io/no";
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

// The problems PayPal would have with a complete request; none when it gets a code.
std::vector<Problem> problemsOf(const ButtonRequest& r)
{
    const auto result = GenerateButtonCode(r);
    EXPECT_FALSE(std::holds_alternative<Incomplete>(result)) << "expected a complete request";
    const auto* refused = std::get_if<Refused>(&result);
    return refused ? refused->problems : std::vector<Problem>();
}

std::string& textOf(ButtonRequest& r, Entry entry)
{
    switch (entry) {
    case Entry::Account:
        return r.Account;
    case Entry::ItemName:
        return r.ItemName;
    case Entry::ItemNumber:
        return r.ItemNumber;
    case Entry::Amount:
        return r.Amount;
    case Entry::ReturnUrl:
        return r.ReturnUrl;
    case Entry::CancelUrl:
        return r.CancelUrl;
    case Entry::OwnImageUrl:
        return r.OwnImageUrl;
    case Entry::NoteTitle:
        break;
    }
    return r.NoteTitle;
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
        "&#101;&#115;&#115;\" value=\"&#97;&#64;&#98;&#46;&#99;\">\r"
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
        "&#110;\" value=\"&#104;&#116;&#116;&#112;&#58;&#47;&#47;&#115;&#46;&#105;&#111;&#47;&#111;&#107;\">\r"
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#97;&#110;&#99;&#101;"
        "&#108;&#95;&#114;&#101;&#116;&#117;&#114;&#110;\" value=\"&#104;&#116;&#116;&#112;&#58;&#47;"
        "&#47;&#115;&#46;&#105;&#111;&#47;&#110;&#111;\">\r"
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

    // The window puts the cursor into the first empty entry in its own order.
    r.ItemNumber = r.CancelUrl = r.Account = "";
    const auto result = GenerateButtonCode(r);
    ASSERT_TRUE(std::holds_alternative<Incomplete>(result));
    EXPECT_EQ(std::get<Incomplete>(result).entry, Entry::Account);
    r.Account = "a@b.c";
    EXPECT_EQ(std::get<Incomplete>(GenerateButtonCode(r)).entry, Entry::ItemNumber);
}

TEST(GenerateButtonCode, SpacesPassTheCompletenessCheckButNotPayPals)
{
    ButtonRequest r;
    r.Account = r.ItemName = r.ItemNumber = r.Amount = r.ReturnUrl = r.CancelUrl = " ";
    const std::vector<Problem> expected = {
        {Entry::Account, "Your Paypal Account: remove the space at the start"},
        {Entry::Amount, quorvane::AmountMessage},
        {Entry::ReturnUrl, "Success URL: remove the space at the start"},
        {Entry::CancelUrl, "Cancelled URL: remove the space at the start"}};
    EXPECT_EQ(problemsOf(r), expected);

    r = completeRequest();
    r.ItemName = r.ItemNumber = r.NoteTitle = " ";
    const std::string code = codeOf(r);
    EXPECT_NE(lineWith(code, EncodedNoShipping).find("value=\"&#49;\""), std::string::npos);
    EXPECT_NE(lineWith(code, "name=\"&#99;&#110;\"").find("value=\"&#32;\""), std::string::npos);
}

TEST(GenerateButtonCode, AllProblemsInOneBoxInTheWindowsOrder)
{
    ButtonRequest r = completeRequest();
    r.CancelUrl = "shop.example/cancelled";
    r.Amount = "12,50";
    r.ItemNumber = std::string(128, 'n');
    r.Account = "seller@example,com";
    r.UsePresetImage = false;
    r.UseOwnImage = true;
    const std::vector<Problem> expected = {{Entry::Account, quorvane::AccountMessage},
                                           {Entry::ItemNumber, quorvane::ItemNumberMessage},
                                           {Entry::Amount, quorvane::AmountMessage},
                                           {Entry::CancelUrl, quorvane::CancelUrlMessage},
                                           {Entry::OwnImageUrl, quorvane::OwnImageUrlMessage}};
    const auto result = GenerateButtonCode(r);
    ASSERT_TRUE(std::holds_alternative<Refused>(result));
    EXPECT_EQ(std::get<Refused>(result).problems, expected);
    std::string text(quorvane::RefusedMessageHeading);
    for (const Problem& problem : expected) {
        text += "\n" + std::string(problem.message);
    }
    EXPECT_EQ(quorvane::refusalMessageText(std::get<Refused>(result).problems), text);
}

// Prices, accounts and addresses PayPal takes, and what the seller is told about
// the ones it refuses (no message: accepted).
TEST(GenerateButtonCode, AcceptsWhatPayPalTakesAndSaysWhatItRefuses)
{
    const std::string longUrl = "https://shop.example/" + std::string(1024 - 21, 'p');
    const std::string longName = std::string(126, 'n') + "\xF0\x9F\x98\x80"; // 127 characters, 130 bytes
    const struct
    {
        Entry entry;
        std::string value;
        std::string_view message;
    } cases[] = {
        {Entry::Amount, "1", {}},
        {Entry::Amount, "0.01", {}},
        {Entry::Amount, "12.5", {}},
        {Entry::Amount, "1234567.89", {}},
        {Entry::Amount, "12.50 EUR", {}},
        {Entry::Amount, "EUR 12.50", {}},
        {Entry::Amount, "12.50 eur", {}},
        {Entry::Amount, "Chf 3", {}},
        {Entry::Amount, "1500 JPY", {}},
        {Entry::Amount, "0", quorvane::AmountMessage},
        {Entry::Amount, "0.00 USD", quorvane::AmountMessage},
        {Entry::Amount, "-5", quorvane::AmountMessage},
        {Entry::Amount, "12,50", quorvane::AmountMessage},
        {Entry::Amount, "1,000.00", quorvane::AmountMessage},
        {Entry::Amount, "$12.50", quorvane::AmountMessage},
        {Entry::Amount, "12.50 \xE2\x82\xAC", quorvane::AmountMessage},
        {Entry::Amount, "12.", quorvane::AmountMessage},
        {Entry::Amount, ".50", quorvane::AmountMessage},
        {Entry::Amount, "12.345", quorvane::AmountMessage},
        {Entry::Amount, "1e3", quorvane::AmountMessage},
        {Entry::Amount, " 12.50", quorvane::AmountMessage},
        {Entry::Amount, "12.50 ", quorvane::AmountMessage},
        {Entry::Amount, "12.50  EUR", quorvane::AmountMessage},
        {Entry::Amount, "12.50EUR", quorvane::AmountMessage},
        {Entry::Amount, "12.50 EUR USD", quorvane::AmountMessage},
        {Entry::Amount, std::string("1\0", 2), quorvane::AmountMessage},
        {Entry::Amount, "\"><b>", quorvane::AmountMessage},
        {Entry::Amount, "12.50 XYZ", quorvane::CurrencyMessage},
        {Entry::Amount, "12.50 EURO", quorvane::CurrencyMessage},
        {Entry::Amount, "1500.00 JPY", quorvane::WholeAmountMessage},
        {Entry::Amount, "huf 1.5", quorvane::WholeAmountMessage},
        {Entry::Amount, "30.1 TWD", quorvane::WholeAmountMessage},
        {Entry::Account, "seller@example.com", {}},
        {Entry::Account, "first.last+shop@mail.example.co.uk", {}},
        {Entry::Account, "ABCDEFGHJK123", {}},
        {Entry::Account, "\xD0\xB6@\xD1\x80\xD1\x84.\xD1\x80\xD1\x84", {}},
        {Entry::Account, "seller@example,com", quorvane::AccountMessage},
        {Entry::Account, "seller@example", quorvane::AccountMessage},
        {Entry::Account, "@example.com", quorvane::AccountMessage},
        {Entry::Account, "seller@.com", quorvane::AccountMessage},
        {Entry::Account, "seller@example.", quorvane::AccountMessage},
        {Entry::Account, "seller@example..com", quorvane::AccountMessage},
        {Entry::Account, "a@b@example.com", quorvane::AccountMessage},
        {Entry::Account, "seller @example.com", "Your Paypal Account: remove the space after \"seller\""},
        {Entry::Account, "seller@example.com\t", "Your Paypal Account: remove the tab at the end"},
        {Entry::Account, "seller@example.com ", "Your Paypal Account: remove the space at the end"},
        {Entry::Account, "mailto:seller@example.com",
         "Your Paypal Account: remove \"mailto:\" in front of the address"},
        {Entry::Account, "seller@example.com;", "Your Paypal Account: remove the \";\" at the end"},
        {Entry::Account, "seller@example.com).", "Your Paypal Account: remove the \").\" at the end"},
        {Entry::Account, "seller@-example-.com", quorvane::AccountMessage},
        {Entry::Account, "seller@192.0.2.1", quorvane::AccountMessage},
        {Entry::Account, "\"first\\\"last\"@example.com", {}},
        {Entry::Account, std::string(64, 's') + "@" + std::string(58, 'e') + ".com", {}},
        {Entry::Account, std::string(65, 's') + "@" + std::string(58, 'e') + ".com",
         quorvane::AccountMessage},
        {Entry::Account, "ABCDEFGHJK12", quorvane::AccountMessage},
        {Entry::Account, "abcdefghjk123", quorvane::AccountMessage},
        {Entry::ReturnUrl, "https://shop.example/thanks", {}},
        {Entry::ReturnUrl, "HTTP://127.0.0.1:8080/ok?a=1&b=\"<2>\"#top", {}},
        {Entry::ReturnUrl, "https://[::1]/", {}},
        {Entry::ReturnUrl, "https://\xD0\xB6.example/\xF0\x9F\x98\x80", {}},
        {Entry::ReturnUrl, longUrl, {}},
        {Entry::ReturnUrl, longUrl + "p", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "shop.example/thanks", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "https://", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "http:///thanks", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "https://:443/", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "ftp://shop.example/", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, "javascript:alert(1)//https://x", quorvane::ReturnUrlMessage},
        {Entry::ReturnUrl, " https://shop.example/", "Success URL: remove the space at the start"},
        {Entry::ReturnUrl, "https://shop.example/a b",
         "Success URL: remove the space after \"https://shop.example/a\""},
        {Entry::ReturnUrl, "https://shop.example/\xC2\xA0",
         "Success URL: remove the space U+00A0 at the end"},
        {Entry::ReturnUrl, std::string("https://shop.example/\0", 22),
         "Success URL: remove the control character U+0000 at the end"},
        {Entry::ReturnUrl, "https://example.com/\u2068shop\u2069",
         "Success URL: remove the invisible character U+2068 after \"https://example.com/\""},
        {Entry::ReturnUrl, "https://shop.example/e\u0301abcdefghijklmnopqrstuvw\u2068x",
         "Success URL: remove the invisible character U+2068 after \"…abcdefghijklmnopqrstuvw\""},
        {Entry::ReturnUrl, "https://[::ffff:192.0.2.1]:8443/", {}},
        {Entry::ReturnUrl, "https://user:pw@0x7F.1:/", {}},
        {Entry::ReturnUrl, "https://[1:2:3:4:5:6:7::]/?q=\xF0\x9F\x98\x80", {}},
        {Entry::ReturnUrl, "https://ex%61mple.xn--r8jz45g.jp.\\page", {}},
        {Entry::ReturnUrl, "https://example.com:abc/",
         "Success URL: write the port \":abc\" as a number up to 65535, like \":8080\", or leave it out"},
        {Entry::ReturnUrl, "https://example.com:65536/",
         "Success URL: write the port \":65536\" as a number up to 65535, like \":8080\", or leave it out"},
        {Entry::CancelUrl, "http://s/no",
         "Cancelled URL: \"s\" is not the name of a web site; write its whole name, like www.example.com, or its IP address"},
        {Entry::CancelUrl, "https://shop.example/\r\n", "Cancelled URL: remove the line break at the end"},
        {Entry::CancelUrl, "HTTP://http://www.example.com",
         "Cancelled URL: the address starts twice; delete the first \"HTTP://\""},
        {Entry::OwnImageUrl, "https://shop.example/buy.png", {}},
        {Entry::OwnImageUrl, "http://", quorvane::OwnImageUrlMessage},
        {Entry::OwnImageUrl, "http://https://example.com/btn.png",
         "Your own image: the address starts twice; delete the first \"http://\""},
        {Entry::ItemName, longName, {}},
        {Entry::ItemName, longName + "n", quorvane::ItemNameMessage},
        {Entry::ItemName, std::string(125, 'n') + "\xE6\x97\xF0\x9F\x98", {}}, // 127 characters as encoded
        {Entry::ItemName, std::string(126, 'n') + "\xC0\xAF", quorvane::ItemNameMessage},
        {Entry::ItemName, "\u2066Widget\u2069 \u200B", {}},
        {Entry::ItemName, "Widget\n", "Item Name / Service: remove the line break at the end"},
        {Entry::ItemName, "Wid\tget", "Item Name / Service: remove the tab after \"Wid\""},
        {Entry::ItemNumber, std::string(127, '7'), {}},
        {Entry::ItemNumber, std::string(128, '7'), quorvane::ItemNumberMessage},
        {Entry::ItemNumber, "W1\r\n", "Item ID / Number: remove the line break at the end"},
        {Entry::ItemNumber, "\x7FW1", "Item ID / Number: remove the control character U+007F at the start"},
        {Entry::NoteTitle, "Gift\u2028note", "Note Title: remove the line break after \"Gift\""},
        {Entry::NoteTitle, "Gift\xC2\x85", "Note Title: remove the line break at the end"},
    };
    for (const auto& c : cases) {
        ButtonRequest r = completeRequest();
        r.UseOwnImage = c.entry == Entry::OwnImageUrl;
        r.UsePresetImage = !r.UseOwnImage;
        textOf(r, c.entry) = c.value;
        const std::vector<Problem> expected =
            c.message.empty() ? std::vector<Problem>() : std::vector<Problem>{{c.entry, c.message}};
        EXPECT_EQ(problemsOf(r), expected) << "value \"" << c.value << '"';
    }
    // Hosts no browser takes, or that cannot exist, named in the message.
    const char* const hosts[][2] = {{"http://[::1", "[::1"},
                                    {"https://[gg::1]/", "[gg::1]"},
                                    {"https://[1:2:3:4:5:6:7:8::]/", "[1:2:3:4:5:6:7:8::]"},
                                    {"https://999.999.999.999/", "999.999.999.999"},
                                    {"https://exa<mple.com/", "exa<mple.com"},
                                    {"https://exa^mple.com/", "exa^mple.com"},
                                    {"https://exa|mple.com/", "exa|mple.com"},
                                    {"http://www", "www"}};
    const std::string notASite =
        "\" is not the name of a web site; write its whole name, like www.example.com, or its IP address";
    for (const auto& [address, host] : hosts) {
        EXPECT_EQ(quorvane::checkEntry(Entry::ReturnUrl, address),
                  Problem(Entry::ReturnUrl, "Success URL: \"" + std::string(host) + notASite));
    }
    // The invisible characters a list of them once let through.
    const char* const invisibles[][2] = {{"\u2066", "2066"},     {"\u2067", "2067"}, {"\u2069", "2069"},
                                         {"\u061C", "061C"},     {"\u180E", "180E"}, {"\u034F", "034F"},
                                         {"\u115F", "115F"},     {"\u3164", "3164"}, {"\uFFA0", "FFA0"},
                                         {"\u2800", "2800"},     {"\uFE0F", "FE0F"}, {"\U000E0001", "E0001"},
                                         {"\U0001D173", "1D173"}};
    for (const auto& [invisible, hex] : invisibles) {
        EXPECT_EQ(quorvane::checkEntry(Entry::Account, "seller@exam" + std::string(invisible) + "ple.com"),
                  Problem(Entry::Account, "Your Paypal Account: remove the invisible character U+" +
                                              std::string(hex) + " after \"seller@exam\""));
    }
}

TEST(GenerateButtonCode, CurrencyCodeFollowsTheAmountAlone)
{
    const std::string amountLine =
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#97;&#109;&#111;"
        "&#117;&#110;&#116;\" value=\"&#49;&#50;&#46;&#53;&#48;\">\r";
    const std::string currencyLine =
        "<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" name=\"&#99;&#117;"
        "&#114;&#114;&#101;&#110;&#99;&#121;&#95;&#99;&#111;&#100;&#101;\" value=\"";
    ButtonRequest r = completeRequest();
    for (const char* price : {"12.50 eur", "Eur 12.50"}) {
        r.Amount = price;
        const std::string code = codeOf(r);
        EXPECT_NE(code.find(amountLine + currencyLine + "&#69;&#85;&#82;\">\r<input"), std::string::npos)
            << price;
        EXPECT_EQ(std::count(code.begin(), code.end(), '\r'), 15);
    }
    r.Amount = "12.50";
    const std::string plain = codeOf(r);
    EXPECT_NE(plain.find(amountLine), std::string::npos);
    EXPECT_EQ(plain.find("&#99;&#117;&#114;&#114;&#101;&#110;&#99;&#121;"), std::string::npos);
}

TEST(GenerateButtonCode, NonAsciiValuesAreSubmittedAsUtf8)
{
    const std::string utf8Head =
        "\" method=\"&#112;&#111;&#115;&#116;\" accept-charset=\"&#85;&#84;&#70;&#45;&#56;\">\r";
    const std::string cmdThenCharset =
        "&#95;&#120;&#99;&#108;&#105;&#99;&#107;\">\r<input type=\"&#104;&#105;&#100;&#100;&#101;&#110;\" "
        "name=\"&#99;&#104;&#97;&#114;&#115;&#101;&#116;\" value=\"&#85;&#84;&#70;&#45;&#56;\">\r<input";
    std::string ButtonRequest::*const submitted[] = {&ButtonRequest::Account,    &ButtonRequest::ItemName,
                                                     &ButtonRequest::ItemNumber, &ButtonRequest::ReturnUrl,
                                                     &ButtonRequest::CancelUrl,  &ButtonRequest::NoteTitle};
    for (auto field : submitted) {
        ButtonRequest r = completeRequest();
        r.*field += "\xC3\xA9"; // é
        const std::string code = codeOf(r);
        EXPECT_NE(code.find(utf8Head), std::string::npos);
        EXPECT_NE(code.find(cmdThenCharset), std::string::npos);
        EXPECT_EQ(std::count(code.begin(), code.end(), '\r'), 15);
    }
    // The picture's address is not submitted.
    ButtonRequest r = completeRequest();
    r.UsePresetImage = false;
    r.UseOwnImage = true;
    r.OwnImageUrl = "https://shop.example/\xC3\xA9.png";
    const std::string code = codeOf(r);
    EXPECT_NE(code.find("\" method=\"&#112;&#111;&#115;&#116;\">\r"), std::string::npos);
    EXPECT_EQ(code.find("&#99;&#104;&#97;&#114;&#115;&#101;&#116;"), std::string::npos);
}

TEST(GenerateButtonCode, OwnImageUrlIsRequiredOnlyWhenOwnImageIsChosen)
{
    ButtonRequest r = completeRequest();
    r.UsePresetImage = false;
    r.UseOwnImage = true;
    r.OwnImageUrl = "";
    EXPECT_TRUE(isIncomplete(r));

    r.OwnImageUrl = "https://s.io/own.png";
    EXPECT_NE(
        codeOf(r).find(
            "src=\"&#104;&#116;&#116;&#112;&#115;&#58;&#47;&#47;&#115;&#46;&#105;&#111;&#47;&#111;&#119;&#110;"
            "&#46;&#112;&#110;&#103;\""),
        std::string::npos);

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
    r.UsePresetImage = false; // the own picture's address, used unchecked
    r.OwnImageUrl = "a\r\nb";
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
