// Importing a site's navigation: a large page and a large sitemap, read from files as the
// designer reads them, and the chosen tree put into a design.

#include "core/model/TreeCommands.h"
#include "core/site/NavigationFinder.h"
#include "core/site/SiteImport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string WriteTemporary(const char* name, const std::string& bytes)
{
    const fs::path path = fs::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// A page of about 5 MB with 5,000 links, as a large documentation or news site has: a main
// navigation of 400 links in three levels, a sidebar of 1,600, a footer of 100, and 2,900 links
// in the text of articles, among paragraphs, tables and scripts.
std::string LargePage()
{
    std::mt19937 random(7);
    const char* words[] = {"menu",   "design", "colour", "layout", "border", "item", "link",
                           "script", "page",   "site",   "tree",   "width",  "font", "bar"};
    const auto sentence = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            s += words[random() % 14];
            s += ' ';
        }
        return s;
    };
    std::string page = "<!DOCTYPE html><html lang=en><head><meta charset=utf-8><title>Big</title>"
                       "<link rel=stylesheet href=s.css><script>var x = '<nav>';</script></head>"
                       "<body><header><nav class=\"navbar\" aria-label=\"Main\"><ul>";
    int links = 0;
    for (int s = 0; s < 8; ++s) {
        page += "<li class=\"nav-item dropdown\"><a class=\"nav-link\" href=\"/s" +
                std::to_string(s) + "/\">Section " + std::to_string(s) + "</a><ul>";
        ++links;
        for (int g = 0; g < 7; ++g) {
            page += "<li><a href=\"/s" + std::to_string(s) + "/g" + std::to_string(g) +
                    "/\">Group " + std::to_string(g) + "</a><ul>";
            ++links;
            for (int p = 0; p < 6; ++p, ++links)
                page += "<li class=\"menu-item\"><a href=\"/s" + std::to_string(s) + "/g" +
                        std::to_string(g) + "/p" + std::to_string(p) + ".html\">" + sentence(3) +
                        "</a></li>\n";
            page += "</ul></li>";
        }
        page += "</ul></li>";
    }
    page += "</ul></nav></header><div class=wrap><aside><nav class=sidebar aria-label=Docs><ul>";
    for (int i = 0; links < 2000; ++i, ++links)
        page += "<li class=\"toctree-l1\"><a class=\"reference internal\" href=\"/docs/" +
                std::to_string(i) + ".html\">" + sentence(4) + "</a></li>\n";
    page += "</ul></nav></aside><main>";
    const std::size_t bodyStart = page.size();
    while (links < 4900) {
        page += "<article><h2>" + sentence(6) + "</h2>";
        for (int p = 0; p < 3; ++p) {
            page += "<p>" + sentence(60) + "<a href=\"/a/" + std::to_string(links) + "\">" +
                    sentence(3) + "</a> " + sentence(60) + "</p>\n";
            ++links;
        }
        page += "<table><tr><td>" + sentence(5) + "</td><td>" + sentence(5) +
                "</td></tr></table>"
                "<script>document.write('<ul><li>' + 1 + '</li></ul>');</script></article>\n";
    }
    // Text up to 5 MB.
    std::string filler;
    while (page.size() + filler.size() < 5'000'000 - 4000)
        filler += "<p>" + sentence(120) + "</p>\n";
    page.insert(bodyStart, filler);
    page += "</main></div><footer><nav aria-label=Footer><ul>";
    for (; links < 5000; ++links)
        page += "<li><a href=\"/f" + std::to_string(links) + "\">Footer</a></li>";
    page += "</ul></nav></footer></body></html>";
    return page;
}

// A sitemap of 50,000 addresses in sections and years, as a large site's is.
std::string LargeSitemap()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (int i = 0; i < 50000; ++i) {
        xml += "<url><loc>https://www.example.org/section-" + std::to_string(i % 20) + "/" +
               std::to_string(2000 + i % 25) + "/article_" + std::to_string(i) +
               ".html</loc><lastmod>2024-01-01</lastmod><changefreq>monthly</changefreq></url>\n";
    }
    xml += "</urlset>\n";
    return xml;
}

void BM_ImportLargePage(benchmark::State& state)
{
    const std::string path = WriteTemporary("quorvane-bench-page.html", LargePage());
    std::size_t links = 0;
    for (auto _ : state) {
        const qv::ImportOffer offer = qv::ReadImportSource(path);
        links = offer.candidates[offer.preselected].linkCount;
        benchmark::DoNotOptimize(links);
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
    state.counters["links"] = static_cast<double>(links);
    fs::remove(path);
}
BENCHMARK(BM_ImportLargePage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same page parsed whole, without cutting it down first: what the parser alone costs.
void BM_ParseLargePageWhole(benchmark::State& state)
{
    const std::string page = LargePage();
    qv::PageReadOptions whole;
    whole.cutAbove = page.size();
    for (auto _ : state) {
        const qv::PageNavigation navigation = qv::ReadPageNavigation(page, {}, {}, whole);
        benchmark::DoNotOptimize(navigation.candidates.size());
    }
}
BENCHMARK(BM_ParseLargePageWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportLargeSitemap(benchmark::State& state)
{
    const std::string path = WriteTemporary("quorvane-bench-sitemap.xml", LargeSitemap());
    std::size_t items = 0;
    for (auto _ : state) {
        const qv::ImportOffer offer = qv::ReadImportSource(path);
        items = offer.candidates[0].items.size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["items"] = static_cast<double>(items);
    fs::remove(path);
}
BENCHMARK(BM_ImportLargeSitemap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The 50,000 addresses' tree put into a design as one step, and taken back.
void BM_ImportedTreeIntoDesign(benchmark::State& state)
{
    const std::string path = WriteTemporary("quorvane-bench-sitemap.xml", LargeSitemap());
    const qv::ImportOffer offer = qv::ReadImportSource(path);
    fs::remove(path);
    for (auto _ : state) {
        qv::MenuTree tree;
        qv::EditHistory history;
        std::int32_t counter = 0;
        auto items = qv::MakeImportedItems(offer.candidates[0].items, counter);
        qv::CheckImportFits(tree, nullptr, items);
        history.Do(tree, qv::MakeAppendMany(nullptr, std::move(items), "Import"));
        history.Undo(tree);
        benchmark::DoNotOptimize(tree.Count());
    }
}
BENCHMARK(BM_ImportedTreeIntoDesign)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
