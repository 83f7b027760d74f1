#include "core/site/SiteImport.h"

#include "core/codegen/Template.h"
#include "core/project/DesignSize.h"
#include "core/site/NavigationFinder.h"
#include "core/site/SiteAddress.h"
#include "core/site/Sitemap.h"
#include "core/support/StringUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// A source's bytes (unpacked when gzip-compressed) and what is known of them.
struct Loaded
{
    std::string bytes;
    std::string name;    // the path or the address after redirects, for messages
    std::string address; // the address after redirects; empty for a file
    std::string contentType;
    std::string charset;
};

// The path a source names: itself, or the path of a "file://" address.
std::string FilePathOf(const std::string& source)
{
    if (LinkScheme(source) != "file")
        return source;
    std::string_view rest = std::string_view(source).substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    return DecodePercent(rest);
}

// A file's bytes, refusing what is not a regular file or is larger than `limit`, before reading.
std::string ReadLimitedFile(const std::string& path, std::size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw ImportError("The file " + path + " does not exist.");
        throw ImportError("The file " + path + " cannot be read: " + std::strerror(errno) + ".");
    }
    struct Closer
    {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw ImportError(path + " is not a file.");
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        throw ImportError(path + " is larger than " + DataSizeText(limit) +
                          ", more than can be imported.");
    std::string bytes;
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw ImportError("The file " + path + " cannot be read: " + std::strerror(errno) +
                              ".");
        if (n == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            throw ImportError(path + " is larger than " + DataSizeText(limit) +
                              ", more than can be imported.");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

Loaded Load(const std::string& source, const ImportOptions& options)
{
    Loaded loaded;
    if (IsWebAddress(source)) {
        FetchedDocument fetched = FetchAddress(source, options.limits, options.progress);
        loaded.bytes = std::move(fetched.bytes);
        loaded.address = fetched.address;
        loaded.name = std::move(fetched.address);
        loaded.contentType = std::move(fetched.contentType);
        loaded.charset = std::move(fetched.charset);
    } else {
        loaded.name = FilePathOf(source);
        loaded.bytes = ReadLimitedFile(loaded.name, options.limits.bytes);
    }
    if (IsGzip(loaded.bytes))
        loaded.bytes = Gunzip(loaded.bytes, options.limits.bytes, loaded.name);
    return loaded;
}

bool LooksBinary(std::string_view bytes)
{
    return bytes.substr(0, 4096).find('\0') != std::string_view::npos;
}

// A page the server sends as something else than HTML, or a file that holds no text, is
// refused before it is parsed.
void CheckIsPage(const Loaded& loaded)
{
    const std::string& type = loaded.contentType;
    if (!loaded.address.empty() && !type.empty() && type != "text/html" &&
        type != "application/xhtml+xml") {
        if (type.ends_with("/xml") || type.ends_with("+xml"))
            throw ImportError(loaded.name + " is XML but not a sitemap.");
        throw ImportError(loaded.name +
                          " is not an HTML page or a sitemap: the server sends it as " + type +
                          ".");
    }
    if (LooksBinary(loaded.bytes))
        throw ImportError(loaded.name + " is not an HTML page or a sitemap.");
}

// The source of a sitemap that an index lists: relative to the index's address or folder.
std::string SitemapSource(const Loaded& index, const std::string& location)
{
    if (!index.address.empty())
        return ResolveAddress(index.address, location);
    if (IsWebAddress(location) || LinkScheme(location) == "file" || location.starts_with('/'))
        return location;
    const std::size_t slash = index.name.rfind('/');
    return slash == std::string::npos ? location : index.name.substr(0, slash + 1) + location;
}

void ReadSitemap(const Loaded& loaded, const ImportOptions& options, ImportOffer& offer)
{
    SitemapDocument sitemap = ReadSitemapXml(loaded.bytes, loaded.name);
    std::vector<std::string> addresses;
    if (!sitemap.isIndex) {
        addresses = std::move(sitemap.locations);
    } else {
        const std::size_t listed = sitemap.locations.size();
        if (listed > kMaxIndexedSitemaps) {
            sitemap.locations.resize(kMaxIndexedSitemaps);
            offer.notes.push_back(loaded.name + " lists " + std::to_string(listed) +
                                  " sitemaps; the first " + std::to_string(kMaxIndexedSitemaps) +
                                  " were read.");
        }
        bool anyRead = false;
        for (const std::string& location : sitemap.locations) {
            if (options.progress && !options.progress(0, 0))
                throw ImportCancelled();
            try {
                const Loaded child = Load(SitemapSource(loaded, location), options);
                SitemapDocument entries = ReadSitemapXml(child.bytes, child.name);
                if (entries.isIndex) {
                    offer.notes.push_back(child.name +
                                          " is a sitemap index itself; it was left out.");
                    continue;
                }
                for (std::string& address : entries.locations)
                    addresses.push_back(child.address.empty() || IsWebAddress(address)
                                            ? std::move(address)
                                            : ResolveAddress(child.address, address));
                anyRead = true;
            } catch (const ImportCancelled&) {
                throw;
            } catch (const ImportError& error) {
                offer.notes.push_back(error.what());
            }
        }
        if (!anyRead)
            throw ImportError("None of the sitemaps that " + loaded.name + " lists could be read." +
                              (offer.notes.empty() ? "" : "\n\n" + offer.notes.front()));
    }
    if (!loaded.address.empty())
        for (std::string& address : addresses)
            if (!IsWebAddress(address))
                address = ResolveAddress(loaded.address, address);

    NavCandidate candidate;
    candidate.kind = NavCandidate::Kind::Sitemap;
    candidate.items = SitemapTree(addresses);
    FinishCandidate(candidate, false);
    candidate.label =
        std::to_string(addresses.size()) + (addresses.size() == 1 ? " address" : " addresses");
    if (candidate.linkCount == 0)
        throw ImportError(loaded.name + " lists no address that can be imported.");
    offer.candidates.push_back(std::move(candidate));
}

} // namespace

ImportOffer ReadImportSource(const std::string& source, const ImportOptions& options)
{
    if (CleanLink(source).empty())
        throw ImportError("Give a file or an http or https address to import from.");
    const Loaded loaded = Load(source, options);
    ImportOffer offer;
    offer.source = loaded.name;
    offer.fromNetwork = !loaded.address.empty();
    if (LooksLikeSitemap(loaded.bytes)) {
        ReadSitemap(loaded, options, offer);
        return offer;
    }
    CheckIsPage(loaded);
    PageNavigation navigation;
    try {
        navigation = ReadPageNavigation(loaded.bytes, loaded.address, loaded.charset);
    } catch (const PageTooDeep& deep) {
        throw ImportError(loaded.name + " cannot be imported. " + deep.what());
    }
    if (navigation.candidates.empty())
        throw ImportError("No links were found in " + loaded.name + ".");
    offer.candidates = std::move(navigation.candidates);
    offer.preselected = navigation.preselected;
    return offer;
}

std::vector<std::unique_ptr<MenuItem>> MakeImportedItems(const std::vector<ImportedItem>& items,
                                                         std::int32_t& itemCounter)
{
    // Built in a tree of their own (appending in tree order is linear), then taken out of it.
    MenuTree built;
    std::vector<MenuItem*> parents; // by level, the last item of each level above
    for (const ImportedItem& item : items) {
        std::string number = NextUntitledText(itemCounter);
        TMyRec rec;
        rec.Link = item.link;
        const auto level = static_cast<std::size_t>(std::max(item.level, 0));
        parents.resize(std::min(level, parents.size()));
        MenuItem* parent = parents.empty() ? nullptr : parents.back();
        MenuItem* added = built.AppendChild(parent, item.text.empty() ? number : item.text, rec);
        parents.push_back(added);
    }
    std::vector<std::unique_ptr<MenuItem>> subtrees(built.RootCount());
    for (std::size_t k = subtrees.size(); k-- > 0;)
        subtrees[k] = built.Detach(built.Root(k));
    return subtrees;
}

void CheckImportFits(const MenuTree& tree, const MenuItem* parent,
                     const std::vector<std::unique_ptr<MenuItem>>& subtrees)
{
    const DesignSizes sizes = DesignSizesWithAppended(tree, parent, subtrees);
    if (sizes.arrays > kMaxCodeBytes)
        throw ImportError("These items cannot be imported: the code for the menu would then take " +
                          DataSizeText(sizes.arrays) + ", more than the " +
                          DataSizeText(kMaxCodeBytes) + " that can be made.");
    if (sizes.sections > kMaxMenuFileBytes)
        throw ImportError("These items cannot be imported: the menu's file would then take " +
                          DataSizeText(sizes.sections) + ", more than the " +
                          DataSizeText(kMaxMenuFileBytes) + " that a menu file may take.");
}

} // namespace qv
