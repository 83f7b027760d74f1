#include "core/site/SitePublisher.h"

#include "core/codegen/DataFiles.h"
#include "core/codegen/MenuList.h"
#include "core/site/PageRegion.h"
#include "core/site/SharedScript.h"
#include "core/site/SiteLinks.h"
#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {

namespace {

constexpr std::string_view kScriptStart = "var MenuLinkBase=";

std::string Joined(const std::string& folder, std::string_view relative)
{
    return folder + "/" + std::string(relative);
}

bool IsInside(const std::string& folder, const std::string& path)
{
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

std::string RealPath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

bool HasPageExtension(std::string_view name)
{
    const std::string lower = AsciiLower(name);
    return (lower.size() > 5 && lower.ends_with(".html")) ||
           (lower.size() > 4 && lower.ends_with(".htm"));
}

PageIdentity IdentityOf(const struct stat& st)
{
    PageIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    id.changedNs = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

// Reads a page that is a plain file (never through a link) with its identity; an empty result
// and the reason when it cannot be read.
std::string ReadPage(const std::string& path, std::string& bytes, PageIdentity& identity)
{
    // Non-blocking, so that a FIFO named like a page never blocks the open.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? "the page is a link" : "the page cannot be read";
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return "the page is not a file";
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxPageBytes) {
        close(fd);
        return "the page is larger than 16 MB";
    }
    if (!ReadDescriptor(fd, bytes, static_cast<std::size_t>(st.st_size), kMaxPageBytes)) {
        // A page that grew past the limit while it was read says so too.
        const bool grown =
            fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) > kMaxPageBytes;
        close(fd);
        return grown ? "the page is larger than 16 MB" : "the page cannot be read";
    }
    // The identity after the read: a change during it shows as a change before the write.
    fstat(fd, &st);
    close(fd);
    identity = IdentityOf(st);
    identity.hash = ContentHash(bytes);
    return {};
}

// Whether a page may be replaced: its bits grant writing and this user may write it and its
// folder. The reason when not.
std::string WriteProblem(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return "the page cannot be read";
    if ((st.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return "the page is read-only";
    const std::string folder = path.substr(0, path.find_last_of('/'));
    if (!FolderCanBeWritten(folder))
        return "the page's folder is read-only";
    return {};
}

// Runs `work` for every index from 0 to count - 1, on this thread and on helpers, calling
// `progress` on this thread between items; throws PublishCancelled when it returns false.
template <typename Work>
void ForEachIndex(std::size_t count, const PublishProgress& progress, Work work)
{
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto run = [&](bool reports) {
        while (!stop) {
            const std::size_t i = next++;
            if (i >= count)
                break;
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
                stop = true;
            }
            ++done;
            if (reports && progress && !progress(done, count))
                stop = true;
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = count < 16 ? 0 : std::min<std::size_t>(cores, 4) - 1;
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < helpers; ++k)
        threads.emplace_back(run, false);
    run(true);
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
    // A stop asked for at the last report counts too: the helpers may have done every page
    // before this thread reported once.
    if (next < count || (progress && stop) || (progress && !progress(count, count)))
        throw PublishCancelled();
}

std::string RealSiteFolder(const std::string& siteFolder)
{
    if (siteFolder.empty())
        throw PublishError("No site folder was given.");
    struct stat st;
    if (stat(siteFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw PublishError("The site folder " + siteFolder + " does not exist.");
    std::string real = RealPath(siteFolder);
    if (real.empty())
        throw PublishError("The site folder " + siteFolder + " cannot be read.");
    return real;
}

// Calls `step` with the path of every folder on the way from the site folder to the menu folder,
// the menu folder last, until it returns false.
template <typename Step>
void WalkMenuFolder(const std::string& site, const std::string& menuFolder, Step step)
{
    std::string path = site;
    std::size_t at = 0;
    while (at < menuFolder.size()) {
        std::size_t end = menuFolder.find('/', at);
        if (end == std::string::npos)
            end = menuFolder.size();
        path += '/';
        path.append(menuFolder, at, end - at);
        at = end + 1;
        if (!step(path))
            return;
    }
}

// Every folder on the way to the menu folder that exists must be a folder, not a link, so that
// nothing written there can land outside the site.
void CheckMenuFolderOnDisk(const std::string& site, const std::string& menuFolder)
{
    WalkMenuFolder(site, menuFolder, [&](const std::string& path) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            return false;
        if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode))
            throw PublishError("The menu folder " + menuFolder +
                               " is not a plain folder of the site (" + path +
                               " is a link or a file).");
        return true;
    });
}

// Whether the file is a plain file; false when it is missing; throws for anything else there.
bool PlainFileThere(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode))
        throw PublishError(path + " is not a plain file; publishing does not replace it.");
    return true;
}

std::string FileBytes(const std::string& path)
{
    std::string bytes;
    return ReadRegularFile(path, bytes) == FileState::Read ? bytes : std::string();
}

bool IsMenuScript(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    return bytes.starts_with(kScriptStart);
}

// The pages a request names: the chosen ones (each must be a page of the site), else every page
// but those left out.
std::vector<std::string> ChosenPages(const PublishRequest& request, const std::string& site,
                                     const std::string& menuFolder)
{
    std::vector<std::string> all = SitePages(site, menuFolder);
    if (request.pages) {
        std::vector<std::string> chosen = *request.pages;
        std::sort(chosen.begin(), chosen.end());
        chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
        for (const std::string& page : chosen)
            if (!std::binary_search(all.begin(), all.end(), page))
                throw PublishError("The site has no page " + page + ".");
        return chosen;
    }
    std::vector<std::string> leftOut = request.leftOut;
    std::sort(leftOut.begin(), leftOut.end());
    std::erase_if(all, [&](const std::string& page) {
        return std::binary_search(leftOut.begin(), leftOut.end(), page);
    });
    return all;
}

// What every page's plan needs of the design.
struct Publication
{
    std::string site;
    std::string name;
    std::string scriptPath;
    std::string scriptHash;
    const MenuTree* tree = nullptr;
    std::vector<std::string> texts;

    std::string RegionFor(std::string_view page, const PageEncoding& encoding,
                          std::string_view eol) const
    {
        const int depth = FolderDepth(page);
        MenuListOptions options;
        options.name = name;
        options.lineBreak = eol;
        options.href = [depth](std::string_view link) { return HrefForPage(link, depth); };
        options.isCurrent = [page](std::string_view link) { return LinkLeadsToPage(link, page); };
        options.itemTexts = &texts;
        const std::string list = MenuListHtml(*tree, options);
        const std::string src = UpLevels(depth) + UrlPath(scriptPath) + "?v=" + scriptHash;
        return EncodeForPage(RegionHtml(name, list, src, eol), encoding.charset);
    }
};

// Reads a page and decides what happens to it. `publication` is null when taking out.
void PlanPage(PagePlan& page, const std::string& site, const std::string& name,
              const Publication* publication)
{
    const std::string path = Joined(site, page.path);
    page.action = PageAction::Skip;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        page.reason = "the page cannot be read";
        return;
    }
    if (S_ISLNK(st.st_mode)) {
        const std::string target = RealPath(path);
        if (target.empty())
            page.reason = "the page is a link to a file that does not exist";
        else if (!IsInside(site, target))
            page.reason = "the page is a link that leads out of the site folder";
        else
            page.reason = "the page is a link to " + target.substr(site.size() + 1) +
                          ", which is published under its own name";
        return;
    }
    std::string bytes;
    page.reason = ReadPage(path, bytes, page.identity);
    if (!page.reason.empty())
        return;

    const ScanPurpose purpose = publication ? ScanPurpose::Publish : ScanPurpose::TakeOut;
    ExpectedRegion expected;
    if (publication)
        expected = [&](const PageEncoding& encoding, std::string_view eol) {
            return publication->RegionFor(page.path, encoding, eol);
        };
    const PageScan scan = ScanPage(bytes, name, purpose, expected);
    if (!scan.problem.empty()) {
        page.reason = scan.problem;
        return;
    }
    page.reason.clear();
    page.begin = scan.begin;
    page.end = scan.end;
    if (!publication) {
        page.action =
            scan.place == RegionPlace::Region ? PageAction::Remove : PageAction::Unchanged;
    } else {
        page.replacement = publication->RegionFor(page.path, scan.encoding, scan.eol);
        if (scan.place != RegionPlace::Region)
            page.action = PageAction::Insert;
        else if (std::string_view(bytes).substr(scan.begin, scan.end - scan.begin) ==
                 page.replacement)
            page.action = PageAction::Unchanged;
        else
            page.action = PageAction::Update;
    }
    if (page.action != PageAction::Unchanged) {
        page.reason = WriteProblem(path);
        if (!page.reason.empty())
            page.action = PageAction::Skip;
    }
    if (page.action == PageAction::Unchanged || page.action == PageAction::Skip)
        page.replacement.clear();
}

struct PlanBase
{
    PublishPlan plan;
    std::vector<std::string> pages;
};

PlanBase StartPlan(const PublishRequest& request, bool takeOut)
{
    PlanBase base;
    PublishPlan& plan = base.plan;
    plan.takeOut = takeOut;
    plan.siteFolder = RealSiteFolder(request.siteFolder);
    plan.menuFolder = MenuFolderPath(request.menuFolder);
    CheckMenuName(request.name);
    plan.name = request.name;
    plan.scriptPath = plan.menuFolder + "/" + plan.name + ".js";
    CheckMenuFolderOnDisk(plan.siteFolder, plan.menuFolder);
    base.pages = ChosenPages(request, plan.siteFolder, plan.menuFolder);
    plan.pages.resize(base.pages.size());
    for (std::size_t i = 0; i < base.pages.size(); ++i)
        plan.pages[i].path = base.pages[i];
    return base;
}

// Every page of the site that still holds a begin marker of the menu, apart from the pages
// just taken out.
std::size_t PagesStillHoldingRegion(const PublishPlan& plan)
{
    std::set<std::string> takenOut;
    for (const PagePlan& page : plan.pages)
        if (page.written)
            takenOut.insert(page.path);
    const std::string marker = BeginMarker(plan.name).substr(0, BeginMarker(plan.name).find(':'));
    std::size_t holding = 0;
    for (const std::string& page : SitePages(plan.siteFolder, plan.menuFolder)) {
        if (takenOut.count(page) != 0)
            continue;
        std::string bytes;
        PageIdentity ignored;
        if (ReadPage(Joined(plan.siteFolder, page), bytes, ignored).empty() &&
            bytes.find(marker) != std::string::npos)
            ++holding;
    }
    return holding;
}

void WritePages(PublishPlan& plan, const PublishProgress& progress)
{
    std::vector<std::size_t> changing;
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        const PageAction action = plan.pages[i].action;
        if (action == PageAction::Insert || action == PageAction::Update ||
            action == PageAction::Remove)
            changing.push_back(i);
    }
    const auto leftAsItWas = [&](std::size_t from, const std::string& why) {
        for (std::size_t k = from; k < changing.size(); ++k) {
            PagePlan& page = plan.pages[changing[k]];
            if (!page.written && page.action != PageAction::Skip) {
                page.action = PageAction::Skip;
                page.reason = why;
            }
        }
    };

    AtomicFileBatch batch;
    std::vector<std::pair<std::size_t, std::size_t>> staged; // page, batch index
    std::vector<PageIdentity> stagedFrom;
    for (std::size_t k = 0; k < changing.size(); ++k) {
        PagePlan& page = plan.pages[changing[k]];
        const std::string path = Joined(plan.siteFolder, page.path);
        std::string bytes;
        PageIdentity now;
        const std::string problem = ReadPage(path, bytes, now);
        if (!problem.empty() || now != page.identity) {
            page.action = PageAction::Skip;
            page.reason = "the page changed since it was read";
            continue;
        }
        try {
            const std::string changed = SplicePage(bytes, page.begin, page.end, page.replacement);
            staged.emplace_back(changing[k], batch.Stage(path, changed));
            stagedFrom.push_back(now);
        } catch (const std::exception& e) {
            batch.Discard();
            plan.failure = e.what();
            leftAsItWas(0, "left as it was: publishing stopped at an error");
            return;
        }
        if (progress && !progress(k + 1, changing.size())) {
            batch.Discard();
            plan.failure = "Publishing was cancelled before any page was written.";
            leftAsItWas(0, "left as it was: publishing was cancelled");
            return;
        }
    }
    try {
        batch.Flush();
    } catch (const std::exception& e) {
        batch.Discard();
        plan.failure = e.what();
        leftAsItWas(0, "left as it was: publishing stopped at an error");
        return;
    }
    for (std::size_t s = 0; s < staged.size(); ++s) {
        PagePlan& page = plan.pages[staged[s].first];
        struct stat st;
        const std::string path = Joined(plan.siteFolder, page.path);
        PageIdentity now;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            now = IdentityOf(st);
            now.hash = stagedFrom[s].hash;
        }
        if (now != stagedFrom[s]) {
            page.action = PageAction::Skip;
            page.reason = "the page changed since it was read";
            continue;
        }
        try {
            batch.Commit(staged[s].second);
            page.written = true;
        } catch (const std::exception& e) {
            batch.Discard();
            plan.failure = e.what();
            for (std::size_t r = s; r < staged.size(); ++r) {
                PagePlan& rest = plan.pages[staged[r].first];
                rest.action = PageAction::Skip;
                rest.reason = r == s ? std::string("could not be written: ") + e.what()
                                     : "left as it was: publishing stopped at an error";
            }
            batch.Finish();
            return;
        }
    }
    batch.Finish();
}

bool EnsureMenuFolder(PublishPlan& plan)
{
    const std::string folder = Joined(plan.siteFolder, plan.menuFolder);
    WalkMenuFolder(plan.siteFolder, plan.menuFolder, [&](const std::string& path) {
        struct stat st;
        if (lstat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode))
                plan.failure = "The menu folder " + path + " is not a plain folder.";
        } else if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            plan.failure = FormatMessage(kCannotCreateFile, path);
        }
        return plan.failure.empty();
    });
    if (plan.failure.empty() && !IsInside(plan.siteFolder, RealPath(folder)))
        plan.failure = "The menu folder " + folder + " leads out of the site folder.";
    return plan.failure.empty();
}

std::string ActionWord(PageAction action)
{
    switch (action) {
    case PageAction::Insert:
        return "insert";
    case PageAction::Update:
        return "update";
    case PageAction::Remove:
        return "remove";
    case PageAction::Unchanged:
        return "unchanged";
    case PageAction::Skip:
        return "skip";
    }
    return {};
}

std::string Padded(std::string word)
{
    word.resize(std::max<std::size_t>(word.size() + 1, 11), ' ');
    return word;
}

} // namespace

std::string MenuFolderPath(std::string_view folder)
{
    if (folder.empty())
        return std::string(kDefaultMenuFolder);
    if (folder.front() == '/')
        throw PublishError("The menu folder must be a folder inside the site folder, not " +
                           std::string(folder) + ".");
    std::string clean;
    std::size_t at = 0;
    while (at <= folder.size()) {
        std::size_t end = folder.find_first_of("/\\", at);
        if (end == std::string_view::npos)
            end = folder.size();
        const std::string_view part = folder.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == ".." || part.find('\0') != std::string_view::npos)
            throw PublishError("The menu folder must be a folder inside the site folder, not " +
                               std::string(folder) + ".");
        if (!clean.empty())
            clean += '/';
        clean += part;
    }
    if (clean.empty())
        throw PublishError("The menu folder must be a folder inside the site folder, not the "
                           "site folder itself.");
    return clean;
}

void CheckMenuName(std::string_view name)
{
    if (name.empty() || name.front() == '.' || MenuListName(name) != name)
        throw PublishError("The menu name \"" + std::string(name) +
                           "\" cannot be used: a name holds letters, digits, '-', '_' and '.' "
                           "and does not start with '.'.");
}

std::string DefaultMenuName(std::string_view projectFile)
{
    std::string_view base = projectFile.substr(projectFile.find_last_of('/') + 1);
    if (const std::size_t dot = base.rfind('.'); dot != std::string_view::npos && dot > 0)
        base = base.substr(0, dot);
    std::string name = MenuListName(base);
    while (!name.empty() && name.front() == '.')
        name.erase(0, 1);
    return name.empty() ? "menu" : name;
}

std::vector<std::string> SitePages(const std::string& siteFolder, std::string_view menuFolder)
{
    std::vector<std::string> pages;
    std::deque<std::string> folders{""}; // relative to the site folder
    while (!folders.empty()) {
        const std::string relative = std::move(folders.front());
        folders.pop_front();
        const std::string path = relative.empty() ? siteFolder : Joined(siteFolder, relative);
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr)
            continue;
        while (const dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string child =
                relative.empty() ? std::string(name) : relative + "/" + std::string(name);
            struct stat st;
            if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                if (child != menuFolder)
                    folders.push_back(child);
            } else if ((S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) && HasPageExtension(name)) {
                pages.push_back(child);
            }
        }
        closedir(dir);
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

PublishPlan PlanPublish(const PublishRequest& request, const PublishDesign& design,
                        const PublishProgress& progress)
{
    if (design.tree == nullptr || design.tree->Empty())
        throw PublishError("The menu has no items to publish.");
    PlanBase base = StartPlan(request, false);
    PublishPlan& plan = base.plan;

    Publication publication;
    publication.site = plan.siteFolder;
    publication.name = plan.name;
    publication.scriptPath = plan.scriptPath;
    const std::string script =
        SharedScript(design.code, UpLevels(FolderDepth(plan.menuFolder + "/")));
    publication.scriptHash = ShortHash(script);
    publication.tree = design.tree;
    publication.texts = MenuItemTexts(*design.tree);

    const auto addFile = [&](std::string relative, std::string bytes) {
        MenuFilePlan file;
        file.path = std::move(relative);
        const std::string path = Joined(plan.siteFolder, file.path);
        file.action = PlainFileThere(path) && FileBytes(path) == bytes ? FileAction::Unchanged
                                                                       : FileAction::Write;
        file.bytes = std::move(bytes);
        plan.files.push_back(std::move(file));
    };
    // A file of that name that publishing did not write is the author's own: never replaced.
    if (const std::string path = Joined(plan.siteFolder, plan.scriptPath);
        PlainFileThere(path) && !IsMenuScript(FileBytes(path)))
        throw PublishError("The site has a file " + plan.scriptPath +
                           " that publishing did not write; choose another menu name or folder.");
    addFile(plan.scriptPath, script);
    for (const std::string_view image : kArrowImageFiles) {
        const std::string source = DataFilePath(design.dataFolder, image);
        if (FileExists(source))
            addFile(plan.menuFolder + "/" + std::string(image), ReadFileBytes(source));
    }

    ForEachIndex(plan.pages.size(), progress, [&](std::size_t i) {
        PlanPage(plan.pages[i], plan.siteFolder, plan.name, &publication);
    });
    return std::move(plan);
}

PublishPlan PlanTakeOut(const PublishRequest& request, const std::string& dataFolder,
                        const PublishProgress& progress)
{
    PlanBase base = StartPlan(request, true);
    PublishPlan& plan = base.plan;
    const std::string folder = Joined(plan.siteFolder, plan.menuFolder);

    // Other menus published into the same folder still use the images.
    std::string otherScript;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == plan.name + ".js" || !name.ends_with(".js") || !otherScript.empty())
                continue;
            struct stat st;
            if (lstat(Joined(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                IsMenuScript(FileBytes(Joined(folder, name))))
                otherScript = name;
        }
        closedir(dir);
    }

    const auto addFile = [&](std::string relative, const std::string* ours) {
        const std::string path = Joined(plan.siteFolder, relative);
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            return;
        MenuFilePlan file;
        file.path = std::move(relative);
        file.action = FileAction::Keep;
        if (!S_ISREG(st.st_mode))
            file.reason = "not a plain file";
        else if (ours == nullptr && !IsMenuScript(FileBytes(path)))
            file.reason = "not a menu script written by publishing";
        else if (ours != nullptr && !otherScript.empty())
            file.reason = "the menu " + otherScript + " uses it too";
        else if (ours != nullptr && FileBytes(path) != *ours)
            file.reason = "not the program's own image";
        else
            file.action = FileAction::Remove;
        plan.files.push_back(std::move(file));
    };
    addFile(plan.scriptPath, nullptr);
    for (const std::string_view image : kArrowImageFiles) {
        const std::string source = DataFilePath(dataFolder, image);
        if (!FileExists(source))
            continue;
        const std::string bytes = ReadFileBytes(source);
        addFile(plan.menuFolder + "/" + std::string(image), &bytes);
    }

    ForEachIndex(plan.pages.size(), progress, [&](std::size_t i) {
        PlanPage(plan.pages[i], plan.siteFolder, plan.name, nullptr);
    });
    return std::move(plan);
}

void ApplyPlan(PublishPlan& plan, const PublishProgress& progress)
{
    plan.failure.clear();
    if (!plan.takeOut) {
        const bool writes = std::any_of(plan.files.begin(), plan.files.end(), [](const auto& f) {
            return f.action == FileAction::Write;
        });
        if (writes && !EnsureMenuFolder(plan))
            return;
        for (MenuFilePlan& file : plan.files) {
            if (file.action != FileAction::Write)
                continue;
            try {
                WriteFileAtomically(Joined(plan.siteFolder, file.path), file.bytes,
                                    kCannotCreateFile);
                file.done = true;
            } catch (const std::exception& e) {
                plan.failure = e.what();
                for (PagePlan& page : plan.pages) {
                    if (page.action != PageAction::Unchanged && page.action != PageAction::Skip) {
                        page.action = PageAction::Skip;
                        page.reason = "left as it was: the menu script could not be written";
                    }
                }
                return;
            }
        }
        WritePages(plan, progress);
        return;
    }

    WritePages(plan, progress);
    if (!plan.failure.empty())
        return;
    const std::size_t holding = PagesStillHoldingRegion(plan);
    for (MenuFilePlan& file : plan.files) {
        if (file.action != FileAction::Remove)
            continue;
        if (holding > 0) {
            file.action = FileAction::Keep;
            file.reason = std::to_string(holding) +
                          (holding == 1 ? " page still holds" : " pages still hold") + " the menu";
            continue;
        }
        file.done = unlink(Joined(plan.siteFolder, file.path).c_str()) == 0;
        if (!file.done) {
            file.action = FileAction::Keep;
            file.reason = "it could not be removed";
        }
    }
    if (holding == 0)
        plan.folderRemoved = rmdir(Joined(plan.siteFolder, plan.menuFolder).c_str()) == 0;
}

std::string PageLine(const PagePlan& page)
{
    std::string line = Padded(ActionWord(page.action)) + page.path;
    if (!page.reason.empty())
        line += ": " + page.reason;
    return line;
}

std::string FileLine(const MenuFilePlan& file)
{
    std::string word;
    switch (file.action) {
    case FileAction::Write:
        word = "write";
        break;
    case FileAction::Unchanged:
        word = "unchanged";
        break;
    case FileAction::Remove:
        word = "remove";
        break;
    case FileAction::Keep:
        word = "keep";
        break;
    }
    std::string line = Padded(word) + file.path;
    if (!file.reason.empty())
        line += ": " + file.reason;
    return line;
}

std::string SummaryLine(const PublishPlan& plan, bool applied)
{
    std::size_t counts[5] = {};
    for (const PagePlan& page : plan.pages)
        ++counts[static_cast<int>(page.action)];
    const auto count = [&](PageAction action, std::string_view done, std::string_view toDo) {
        const std::size_t n = counts[static_cast<int>(action)];
        return std::to_string(n) + " " + std::string(applied ? done : toDo);
    };
    const std::size_t total = plan.pages.size();
    std::string line = applied ? (plan.takeOut ? "Took the menu " + plan.name + " out of "
                                               : "Published the menu " + plan.name + " in ")
                               : std::string("Dry run, nothing written: ");
    line += std::to_string(total) + (total == 1 ? " page: " : " pages: ");
    if (plan.takeOut)
        line += count(PageAction::Remove, "removed", "to remove") + ", ";
    else
        line += count(PageAction::Insert, "inserted", "to insert") + ", " +
                count(PageAction::Update, "updated", "to update") + ", ";
    line += count(PageAction::Unchanged, "unchanged", "unchanged") + ", " +
            count(PageAction::Skip, "skipped", "to skip") + ".";
    if (!plan.failure.empty())
        line += "\nStopped at an error: " + plan.failure;
    return line;
}

int PlanExitStatus(const PublishPlan& plan)
{
    if (!plan.failure.empty())
        return 2;
    const bool skipped = std::any_of(plan.pages.begin(), plan.pages.end(), [](const PagePlan& p) {
        return p.action == PageAction::Skip;
    });
    return skipped ? 1 : 0;
}

} // namespace qv
