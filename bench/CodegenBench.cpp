#include "core/codegen/MenuArrays.h"
#include "core/codegen/Template.h"
#include "core/project/MenuFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A realistic design of `items` items: 10 roots, each with sub items and sub sub items (three
// levels), captions and links of everyday length.
void BuildDesign(qv::MenuTree& tree, std::int64_t items)
{
    const std::int64_t perRoot = items / 10;
    std::int64_t b = 1;
    while (1 + (b + 1) + (b + 1) * (b + 1) <= perRoot)
        ++b;
    std::int64_t made = 0;
    const auto rec = [&](std::int64_t n) {
        qv::TMyRec r;
        r.Link = "http://www.example.com/section/page" + std::to_string(n) + ".html";
        return r;
    };
    for (int r = 0; r < 10; ++r) {
        qv::MenuItem* root = tree.AppendRoot("Section " + std::to_string(r), rec(made));
        ++made;
        // Topics of b pages each until the root's share is used up; the last root takes the rest.
        std::int64_t budget = r == 9 ? items - made : perRoot - 1;
        while (budget > 0) {
            qv::MenuItem* topic =
                tree.AppendChild(root, "Topic " + std::to_string(made), rec(made));
            ++made;
            --budget;
            for (std::int64_t k = 0; k < b && budget > 0; ++k, --budget, ++made)
                tree.AppendChild(topic, "Page " + std::to_string(made), rec(made));
        }
    }
}

// A template of about 25 KB, the size of a real one: the 45 tokens among lines of script.
std::string Template()
{
    std::string text = "<!-- paste into the body -->\n<script>\n%menu%\n";
    for (std::string_view token : qv::kTemplateTokens)
        if (token != "%menu%")
            text += "var " + std::string(token.substr(1, token.size() - 2)) + "='" +
                    std::string(token) + "';\n";
    text += "</script>\n<script>\n(function(){\n";
    while (text.size() < 25000)
        text += "  function step(a, b) { return a.length > 0 ? a[0] + b : b; } // 100% sure\n";
    return text + "})();\n</script>\n";
}

std::string TempPath(const char* name)
{
    return (fs::temp_directory_path() /
            (std::string("qv_bench_") + std::to_string(getpid()) + "_" + name))
        .string();
}

void BM_BuildMenuArrays(benchmark::State& state)
{
    qv::MenuTree tree;
    BuildDesign(tree, state.range(0));
    for (auto _ : state) {
        std::string code = qv::BuildMenuArrays(tree);
        benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FillTemplate(benchmark::State& state)
{
    qv::MenuTree tree;
    BuildDesign(tree, state.range(0));
    const std::string text = Template();
    const qv::MenuStyle style;
    for (auto _ : state) {
        std::string code = qv::FillTemplate(text, tree, style, qv::ClassicSystemColor);
        benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The filling of a 10 MB template with a small design: linear in the template's size.
void BM_FillLargeTemplate(benchmark::State& state)
{
    qv::MenuTree tree;
    BuildDesign(tree, 1000);
    std::string text;
    while (text.size() < 10'000'000)
        text += Template();
    for (auto _ : state) {
        std::string code = qv::FillTemplate(text, tree, qv::MenuStyle{}, qv::ClassicSystemColor);
        benchmark::DoNotOptimize(code);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// Saving over the previous save of the same design, as a user saving again does.
void BM_WriteMenuFile(benchmark::State& state)
{
    qv::MenuTree tree;
    BuildDesign(tree, state.range(0));
    const std::string path = TempPath("write.mnu");
    qv::WriteMenuFile(path, tree, qv::MenuStyle{});
    for (auto _ : state)
        qv::WriteMenuFile(path, tree, qv::MenuStyle{});
    state.SetItemsProcessed(state.iterations() * state.range(0));
    fs::remove(path);
}

// Opening a saved design into a fresh tree (its destruction included).
void BM_ReadMenuFile(benchmark::State& state)
{
    const std::string path = TempPath("read.mnu");
    {
        qv::MenuTree tree;
        BuildDesign(tree, state.range(0));
        qv::WriteMenuFile(path, tree, qv::MenuStyle{});
    }
    for (auto _ : state) {
        qv::MenuTree tree;
        qv::MenuStyle style = qv::ReadMenuFile(path, tree);
        benchmark::DoNotOptimize(style);
        if (tree.Count() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("the design did not come back whole");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    fs::remove(path);
}

// A hand-edited file of n roots, then for each root k a sub item "Q" added under it and a sub
// item added under "the last Q in tree order": every entry after the roots appends in the middle
// of the tree and the items named Q must be compared by their place in it. The complexity fit
// over n shows whether that stays linear.
void BM_ReadScatteredFile(benchmark::State& state)
{
    const auto n = static_cast<int>(state.range(0));
    std::string menus = "[Menus]\r\nMenuCount=" + std::to_string(3 * n) + "\r\n";
    std::string data = "[MenuData]\r\n";
    for (int k = 0; k < n; ++k) {
        const std::string root = std::string("P").append(std::to_string(k));
        menus += "Menu_" + std::to_string(k) + "=" + root + "\r\n";
        data += "MenuName_" + std::to_string(k) + "=" + root + "\r\n";
    }
    for (int k = 0; k < n; ++k) {
        menus += "Menu_" + std::to_string(n + 2 * k) + "=P" + std::to_string(k) + "\\Q\r\n";
        menus += "Menu_" + std::to_string(n + 2 * k + 1) + "=Q\\x" + std::to_string(k) + "\r\n";
    }
    const qv::IniDocument document = qv::IniDocument::Parse(menus + data);
    for (auto _ : state) {
        qv::MenuTree tree;
        qv::ReadMenuDocument(document, tree);
        if (tree.Count() != static_cast<std::size_t>(3 * n))
            state.SkipWithError("the design did not come back whole");
    }
    state.SetComplexityN(n);
}

BENCHMARK(BM_BuildMenuArrays)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillTemplate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillLargeTemplate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMenuFile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMenuFile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadScatteredFile)
    ->RangeMultiplier(4)
    ->Range(2000, 32000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
