// Publishing a design into a site of 1,000 pages of 20 KB at three folder levels: the first
// publish, and publishing again with nothing changed. Counters: the files written, and the
// shared script's size plain and gzipped. The site is made in $QUORVANE_BENCH_DIR when set (a
// folder on the disk to measure), else in the system's temporary folder.

#include "core/codegen/Template.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/site/SitePublisher.h"
#include "core/support/FileIo.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kPages = 1000;
constexpr std::size_t kPageBytes = 20 * 1024;

// A page as sites have them: a head of about 1.5 KB, then text up to 20 KB.
std::string SitePage(int n)
{
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Page " +
        std::to_string(n) +
        " of the example site</title>\n"
        "<meta name=\"description\" content=\"A page of a site that a menu is published "
        "into, with enough text to be a real page.\">\n";
    for (const char* sheet : {"base", "layout", "print", "theme"})
        page += "<link rel=\"stylesheet\" href=\"/css/" + std::string(sheet) + ".css\">\n";
    page += "<style>\nbody { font: 16px/1.5 sans-serif; margin: 0 auto; max-width: 60em; }\n"
            "header, footer { padding: 1em; background: #eee; }\n"
            "article p { margin: 0 0 1em; }\n</style>\n"
            "<script>window.dataLayer = window.dataLayer || [];</script>\n</head>\n<body>\n"
            "<header><h1>Example site</h1></header>\n<article>\n";
    while (page.size() < kPageBytes - 200)
        page += "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "
                "tempor incididunt ut <a href=\"other.html\">labore</a> et dolore magna "
                "aliqua.</p>\n";
    page += "</article>\n<footer>&copy; Example</footer>\n</body>\n</html>\n";
    return page;
}

// A site menu of 40 items: 8 sections of 4 pages each.
void BuildDesign(qv::MenuTree& tree)
{
    for (int s = 0; s < 8; ++s) {
        const std::string folder = std::string("s") + std::to_string(s) + "/";
        qv::TMyRec rec;
        rec.Link = folder + "index.html";
        qv::MenuItem* section = tree.AppendRoot(std::string("Section ") + std::to_string(s), rec);
        for (int p = 0; p < 4; ++p) {
            rec.Link = folder + "p" + std::to_string(p) + ".html";
            tree.AppendChild(section, std::string("Page ") + std::to_string(p), rec);
        }
    }
}

class Site
{
public:
    Site()
    {
        const char* base = std::getenv("QUORVANE_BENCH_DIR");
        std::string pattern =
            ((base != nullptr && *base != '\0' ? fs::path(base) : fs::temp_directory_path()) /
             "qv_bench_site_XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        m_root = pattern;
        // 100 pages at the top, 500 in ten section folders, 400 in a folder below each.
        for (int n = 0; n < kPages; ++n) {
            std::string path;
            if (n < 100)
                path = "p" + std::to_string(n) + ".html";
            else if (n < 600)
                path = "s" + std::to_string(n % 10) + "/p" + std::to_string(n) + ".html";
            else
                path = "s" + std::to_string(n % 10) + "/more/p" + std::to_string(n) + ".html";
            m_pages.emplace_back(path, SitePage(n));
        }
        BuildDesign(m_tree);
        m_design.tree = &m_tree;
        m_design.code = qv::GenerateCode(QUORVANE_TEMPLATE, m_tree, qv::MenuStyle{});
        m_design.dataFolder = QUORVANE_DATA_FOLDER;
        Restore();
    }
    ~Site()
    {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    // Every page as it was before any publish, on disk: rewritten in place, so that the files
    // the benchmark makes itself do not count.
    void Restore()
    {
        std::error_code ignored;
        fs::remove_all(m_root / "menu", ignored);
        for (const auto& [path, bytes] : m_pages) {
            fs::create_directories((m_root / path).parent_path());
            std::ofstream out(m_root / path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        sync();
    }

    // Publishes and returns the number of files written.
    std::size_t Publish()
    {
        qv::PublishRequest request;
        request.siteFolder = m_root.string();
        request.name = "main";
        qv::PublishPlan plan = qv::PlanPublish(request, m_design);
        qv::ApplyPlan(plan);
        if (!plan.failure.empty())
            throw std::runtime_error(plan.failure);
        std::size_t written = 0;
        for (const qv::PagePlan& page : plan.pages)
            written += page.written ? 1 : 0;
        for (const qv::MenuFilePlan& file : plan.files)
            written += file.done ? 1 : 0;
        return written;
    }

    std::string Script() const { return qv::ReadFileBytes((m_root / "menu" / "main.js").string()); }

private:
    fs::path m_root;
    std::vector<std::pair<std::string, std::string>> m_pages;
    qv::MenuTree m_tree;
    qv::PublishDesign m_design;
};

void BM_PublishFirstTime(benchmark::State& state)
{
    Site site;
    std::size_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        site.Restore();
        state.ResumeTiming();
        written = site.Publish();
    }
    state.counters["files_written"] = static_cast<double>(written);
}

void BM_PublishUnchanged(benchmark::State& state)
{
    Site site;
    site.Publish();
    sync();
    std::size_t written = 0;
    for (auto _ : state)
        written += site.Publish();
    state.counters["files_written"] = static_cast<double>(written);
}

void BM_SharedScriptSize(benchmark::State& state)
{
    Site site;
    site.Publish();
    const std::string script = site.Script();
    uLongf packedSize = compressBound(script.size());
    std::vector<Bytef> packed(packedSize);
    for (auto _ : state) {
        // gzip -9: a deflate stream with the gzip header and trailer (18 bytes).
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(script.data()));
        stream.avail_in = static_cast<uInt>(script.size());
        stream.next_out = packed.data();
        stream.avail_out = static_cast<uInt>(packed.size());
        deflate(&stream, Z_FINISH);
        packedSize = stream.total_out;
        deflateEnd(&stream);
    }
    state.counters["script_bytes"] = static_cast<double>(script.size());
    state.counters["script_gzip_bytes"] = static_cast<double>(packedSize);
}

} // namespace

BENCHMARK(BM_PublishFirstTime)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5);
BENCHMARK(BM_PublishUnchanged)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5);
BENCHMARK(BM_SharedScriptSize)->Unit(benchmark::kMillisecond)->Iterations(1);
