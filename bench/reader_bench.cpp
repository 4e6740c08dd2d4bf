// Reading a pasted text back into the entries: the button alone, whole shop pages
// of 1 MB and 10 MB with the button near the end, and the worst case of the form
// walk, 50,000 dirname controls under 100,000 nested elements; gumbo's parse of
// the same text alone is the yardstick.
#include "buttonreader.h"
#include "htmldocument.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr std::string_view Button =
    "<form action=\"https://www.paypal.com/cgi-bin/webscr\" method=\"post\">\n"
    "<input type=\"hidden\" name=\"cmd\" value=\"_xclick\">\n"
    "<input type=\"hidden\" name=\"business\" value=\"shop@example.com\">\n"
    "<input type=\"hidden\" name=\"item_name\" value=\"Oak board\">\n"
    "<input type=\"hidden\" name=\"item_number\" value=\"B-40\">\n"
    "<input type=\"hidden\" name=\"amount\" value=\"24.50\">\n"
    "<input type=\"hidden\" name=\"currency_code\" value=\"EUR\">\n"
    "<input type=\"image\" src=\"https://www.paypal.com/images/x-click-but23.gif\" border=\"0\" name=\"submit\" "
    "alt=\"Buy now\">\n"
    "</form>\n";

// A shop's page of about `bytes` bytes: head, style, script, navigation, then
// product after product (heading, picture, text with entities, a table, a list),
// the button and the footer.
std::string shopPage(std::size_t bytes)
{
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Oak &amp; Ash "
        "Workshop</title>\n<link rel=\"stylesheet\" href=\"/css/site.css\">\n<style>\nbody { font-family: "
        "sans-serif; margin: 0 }\n.product { border: 1px solid #ccc; padding: 1em }\n</style>\n<script>\n"
        "window.dataLayer = window.dataLayer || []; function gtag(){dataLayer.push(arguments);}\n</script>\n"
        "</head>\n<body>\n<header class=\"site-header\"><nav><ul><li><a href=\"/\">Home</a></li><li><a "
        "href=\"/shop\">Shop</a></li><li><a href=\"/about\">About us</a></li></ul></nav></header>\n<main>\n";
    const std::string footer =
        "</main>\n<footer><p>&copy; 2009 Oak &amp; Ash Workshop &middot; <a "
        "href=\"/contact\">Contact</a></p></footer>\n<script src=\"/js/app.js\"></script>\n"
        "</body>\n</html>\n";
    for (int n = 1; page.size() + Button.size() + footer.size() + 1000 < bytes; ++n) {
        const std::string id = std::to_string(n);
        page +=
            "<article class=\"product\" id=\"p" + id + "\">\n<h2><a href=\"/shop/board-" + id +
            "\">Handmade oak board No. " + id + "</a></h2>\n<img src=\"/img/board-" + id +
            ".jpg\" alt=\"Oak board\" width=\"200\" height=\"150\">\n<p>Cut from one piece of <strong>English "
            "oak</strong>, oiled by hand &amp; finished with beeswax. Caf&eacute; tables, kitchens and "
            "<em>gifts</em>.</p>\n<table class=\"specs\"><tr><td>Size</td><td>40 &times; 25 cm</td></tr><tr>"
            "<td>Weight</td><td>1.2 kg</td></tr></table>\n<ul class=\"tags\"><li>oak</li><li>kitchen</li>"
            "<li>handmade</li></ul>\n</article>\n";
    }
    return page + std::string(Button) + footer;
}

void read(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        auto result = quorvane::ReadButtonCode(text);
        if (!std::holds_alternative<quorvane::ReadButton>(result)) {
            state.SkipWithError("the button was not read");
        }
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ReadButtonAlone(benchmark::State& state)
{
    read(state, std::string(Button));
}

void BM_ReadShopPage(benchmark::State& state)
{
    read(state, shopPage(static_cast<std::size_t>(state.range(0))));
}

// Each control's direction was once looked for through all its ancestors.
std::string deepDirnames()
{
    std::string page;
    for (int i = 0; i < 100000; ++i) {
        page += "<span>";
    }
    page += "<form action=\"https://www.paypal.com/cgi-bin/webscr\" method=\"post\"><input type=\"hidden\" "
            "name=\"cmd\" value=\"_xclick\">";
    for (int i = 0; i < 50000; ++i) {
        page += "<input name=a dirname=b>";
    }
    return page + "</form>";
}

void BM_ReadDeepDirnames(benchmark::State& state)
{
    read(state, deepDirnames());
}

void parse(benchmark::State& state, const std::string& page)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorvane::HtmlDocument::parse(page));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_ParseShopPage(benchmark::State& state)
{
    parse(state, shopPage(static_cast<std::size_t>(state.range(0))));
}

void BM_ParseDeepDirnames(benchmark::State& state)
{
    parse(state, deepDirnames());
}

} // namespace

BENCHMARK(BM_ReadButtonAlone);
BENCHMARK(BM_ParseShopPage)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadShopPage)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadShopPage)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParseDeepDirnames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDeepDirnames)->Unit(benchmark::kMillisecond);
