#include "core/support/Ini_Unit.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// About 10 MB in the shape of large project files: a few style sections, then the item keys of
// a big design, with some comments and blank lines in between.
const std::string& TenMegabyteFile()
{
    static const std::string text = [] {
        std::string out = "; saved by hand\r\n[Options]\r\nMenuType=0\r\nMenuFont=Tahoma, "
                          "Verdana, Arial\r\n\r\n[Menus]\r\n";
        std::string data = "[MenuData]\r\n";
        for (int i = 0; out.size() + data.size() < 10'000'000; ++i) {
            const std::string n = std::to_string(i);
            out += "Menu_" + n + "=Menu1\\Menu1_" + n + "\r\n";
            data += "MenuName_" + n + "=Menu1_" + n + "\r\nMenuText_" + n +
                    "=  \"A caption of moderate length " + n + "\"\r\nMenuLink_" + n +
                    "=http://www.example.com/pages/item" + n + ".html\r\nMenuHeight" + n +
                    "=20\r\nMenuWidth" + n + "=120\r\n";
            if (i % 1000 == 0)
                data += "; group " + n + "\r\n   \r\n";
        }
        return out + "\r\n" + data;
    }();
    return text;
}

void BM_IniParse(benchmark::State& state)
{
    const std::string& text = TenMegabyteFile();
    for (auto _ : state) {
        qv::IniDocument doc = qv::IniDocument::Parse(text);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IniParse)->Unit(benchmark::kMillisecond);

// Parsing leaves a section's lines unsplit until it is used: parsing and then reading every key
// line of every section once is the whole cost of reading a file through.
void BM_IniParseAndWalk(benchmark::State& state)
{
    const std::string& text = TenMegabyteFile();
    for (auto _ : state) {
        const qv::IniDocument doc = qv::IniDocument::Parse(text);
        std::size_t sizes = 0;
        for (const char* section : {"Options", "Menus", "MenuData"})
            for (auto keys = doc.Keys(section); keys.Next();)
                sizes += keys.Name().size() + keys.Value().value_or("").size();
        benchmark::DoNotOptimize(sizes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IniParseAndWalk)->Unit(benchmark::kMillisecond);

// Parsing and one lookup in each section, which indexes every key of the file.
void BM_IniParseAndLookUp(benchmark::State& state)
{
    const std::string& text = TenMegabyteFile();
    for (auto _ : state) {
        const qv::IniDocument doc = qv::IniDocument::Parse(text);
        for (const char* section : {"Options", "Menus", "MenuData"}) {
            auto value = doc.Value(section, "Missing");
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IniParseAndLookUp)->Unit(benchmark::kMillisecond);

void BM_IniSerialise(benchmark::State& state)
{
    const std::string& text = TenMegabyteFile();
    const qv::IniDocument doc = qv::IniDocument::Parse(text);
    for (auto _ : state) {
        std::string out = doc.Serialise();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IniSerialise)->Unit(benchmark::kMillisecond);

// Saving a design of n items into an existing file: six keys per item, written alternately into
// the two new sections "Menus" and "MenuData" at the end of the file, then one serialisation.
// The complexity fit over n shows whether the writes stay linear.
void BM_IniWriteDesign(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const std::string style = "[Main Colors]\r\nMainBG=16744448\r\n[Options]\r\nMenuType=0\r\n";
    std::size_t bytes = 0;
    for (auto _ : state) {
        qv::IniDocument doc = qv::IniDocument::Parse(style);
        for (int i = 0; i < items; ++i) {
            const std::string n = std::to_string(i);
            doc.WriteString("Menus", "Menu_" + n, "Menu1\\Menu1_" + n);
            doc.WriteString("MenuData", "MenuName_" + n, "Menu1_" + n);
            doc.WriteString("MenuData", "MenuText_" + n, "Caption " + n);
            doc.WriteString("MenuData", "MenuLink_" + n, "http://");
            doc.WriteInteger("MenuData", "MenuHeight" + n, 20);
            doc.WriteInteger("MenuData", "MenuWidth" + n, 80);
        }
        std::string out = doc.Serialise();
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * items * 6);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.SetComplexityN(items);
}
BENCHMARK(BM_IniWriteDesign)
    ->RangeMultiplier(2)
    ->Range(25'000, 100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
