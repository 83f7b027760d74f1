// Publishing into a site made by the test: pages at three folder levels in every encoding and
// shape a site holds, a read-only page and a link out of the site.

#include "core/codegen/DataFiles.h"
#include "core/site/PageRegion.h"
#include "core/site/SitePublisher.h"
#include "core/support/FileIo.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;

const std::string kCode = "<!-- the menu -->\r\n<script>var Menu1=1;</script>\r\n"
                          "<script>(function(){ /* engine */ })();</script>\r\n";

std::string PlainPage(const std::string& title, const std::string& eol)
{
    return "<!DOCTYPE html>" + eol + "<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title></head>" + eol + "<body>" + eol + "<h1>" + title + "</h1>" + eol +
           "<p>Text</p>" + eol + "</body></html>" + eol;
}

class SitePublish : public test::FolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FolderTest::SetUp());
        m_site = m_dir / "site";
        m_data = m_dir / "program";
        fs::create_directories(m_site / "docs" / "guide");
        fs::create_directories(m_data);
        for (std::string_view image : kArrowImageFiles)
            test::WriteAll(m_data / image, "GIF89a " + std::string(image));

        for (const std::string folder : {"", "docs/", "docs/guide/"})
            for (int i = 1; i <= 12; ++i)
                Page(folder + "p" + std::to_string(i) + (i % 4 == 0 ? ".htm" : ".html"),
                     PlainPage("Page " + std::to_string(i), i % 2 ? "\n" : "\r\n"));
        Page("index.html", PlainPage("Home", "\n"));
        Page("docs/index.html", PlainPage("Docs", "\n"));
        Page("bom.html", "\xEF\xBB\xBF" + PlainPage("BOM", "\n"));
        Page("docs/latin.html", "<html><head><meta charset=windows-1252><title>Caf\xE9</title>"
                                "</head><body><p>Caf\xE9</p></body></html>");
        Page("docs/guide/equiv.htm",
             "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
             "</head><body>\xE9</body>");
        Page("CAPS.HTML",
             "<HTML><HEAD><TITLE>X</TITLE></HEAD>\r\n<BODY BGCOLOR=white>\r\nX</BODY>");
        Page("tricky.html", "<html><head><!-- <body> --><script>var b = '<body>';</script>"
                            "<meta name=x content=\"<body>\"></head><body class=real>\nx");
        Page("nobody.html", "<!DOCTYPE html><title>No body</title>\n<p>Hello</p>\n");
        m_existingBare = PlainPage("Existing", "\n");
        const std::size_t at = m_existingBare.find("<body>") + 6;
        Page("existing.html", m_existingBare.substr(0, at) +
                                  RegionHtml("site", "<nav>old</nav>", "menu/site.js?v=0", "\n") +
                                  m_existingBare.substr(at));
        Page("readonly.html", PlainPage("Read-only", "\n"));
        fs::permissions(m_site / "readonly.html", fs::perms::owner_read | fs::perms::group_read);
        test::WriteAll(m_dir / "outside.html", PlainPage("Outside", "\n"));
        fs::create_symlink(m_dir / "outside.html", m_site / "outside.html");

        // Home, Docs (its folder) with Guide, a caption only some code pages hold, an absolute
        // link and a root-relative one.
        MenuItem* home = m_tree.AppendRoot("Home", Link("index.html"));
        m_tree.AppendChild(home, "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x86\x92", Link("docs/latin.html"));
        MenuItem* docs = m_tree.AppendRoot("Docs", Link("docs/"));
        m_tree.AppendChild(docs, "Guide", Link("docs/guide/p1.html"));
        m_tree.AppendRoot("Elsewhere", Link("https://example.org/"));
        m_tree.AppendRoot("Root", Link("/root.html"));
    }

    static TMyRec Link(std::string link)
    {
        TMyRec rec;
        rec.Link = std::move(link);
        return rec;
    }

    void Page(const std::string& path, const std::string& bytes)
    {
        m_pages[path] = bytes;
        test::WriteAll(m_site / path, bytes);
    }

    PublishRequest Request() const
    {
        PublishRequest request;
        request.siteFolder = m_site.string();
        request.name = "site";
        return request;
    }

    PublishPlan Plan(const PublishRequest& request) const
    {
        PublishDesign design;
        design.tree = &m_tree;
        design.code = m_code;
        design.dataFolder = m_data.string();
        return PlanPublish(request, design);
    }

    PublishPlan Publish(const PublishRequest& request)
    {
        PublishPlan plan = Plan(request);
        ApplyPlan(plan);
        return plan;
    }
    PublishPlan Publish() { return Publish(Request()); }

    const PagePlan& Find(const PublishPlan& plan, const std::string& path) const
    {
        for (const PagePlan& page : plan.pages)
            if (page.path == path)
                return page;
        ADD_FAILURE() << "no plan for " << path;
        return plan.pages.front();
    }

    std::string OnDisk(const std::string& path) const { return ReadAll(m_site / path); }

    // Every file below the site folder with its modification time, in nanoseconds.
    std::map<std::string, std::pair<std::string, std::int64_t>> Snapshot() const
    {
        std::map<std::string, std::pair<std::string, std::int64_t>> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_site)) {
            struct stat st;
            if (lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            files[fs::relative(entry.path(), m_site).string()] = {
                ReadAll(entry.path()), st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec};
        }
        return files;
    }

    // The page with the menu's region taken out.
    static std::string WithoutRegion(const std::string& bytes)
    {
        const PageScan scan = ScanPage(bytes, "site", ScanPurpose::TakeOut);
        EXPECT_EQ(scan.place, RegionPlace::Region);
        return SplicePage(bytes, scan.begin, scan.end, "");
    }

    fs::path m_site;
    fs::path m_data;
    MenuTree m_tree;
    std::string m_code = kCode;
    std::map<std::string, std::string> m_pages;
    std::string m_existingBare;
};

TEST_F(SitePublish, EveryPageGetsTheMenuOnceAndAgainNothingIsWritten)
{
    const PublishPlan plan = Publish();
    ASSERT_TRUE(plan.failure.empty()) << plan.failure;
    ASSERT_GE(plan.pages.size(), 40u);
    EXPECT_EQ(PlanExitStatus(plan), 1);
    EXPECT_EQ(Find(plan, "readonly.html").reason, "the page is read-only");
    EXPECT_EQ(Find(plan, "outside.html").reason,
              "the page is a link that leads out of the site folder");
    EXPECT_EQ(Find(plan, "existing.html").action, PageAction::Update);
    for (const PagePlan& page : plan.pages) {
        const std::string now = OnDisk(page.path);
        if (page.action == PageAction::Skip) {
            EXPECT_EQ(now,
                      page.path == "outside.html" ? PlainPage("Outside", "\n") : m_pages[page.path])
                << page.path;
            continue;
        }
        EXPECT_TRUE(page.written) << page.path;
        const std::string original =
            page.path == "existing.html" ? m_existingBare : m_pages[page.path];
        EXPECT_EQ(WithoutRegion(now), original) << page.path;
    }

    // Right after the real <body> tag, or where the body begins without one.
    EXPECT_TRUE(OnDisk("CAPS.HTML")
                    .starts_with("<HTML><HEAD><TITLE>X</TITLE></HEAD>\r\n"
                                 "<BODY BGCOLOR=white><!--quorvane-menu site begin"));
    EXPECT_NE(OnDisk("tricky.html").find("<body class=real><!--quorvane-menu site begin"),
              std::string::npos);
    EXPECT_NE(OnDisk("nobody.html").find("</title>\n<!--quorvane-menu"), std::string::npos);
    EXPECT_TRUE(OnDisk("bom.html").starts_with("\xEF\xBB\xBF<!DOCTYPE html>"));

    // Links and the script for the page's depth; the page's own item marked.
    const std::string deep = OnDisk("docs/guide/p1.html");
    EXPECT_NE(deep.find("<a href=\"../../index.html\">Home</a>"), std::string::npos);
    EXPECT_NE(deep.find("<a href=\"../../docs/\">Docs</a>"), std::string::npos);
    EXPECT_NE(deep.find("<a href=\"../../docs/guide/p1.html\" aria-current=\"page\">Guide</a>"),
              std::string::npos);
    EXPECT_NE(deep.find("<a href=\"https://example.org/\">"), std::string::npos);
    EXPECT_NE(deep.find("<a href=\"/root.html\">"), std::string::npos);
    EXPECT_NE(deep.find("<script src=\"../../menu/site.js?v="), std::string::npos);
    EXPECT_NE(OnDisk("docs/index.html").find("<a href=\"../docs/\" aria-current=\"page\">"),
              std::string::npos);
    EXPECT_EQ(OnDisk("docs/p1.html").find("aria-current"), std::string::npos);

    // Each page in its own encoding and line breaks.
    EXPECT_NE(OnDisk("docs/latin.html").find(">Caf\xE9 \x80 &#8594;</a>"), std::string::npos);
    EXPECT_NE(OnDisk("docs/guide/equiv.htm").find(">Caf\xE9 \x80 &#8594;</a>"), std::string::npos);
    EXPECT_NE(OnDisk("index.html").find(">Caf\xC3\xA9 \xE2\x82\xAC \xE2\x86\x92</a>"),
              std::string::npos);
    const std::string crlf = OnDisk("p2.html");
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 1))
        ASSERT_EQ(crlf[at - 1], '\r') << at;

    // The shared script and the images beside it.
    EXPECT_EQ(ReadAll(m_site / "menu" / "site.js"),
              "var MenuLinkBase='../';\r\nvar Menu1=1;\r\n(function(){ /* engine */ })();\r\n");
    for (std::string_view image : kArrowImageFiles)
        EXPECT_EQ(ReadAll(m_site / "menu" / image), ReadAll(m_data / image));

    const auto before = Snapshot();
    const PublishPlan again = Publish();
    for (const PagePlan& page : again.pages)
        EXPECT_TRUE(page.action == PageAction::Unchanged || page.action == PageAction::Skip)
            << PageLine(page);
    for (const MenuFilePlan& file : again.files)
        EXPECT_EQ(file.action, FileAction::Unchanged) << file.path;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(SitePublish, AChangedDesignRewritesOnlyRegionsAndTheScript)
{
    Publish();
    const auto before = Snapshot();
    m_tree.PreOrder()[2]->SetText("Documents");
    m_code += "<script>var Menu2='Documents';</script>";
    const PublishPlan plan = Publish();
    const auto after = Snapshot();
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [path, file] : after) {
        const auto& old = before.at(path).first;
        if (path.starts_with("menu/")) {
            EXPECT_EQ(file.first != old, path == "menu/site.js") << path;
            continue;
        }
        if (Find(plan, path).action == PageAction::Skip)
            continue;
        EXPECT_EQ(Find(plan, path).action, PageAction::Update) << path;
        EXPECT_NE(file.first, old) << path;
        EXPECT_EQ(WithoutRegion(file.first), WithoutRegion(old)) << path;
        EXPECT_NE(file.first.find(">Documents</a>"), std::string::npos) << path;
    }
}

TEST_F(SitePublish, TakingTheMenuOutGivesBackEveryPage)
{
    Publish();
    PublishPlan plan = PlanTakeOut(Request(), m_data.string());
    ApplyPlan(plan);
    ASSERT_TRUE(plan.failure.empty()) << plan.failure;
    for (const auto& [path, bytes] : m_pages)
        EXPECT_EQ(OnDisk(path), path == "existing.html" ? m_existingBare : bytes) << path;
    EXPECT_EQ(ReadAll(m_dir / "outside.html"), PlainPage("Outside", "\n"));
    EXPECT_FALSE(fs::exists(m_site / "menu"));
    EXPECT_TRUE(plan.folderRemoved);
    EXPECT_EQ(SummaryLine(plan, true),
              "Took the menu site out of 47 pages: 45 removed, 1 unchanged, 1 skipped.");
    EXPECT_EQ(Find(plan, "outside.html").action, PageAction::Skip);
}

TEST_F(SitePublish, APageThatChangedSinceItWasReadIsSkipped)
{
    PublishPlan plan = Plan(Request());
    test::WriteAll(m_site / "p1.html", "<body>changed");
    // The same size and modification time, other bytes.
    struct stat st;
    ASSERT_EQ(stat((m_site / "p3.html").c_str(), &st), 0);
    std::string same = m_pages["p3.html"];
    same[same.size() - 2] = '!';
    test::WriteAll(m_site / "p3.html", same);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, (m_site / "p3.html").c_str(), times, 0), 0);

    ApplyPlan(plan);
    EXPECT_EQ(PageLine(Find(plan, "p1.html")),
              "skip       p1.html: the page changed since it was read");
    EXPECT_EQ(Find(plan, "p3.html").action, PageAction::Skip);
    EXPECT_EQ(OnDisk("p1.html"), "<body>changed");
    EXPECT_EQ(OnDisk("p3.html"), same);
    EXPECT_TRUE(Find(plan, "p2.html").written);
}

TEST_F(SitePublish, AFailureMidwayLeavesEveryPageAsItWasOrAsPublished)
{
    const auto unchanged = [&] {
        for (const auto& [path, bytes] : m_pages)
            EXPECT_EQ(OnDisk(path), bytes) << path;
    };
    // The script cannot be written: no page is touched.
    SetWriteFaultHook([](WriteStep step) { return step == WriteStep::Flush; });
    PublishPlan plan = Publish();
    EXPECT_EQ(PlanExitStatus(plan), 2);
    EXPECT_EQ(Find(plan, "index.html").reason,
              "left as it was: the menu script could not be written");
    unchanged();

    // The pages' flush fails after the menu folder's seven files were written one by one.
    int flushes = 0;
    SetWriteFaultHook([&](WriteStep step) { return step == WriteStep::Flush && ++flushes > 7; });
    plan = Publish();
    EXPECT_EQ(Find(plan, "index.html").reason, "left as it was: publishing stopped at an error");
    EXPECT_TRUE(fs::exists(m_site / "menu" / "site.js"));
    unchanged();

    // The fifth page's rename fails: four pages are published, the rest as they were.
    int renames = 0;
    SetWriteFaultHook([&](WriteStep step) { return step == WriteStep::Rename && ++renames == 5; });
    plan = Publish();
    SetWriteFaultHook({});
    ASSERT_FALSE(plan.failure.empty());
    std::size_t written = 0;
    for (const PagePlan& page : plan.pages) {
        const std::string now = OnDisk(page.path);
        if (page.written) {
            ++written;
            EXPECT_NE(now, m_pages[page.path]) << page.path;
        } else if (m_pages.count(page.path) != 0) {
            EXPECT_EQ(now, m_pages[page.path]) << page.path;
        }
    }
    EXPECT_EQ(written, 4u) << SummaryLine(plan, true);
    EXPECT_NE(SummaryLine(plan, true).find("Stopped at an error: Unable to write to"),
              std::string::npos);
    // No temporary file stays behind.
    for (const auto& entry : fs::recursive_directory_iterator(m_site))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(SitePublish, NothingIsWrittenOutsideTheSiteOrTheChosenPages)
{
    fs::create_directories(m_dir / "elsewhere");
    fs::create_directory_symlink(m_dir / "elsewhere", m_site / "linked");
    for (const char* folder : {"../elsewhere", "/tmp", "linked", "."}) {
        PublishRequest request = Request();
        request.menuFolder = folder;
        EXPECT_THROW(Plan(request), PublishError) << folder;
    }
    PublishRequest badName = Request();
    badName.name = "my menu";
    EXPECT_THROW(Plan(badName), PublishError);
    // A script of the author's own under the menu's name is never replaced.
    fs::create_directories(m_site / "menu");
    test::WriteAll(m_site / "menu" / "site.js", "alert(1);");
    EXPECT_THROW(Plan(Request()), PublishError);
    fs::remove_all(m_site / "menu");
    EXPECT_TRUE(fs::is_empty(m_dir / "elsewhere"));

    // A page over 16 MB is left alone.
    {
        std::ofstream big(m_site / "big.html", std::ios::binary);
        big << "<body>";
    }
    fs::resize_file(m_site / "big.html", kMaxPageBytes + 1);
    PublishRequest request = Request();
    request.pages = std::vector<std::string>{"big.html", "index.html", "docs/p1.html"};
    PublishPlan plan = Publish(request);
    EXPECT_EQ(plan.pages.size(), 3u);
    EXPECT_EQ(Find(plan, "big.html").reason, "the page is larger than 16 MB");
    EXPECT_EQ(OnDisk("p1.html"), m_pages["p1.html"]);

    // Taken out of the chosen pages only, the script stays for the pages that still link it
    // (the one published and the one that had the region from the start).
    request.pages = std::vector<std::string>{"index.html"};
    plan = PlanTakeOut(request, m_data.string());
    ApplyPlan(plan);
    EXPECT_EQ(OnDisk("index.html"), m_pages["index.html"]);
    EXPECT_TRUE(fs::exists(m_site / "menu" / "site.js"));
    EXPECT_EQ(FileLine(plan.files.front()), "keep       menu/site.js: 2 pages still hold the menu");

    request.pages = std::vector<std::string>{"nothere.html"};
    EXPECT_THROW(Plan(request), PublishError);
}

} // namespace
} // namespace qv
