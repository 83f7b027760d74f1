#pragma once

#include "core/model/MenuTree.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Publishing a design into a site: one shared menu script in the site's menu folder, with the
// arrow images beside it, and in every chosen page the menu's region (PageRegion.h): the menu's
// links as a plain list and the script tag, with links and paths for that page's depth. Pages are
// changed by splicing bytes and written atomically; nothing is written outside the site folder.
// Publishing again with nothing changed writes nothing; taking the menu out removes the regions
// and the files publishing wrote, giving every page back byte for byte.

inline constexpr std::string_view kDefaultMenuFolder = "menu";
// Larger pages are left alone: no site page is this large, and parsing one takes seconds.
inline constexpr std::uint64_t kMaxPageBytes = std::uint64_t{16} << 20;

// A request that cannot be carried out at all (no site folder, a menu folder outside it, a
// name that cannot be one, an empty design); nothing has been touched. The text is for the user.
class PublishError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The user stopped publishing through the progress callback while pages were being read.
class PublishCancelled : public std::runtime_error
{
public:
    PublishCancelled() : std::runtime_error("Publishing was cancelled.") {}
};

struct PublishRequest
{
    std::string siteFolder;
    // Relative to the site folder, '/' between folders; empty means kDefaultMenuFolder.
    std::string menuFolder;
    // The menu's name: letters, digits, '-', '_' and '.', not starting with '.'.
    std::string name;
    // The pages to work on, as paths relative to the site folder ('/' between folders); when not
    // given, every page of the site (SitePages) but those left out.
    std::optional<std::vector<std::string>> pages;
    std::vector<std::string> leftOut;
};

// What publishing puts into the site.
struct PublishDesign
{
    const MenuTree* tree = nullptr;
    // The design's code as Get Code makes it (GenerateCode); its inline scripts make the shared
    // script.
    std::string code;
    // The program's folder: its arrow images (DataFilePath) go beside the script.
    std::string dataFolder;
};

enum class PageAction { Insert, Update, Remove, Unchanged, Skip };

// A page's state when it was read, to tell whether it changed before it is written.
struct PageIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    std::uint64_t hash = 0;
    bool operator==(const PageIdentity&) const = default;
};

struct PagePlan
{
    std::string path; // relative to the site folder
    PageAction action = PageAction::Unchanged;
    std::string reason; // why a page is skipped
    bool written = false;
    // The edit: the bytes [begin, end) of the page as read become `replacement`.
    PageIdentity identity;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string replacement;
};

enum class FileAction { Write, Unchanged, Remove, Keep };

// A file of the menu folder: the shared script or an arrow image.
struct MenuFilePlan
{
    std::string path; // relative to the site folder
    FileAction action = FileAction::Unchanged;
    std::string reason; // why a file is kept
    std::string bytes;  // what is written
    bool done = false;
};

struct PublishPlan
{
    bool takeOut = false;
    std::string siteFolder; // the real path, without links
    std::string menuFolder; // relative to the site folder
    std::string name;
    std::string scriptPath; // relative to the site folder
    std::vector<MenuFilePlan> files;
    std::vector<PagePlan> pages;
    // Set by ApplyPlan when it stopped at an error: what went wrong. Every page is then either
    // as it was or as published, and `written` says which.
    std::string failure;
    // Whether the menu folder was removed (taking out, once it was empty).
    bool folderRemoved = false;
};

// Called with the number of pages done and their total; returning false stops the work.
using PublishProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The menu folder as a clean relative path ("menu", "assets/menu"); throws PublishError for one
// that is absolute, leaves the site folder ("..") or is the site folder itself.
std::string MenuFolderPath(std::string_view folder);

// Throws PublishError for a name that cannot name a menu.
void CheckMenuName(std::string_view name);

// The menu name a project file gives: its base name with every character that a name cannot
// hold dropped; "menu" when nothing is left.
std::string DefaultMenuName(std::string_view projectFile);

// Every page of a site: each .html and .htm file (any letter case) below the site folder but
// outside the menu folder, as paths relative to the site folder in byte order. Links to files
// are listed (publishing tells why it leaves them alone); links to folders are not followed.
std::vector<std::string> SitePages(const std::string& siteFolder, std::string_view menuFolder);

// What publishing would do, page by page and file by file, without writing anything: the dry
// run, and the plan that ApplyPlan carries out. Throws PublishError or PublishCancelled.
PublishPlan PlanPublish(const PublishRequest& request, const PublishDesign& design,
                        const PublishProgress& progress = {});

// What taking the menu out would do. `dataFolder` is the program's folder, whose arrow images
// tell the copies publishing made.
PublishPlan PlanTakeOut(const PublishRequest& request, const std::string& dataFolder,
                        const PublishProgress& progress = {});

// Carries out a plan. Publishing writes the menu folder's files first, then the pages; taking
// out changes the pages first, then removes the files unless a page still holds the region. A
// page that changed since it was read is skipped. On an error, or when `progress` stops it
// before any page is written, the plan's `failure` says what happened and each page's `written`
// whether it was written.
void ApplyPlan(PublishPlan& plan, const PublishProgress& progress = {});

// The lines a plan reports: one per page ("insert     blog/index.html", "skip       x.html: the
// page is read-only"), one per menu folder file that is written or removed, then the totals.
// `applied` after ApplyPlan (what was done), else for a dry run (what would be done).
std::string PageLine(const PagePlan& page);
std::string FileLine(const MenuFilePlan& file);
std::string SummaryLine(const PublishPlan& plan, bool applied);

// 0 when every chosen page is published (or taken out) or unchanged, 1 when some were skipped,
// 2 when applying the plan failed.
int PlanExitStatus(const PublishPlan& plan);

} // namespace qv
