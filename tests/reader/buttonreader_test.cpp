#include "buttoncode.h"
#include "buttonreader.h"
#include "cutoff.h"

#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

using namespace std::string_literals;
using quorvane::ButtonRequest;
using quorvane::CheckBoxState;
using quorvane::ReadButton;
using quorvane::ReadButtonCode;

const std::string PayPal = "https://www.paypal.com/cgi-bin/webscr";
const std::string Picture5 = "https://www.paypal.com/images/x-click-but5.gif";

// A Buy Now form with the given fields and preset picture 5.
std::string buyNow(const std::string& fields)
{
    return "<form action=\"" + PayPal +
           "\" method=\"post\"><input type=\"hidden\" name=\"cmd\" value=\"_xclick\">" + fields +
           "<input type=\"image\" src=\"" + Picture5 + "\" name=\"submit\"></form>";
}

std::string repeated(const std::string& piece, std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes) {
        text += piece;
    }
    return text;
}

// What an empty Buy Now form with picture 5 reads as; each row changes what differs.
ButtonRequest emptyBuyNow()
{
    ButtonRequest r;
    r.OwnImageUrl = "http://";
    r.CollectShipping = r.AllowNote = CheckBoxState::Ticked;
    r.UsePresetImage = true;
    r.ChosenImage = 5;
    return r;
}

struct Paste
{
    const char* what;
    std::string html;
    std::function<void(ButtonRequest&)> entries;
    std::vector<std::string> notCarried;
};

std::vector<Paste> pastes()
{
    return {
        {"quoting, letter case, the address as a browser reads it",
         "<FORM METHOD=post ACTION=' HTTPS://Secure.PayPal.COM:443/x/../cgi-\nbin\\webscr '><INPUT TYPE=HIDDEN NAME=cmd "
         "VALUE=_xclick><Input Type='Hidden' name=business value=shop@example.com><input type=image src=" +
             Picture5 + "></form>",
         [](ButtonRequest& r) { r.Account = "shop@example.com"; },
         {}},
        {"entities",
         buyNow(
             "<input type=hidden name=item_name value=\"Caf&eacute; &amp &#128;&#x80;&#X20AC; &#0;&notit;\">"),
         [](ButtonRequest& r) { r.ItemName = "Café & €€€ \uFFFD&notit;"; },
         {}},
        {"line endings: CR LF and CR read as LF, text inputs lose them",
         buyNow(
             "<input\r\ntype=hidden\rname=cn value=\"a\r\nb\rc&#13;\"><input name=item_name value=\"x\r\ny\">"),
         [](ButtonRequest& r) {
             r.NoteTitle = "a\nb\nc\r";
             r.ItemName = "xy";
         },
         {}},
        {"every field, extra ones listed in order",
         buyNow(
             "<input type=hidden name=business value=' s@e.com '><input type=hidden name=item_number value=B-4>"
             "<input type=hidden name=tax value=1><input type=hidden name=amount value=24.50><input type=hidden "
             "name=return value=https://s/ok><input type=hidden name=cancel_return value=https://s/no><input "
             "type=hidden name=on0 value=Size><input type=hidden name=charset value=utf-8><input type=hidden "
             "name=no_shipping value=1><input type=hidden name=no_note value=1><input type=hidden "
             "name=undefined_quantity value=1><input type=hidden name=lc value=DE>"),
         [](ButtonRequest& r) {
             r.Account = " s@e.com ";
             r.ItemNumber = "B-4";
             r.Amount = "24.50";
             r.ReturnUrl = "https://s/ok";
             r.CancelUrl = "https://s/no";
             r.CollectShipping = r.AllowNote = CheckBoxState::Unticked;
             r.AllowQuantity = CheckBoxState::Ticked;
         },
         {"tax", "on0", "lc"}},
        {"currency from a select, its option's text",
         buyNow("<input type=hidden name=amount value=5><select name=currency_code><option>USD<option "
                "selected> \n EUR </option></select>"),
         [](ButtonRequest& r) { r.Amount = "5 EUR"; },
         {}},
        {"the first option when none is selected",
         buyNow(
             "<input type=hidden name=amount value=5><select name=currency_code><option disabled>X<optgroup "
             "><option value=CHF>Swiss</optgroup></select>"),
         [](ButtonRequest& r) { r.Amount = "5 CHF"; },
         {}},
        {"check boxes and radio buttons",
         buyNow(
             "<input type=checkbox name=undefined_quantity value=1 checked><input type=checkbox name=no_note "
             "value=1><input type=radio name=no_shipping value=0 checked><input type=radio name=no_shipping "
             "value=1 checked><input type=checkbox name=custom checked>"),
         [](ButtonRequest& r) {
             r.AllowQuantity = CheckBoxState::Ticked;
             r.CollectShipping = CheckBoxState::Unticked;
         },
         {"custom"}},
        {"a repeated name: the first counts",
         buyNow(
             "<input type=hidden name=business value=a@b.c><input type=hidden name=business value=x@y.z><input "
             "type=hidden name=cmd value=_cart>"),
         [](ButtonRequest& r) { r.Account = "a@b.c"; },
         {"business", "cmd"}},
        {"no amount: the buyer types one",
         buyNow("<input type=hidden name=currency_code value=EUR><input type=hidden name=no_shipping value=2>"
                "<input type=hidden name=no_note value=0>"),
         [](ButtonRequest&) {},
         {"currency_code", "no_shipping"}},
        {"old regional action, own picture, controls that submit nothing",
         "<form action='http://www.paypal.com/de/cgi-bin/webscr'><input type=hidden name=cmd value=_xclick><input "
         "type=hidden name=tax disabled><fieldset disabled><input type=hidden name=shipping><legend><input "
         "type=hidden name=invoice></legend></fieldset><fieldset disabled><legend></legend><legend><input "
         "type=hidden name=weight></legend></fieldset><input type=hidden value=nameless><input "
         "type=submit name=go><button name=b>x</button><input "
         "type=image src=' https://x.example/b.png'></form>",
         [](ButtonRequest& r) {
             r.UsePresetImage = false;
             r.UseOwnImage = true;
             r.ChosenImage = 1;
             r.OwnImageUrl = " https://x.example/b.png";
         },
         {"invoice"}},
        {"a form opened in a table row and fields tied to it by id",
         "<table><tr><form id=pp action=" + PayPal +
             "><td><input type=hidden name=cmd value=_xclick></td>"
             "</form><td><input type=hidden name=tax></td></tr></table><input form=pp type=hidden name=item_name "
             "value=Pen><input form=none type=hidden name=item_number value=1>",
         [](ButtonRequest& r) {
             r.ItemName = "Pen";
             r.ChosenImage = 1;
         },
         {"image"}},
        {"binary bytes and invalid UTF-8",
         std::string("\0\xff\xfe<p>\xc3(", 8) + buyNow("<input type=hidden "
                                                       "name=item_name value=\"a\xe2\x82 b\">"),
         [](ButtonRequest& r) { r.ItemName = "a\uFFFD b"; },
         {}},
        {"after thousands of other forms",
         repeated("<form action=/find><input name=q></form>", 200000) + buyNow(""),
         [](ButtonRequest&) {},
         {}},
        {"a deep tree", repeated("<table><tr><td>", 300000) + buyNow(""), [](ButtonRequest&) {}, {}},
        {"text directions for many controls deep down, each found once",
         repeated("<span>", 100000) + "<div dir=RTL><div dir=x>" +
             buyNow("<input name=item_name dir=auto dirname=item_number><input name=cn dirname=return>" +
                    repeated("<input name=a dirname=b>", 50000 * 24)),
         [](ButtonRequest& r) {
             r.ItemNumber = "ltr";
             r.ReturnUrl = "rtl";
         },
         {"a", "b"}},
        {"controls and noncharacters kept as browsers keep them; impossible ones replaced",
         buyNow(
             "<input type=hidden name=item_name value='a\x01"
             "b\x0B\x1F\x7F\xC2\x85\xEF\xB7\x90&#0;\xEF\xBF\xBD"
             "\xEF\xBF\xBF\xF0\x9F\xBF\xBE&#1;'><textarea name=cn>\x02\0x</textarea><select name=currency_code>"
             "<option>\x03"
             "EUR\0</select><input type=hidden name=amount value=1>"s),
         [](ButtonRequest& r) {
             r.ItemName = "a\x01"
                          "b\x0B\x1F\x7F\u0085\uFDD0\uFFFD\uFFFD\uFFFF\U0001FFFE\x01";
             r.NoteTitle = "\x02\uFFFDx";
             r.Amount = "1 \x03"
                        "EUR";
         },
         {}},
        {"cmd from the pressed button, the picture's before the first submit button",
         "<form action=//www.paypal.com/cgi-bin/webscr><button type=reset name=cmd value=_cart></button><input "
         "type=submit name=cmd value=_donations><input type=image name=cmd value=_xclick src=" +
             Picture5 + "></form>",
         [](ButtonRequest&) {},
         {}},
        {"cmd from a button element, other names from the action's query when it posts",
         "<form method=POST action='\\\\www.paypal.com/cgi-bin/webscr?business=a%40b.c&item_name=Red+pen#x'><button "
         "name=cmd value=_xclick>Buy</button><button name=tax value=1>Other</button></form>",
         [](ButtonRequest& r) {
             r.Account = "a@b.c";
             r.ItemName = "Red pen";
             r.ChosenImage = 1;
         },
         {"image"}},
    };
}

// Actions that every browser posts to PayPal, though written oddly.
const char* const PayPalActions[] = {
    "//www.paypal.com/cgi-bin/webscr",
    "///www.paypal.com/cgi-bin/webscr",
    "/\\www.paypal.com/cgi-bin\\webscr",
    "http:www.paypal.com/cgi-bin/webscr",
    "\x01 //www.paypal.com/cgi-bin/webscr\x1F",
    "//www.pay&shy;pal.com/cgi-bin/webscr",
    "//www.pay​pal.com/cgi-bin/webscr",
    "//ｗｗｗ．PayPal。com/cgi-bin/webscr",
    "https://WWW.%70aypal.com.:443/cgi-bin/webscr",
};

// A PayPal form of another kind of button.
std::string button(const std::string& command)
{
    return "<form action=" + PayPal + "><input type=hidden name=cmd value=" + command + "></form>";
}

// Texts that hold no Buy Now button, and what the seller is told.
std::vector<std::pair<std::string, std::string>> refusals()
{
    const std::string none = "No PayPal button was found in this text.";
    const std::string onlyBuyNow = " Quorvane reads Buy Now buttons only.";
    const std::string tooComplex =
        "This text is too large or too deeply nested to be read as a web page. Paste the code of the button alone.";
    return {
        // Forms in comments or nested do not count, nor look-alike or relative addresses.
        {"<!-- " + buyNow("") + " --><form action=https://shop.example/>" + button("_xclick"), none},
        {"<form action='https://www.paypal.com.evil.example/cgi-bin/webscr'></form><form "
         "action='https://paypal.example/cgi-bin/webscr'></form><form action=/cgi-bin/webscr></form>",
         none},
        // Look-alikes, and addresses a page over https keeps on its own host.
        {"<form action='//www.pаypal.com/cgi-bin/webscr'></form><form "
         "action='//www.paypal.com%2F@evil.example/cgi-bin/webscr'></form><form action='//www.paypal.com／"
         "evil.example/cgi-bin/webscr'></form><form action=https:www.paypal.com/cgi-bin/webscr></form><form "
         "action=https:/www.paypal.com/cgi-bin/webscr></form><form action=www.paypal.com/cgi-bin/webscr></form>",
         none},
        {"<form action=https://www.paypal.com/cgi-bin/webscr?cmd=_xclick></form>",
         "This PayPal form is not a Buy Now button." + onlyBuyNow},
        {button("_s-xclick"), "This button is kept at PayPal (a hosted or encrypted button): its details are "
                              "not in the code, so Quorvane cannot read them."},
        {button("_donations") + buyNow(""), "This is a PayPal Donate button." + onlyBuyNow},
        {button("_cart"), "This is a PayPal Shopping Cart button." + onlyBuyNow},
        {button("_xclick-subscriptions"), "This is a PayPal Subscribe button." + onlyBuyNow},
        {"<form action=" + PayPal + "><input type=hidden name=CMD value=_xclick></form>",
         "This PayPal form is not a Buy Now button." + onlyBuyNow},
        {repeated("<div>", 1 << 20) + buyNow(""), tooComplex},
        {repeated("<b>", 1 << 20) + buyNow(""), tooComplex},
    };
}

} // namespace

TEST(ButtonReader, ReadsPastedButtonsAsABrowserSubmitsThem)
{
    for (const Paste& paste : pastes()) {
        SCOPED_TRACE(paste.what);
        const auto result = ReadButtonCode(paste.html);
        ReadButton expected{emptyBuyNow(), paste.notCarried};
        paste.entries(expected.request);
        ASSERT_TRUE(std::holds_alternative<ReadButton>(result)) << std::get<1>(result).message;
        EXPECT_EQ(std::get<ReadButton>(result), expected);
    }
    for (const auto& [html, refusal] : refusals()) {
        const auto result = ReadButtonCode(html);
        ASSERT_TRUE(std::holds_alternative<quorvane::NotABuyNowButton>(result)) << html.substr(0, 80);
        EXPECT_EQ(std::get<quorvane::NotABuyNowButton>(result).message, refusal);
    }
    for (const char* action : PayPalActions) {
        const std::string html = "<form method=post action='" + std::string(action) +
                                 "'><input type=hidden "
                                 "name=cmd value=_xclick></form>";
        EXPECT_TRUE(std::holds_alternative<ReadButton>(ReadButtonCode(html))) << action;
    }
}

// Not cancelled, the read takes its whole limit of over a second of the process's
// processor time, which only the reading thread uses meanwhile.
TEST(ButtonReader, StopsWhenCancelledFromAnotherThread)
{
    const std::string html = repeated("<b>", 1 << 20) + buyNow("");
    for (const int cancelAfter : {-1, 50, 0}) {
        quorvane::Cancellation cancellation;
        const std::clock_t start = std::clock();
        std::thread reading(
            [&] { EXPECT_FALSE(std::holds_alternative<ReadButton>(ReadButtonCode(html, &cancellation))); });
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(cancelAfter, 0)));
        if (cancelAfter >= 0) {
            cancellation.cancel();
        }
        reading.join();
        EXPECT_EQ(std::clock() - start < CLOCKS_PER_SEC / 4, cancelAfter >= 0) << cancelAfter;
    }
}

TEST(ButtonReader, ListsWhatWasNotCarriedInOneSentence)
{
    EXPECT_EQ(quorvane::notCarriedMessageText({"tax", "shipping"}),
              "These fields of the button were not carried into the form: tax, shipping.");
    EXPECT_EQ(quorvane::notCarriedMessageText({"image"}),
              "This field of the button was not carried into the form: image.");
    std::vector<std::string> many;
    for (int i = 0; i < 200000; ++i) {
        many.push_back("f" + std::to_string(i));
    }
    EXPECT_EQ(
        quorvane::notCarriedMessageText(many),
        "These fields of the button were not carried into the form: f0, f1, f2, f3, f4, f5, f6, f7, f8, f9 "
        "… and 199,990 more.");
}

namespace {

// Random requests of every kind the main window can make; what PayPal would refuse
// is left to the generator, which says so.
class RequestSource
{
public:
    explicit RequestSource(unsigned seed) : m_random(seed) {}

    ButtonRequest next()
    {
        ButtonRequest r;
        r.Account = text(1, 12, Ascii) + "@" + text(1, 8, Ascii) + ".com";
        r.ItemName = text(1, 40, Any);
        r.ItemNumber = text(1, 20, Any);
        r.Amount = std::to_string(pick(1, 99999)) + (pick(0, 1) ? "." + std::to_string(pick(10, 99)) : "");
        constexpr const char* Currencies[] = {"", "EUR", "usd", "Gbp", "CHF", "JPY"};
        const std::string currency = Currencies[pick(0, 5)];
        if (currency == "JPY") {
            r.Amount = std::to_string(pick(1, 99999));
        }
        if (!currency.empty()) {
            r.Amount = pick(0, 1) ? r.Amount + " " + currency : currency + " " + r.Amount;
        }
        r.ReturnUrl = "https://shop.example/" + text(0, 30, Ascii);
        r.CancelUrl = "http://shop.example/" + text(0, 30, Visible);
        r.NoteTitle = text(0, 30, Any);
        r.UseOwnImage = pick(0, 2) == 0;
        r.UsePresetImage = !r.UseOwnImage;
        r.OwnImageUrl = r.UseOwnImage ? "https://img.example/" + text(0, 20, Ascii) : text(0, 8, Any);
        r.ChosenImage = pick(1, 8);
        const CheckBoxState states[] = {CheckBoxState::Unticked, CheckBoxState::Ticked,
                                        CheckBoxState::Greyed};
        r.CollectShipping = states[pick(0, 2)];
        r.AllowQuantity = states[pick(0, 2)];
        r.AllowNote = states[pick(0, 2)];
        return r;
    }

private:
    enum Range
    {
        Ascii,
        Visible, // in an address: no spaces or controls
        Any
    };

    std::string text(int min, int max, Range range)
    {
        std::string out;
        for (int n = pick(min, max); n > 0; --n) {
            std::string c = range == Ascii ? std::string(1, static_cast<char>(pick('a', 'z'))) : character();
            while (range == Visible && (c == " " || c == "\u00A0" || c == "\u00AD")) {
                c = character();
            }
            out += c;
        }
        return out;
    }

    // ASCII, the rest of windows-1252, and beyond, as UTF-8; no controls, which
    // one-line entries refuse.
    std::string character()
    {
        constexpr const char* Picks[] = {"€", "‚", "Ÿ", "™", "Œ", "Ж", "日", "😀"};
        const int latin1 = pick(0xA0, 0xFF);
        switch (pick(0, 2)) {
        case 0:
            return std::string(1, static_cast<char>(pick(0x20, 0x7E)));
        case 1:
            return {static_cast<char>(0xC0 | latin1 >> 6), static_cast<char>(0x80 | (latin1 & 0x3F))};
        default:
            return Picks[pick(0, std::size(Picks) - 1)];
        }
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    std::mt19937 m_random;
};

} // namespace

TEST(ButtonReader, ReadingWhatTheToolWroteAndGeneratingAgainWritesTheSameBytes)
{
    RequestSource source(20261209);
    int written = 0;
    constexpr int Draws = 1000;
    for (int draw = 0; draw < Draws; ++draw) {
        const ButtonRequest drawn = source.next();
        const auto first = quorvane::GenerateButtonCode(drawn);
        const auto* code = std::get_if<quorvane::ButtonCode>(&first);
        if (code == nullptr) {
            continue; // PayPal would refuse it: the tool writes nothing to read
        }
        ++written;
        const auto read = ReadButtonCode(code->text);
        ASSERT_TRUE(std::holds_alternative<ReadButton>(read)) << code->text;
        const ReadButton& button = std::get<ReadButton>(read);
        EXPECT_EQ(button.notCarried, std::vector<std::string>()) << code->text;
        const auto again = quorvane::GenerateButtonCode(button.request);
        ASSERT_TRUE(std::holds_alternative<quorvane::ButtonCode>(again)) << code->text;
        ASSERT_EQ(std::get<quorvane::ButtonCode>(again).text, code->text) << "draw " << draw;
    }
    EXPECT_GT(written, Draws * 3 / 4);
}
