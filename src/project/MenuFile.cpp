#include "project/MenuFile.h"

#include "codegen/MenuArrays.h"
#include "support/FileIo.h"
#include "support/StringUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view kMainColors = "Main Colors";
constexpr std::string_view kSubColors = "Sub Colors";
constexpr std::string_view kOptions = "Options";
constexpr std::string_view kMenus = "Menus";
constexpr std::string_view kMenuData = "MenuData";

// Colours are stored as the signed 32-bit number of their value, so a system colour reference
// is negative.
std::int32_t ColorNumber(TColor color)
{
    return static_cast<std::int32_t>(color);
}

// Key names of item i; the buffer is reused from key to key.
class ItemKey
{
public:
    std::string_view operator()(std::string_view prefix, std::size_t i)
    {
        key_.assign(prefix);
        key_ += std::to_string(i);
        return key_;
    }

private:
    std::string key_;
};

// The indexes from `from` up to `count` that may carry a "Menu_" + i key: every i spelled that
// way, in decimal without leading zeros, as the key of some line of the file. Entries without
// that key have no path and add nothing, so only these need reading.
std::vector<std::uint32_t> PathKeyIndexes(const IniDocument& document, std::uint32_t from,
                                          std::int32_t count)
{
    const std::string text = document.Serialise();
    std::vector<std::uint32_t> indexes;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line = TrimBlanks(std::string_view(text).substr(begin, end - begin));
        begin = end + 1;
        line = TrimBlanks(line.substr(0, line.find('=')));
        constexpr std::string_view kPrefix = "menu_";
        if (line.size() <= kPrefix.size() ||
            !EqualsIgnoreCase(line.substr(0, kPrefix.size()), kPrefix))
            continue;
        const std::string_view digits = line.substr(kPrefix.size());
        if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0') ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::uint64_t value = std::stoull(std::string(digits));
        if (value >= from && value < static_cast<std::uint64_t>(count))
            indexes.push_back(static_cast<std::uint32_t>(value));
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

// Finds items by name while a file's entries are added, by the reader's two rules: a path's
// first segment names the last item in tree order with that name, at any level; a further
// segment names the last sub item of the current item with that name. Names are looked up as
// views of the items' own names, which stay in place while the file is read.
class ItemFinder
{
public:
    ItemFinder(MenuTree& tree, std::size_t expected) : tree_(tree)
    {
        byName_.reserve(tree.Count() + expected);
        // Existing items in tree order: each one met later is later in that order.
        for (MenuItem* item : tree.PreOrder())
            byName_[item->Rec().MenuName] = NameSlot{item, {}};
    }

    MenuItem* LastNamed(std::string_view name)
    {
        const auto found = byName_.find(name);
        if (found == byName_.end())
            return nullptr;
        NameSlot& slot = found->second;
        // A sub item appended under an earlier item lands before later items in tree order, so
        // items of one name are compared by their index; a file written by the program has
        // unique names and never gets here.
        if (!slot.unsettled.empty()) {
            for (MenuItem* item : slot.unsettled)
                if (tree_.IndexOf(item) > tree_.IndexOf(slot.last))
                    slot.last = item;
            slot.unsettled.clear();
        }
        return slot.last;
    }

    MenuItem* LastChildNamed(MenuItem* parent, std::string_view name)
    {
        // In a file written by the program the item sought is the parent's newest sub item, or
        // a new one whose name no item has yet.
        if (const std::size_t n = parent->ChildCount(); n > 0) {
            MenuItem* newest = parent->Child(n - 1);
            if (newest->Rec().MenuName == name)
                return newest;
        }
        if (!byName_.contains(name))
            return nullptr;
        // Otherwise the parent's sub items are indexed by name, once; appends keep it current.
        if (indexedParents_.insert(parent).second) {
            for (std::size_t k = 0; k < parent->ChildCount(); ++k) {
                MenuItem* child = parent->Child(k);
                children_[ChildKey{parent, child->Rec().MenuName}] = child;
            }
        }
        const auto found = children_.find(ChildKey{parent, name});
        return found == children_.end() ? nullptr : found->second;
    }

    MenuItem* Append(MenuItem* parent, std::string text, TMyRec rec)
    {
        MenuItem* item = parent ? tree_.AppendChild(parent, std::move(text), std::move(rec))
                                : tree_.AppendRoot(std::move(text), std::move(rec));
        const std::string_view name = item->Rec().MenuName;
        const auto [at, added] = byName_.try_emplace(name, NameSlot{item, {}});
        // A new root is the last item in tree order; a new sub item may not be.
        if (!added) {
            if (parent == nullptr) {
                at->second.last = item;
                at->second.unsettled.clear();
            } else {
                at->second.unsettled.push_back(item);
            }
        }
        // The newest sub item is its parent's last one of that name.
        if (!indexedParents_.empty() && indexedParents_.contains(parent))
            children_[ChildKey{parent, name}] = item;
        return item;
    }

private:
    struct NameSlot
    {
        MenuItem* last;                   // the last in tree order of those settled
        std::vector<MenuItem*> unsettled; // added since, order against `last` not yet known
    };
    struct ChildKey
    {
        const MenuItem* parent;
        std::string_view name;
        bool operator==(const ChildKey&) const = default;
    };
    struct ChildKeyHash
    {
        std::size_t operator()(const ChildKey& key) const noexcept
        {
            return std::hash<std::string_view>()(key.name) ^
                   (std::hash<const MenuItem*>()(key.parent) * 0x9E3779B97F4A7C15ull);
        }
    };

    MenuTree& tree_;
    std::unordered_map<std::string_view, NameSlot> byName_;
    std::unordered_set<const MenuItem*> indexedParents_;
    std::unordered_map<ChildKey, MenuItem*, ChildKeyHash> children_;
};

// Adds the item of entry i, unless it has no path or its whole path exists already. Returns
// whether the entry has a path.
bool ReadEntry(const IniDocument& document, std::uint32_t i, ItemFinder& finder, ItemKey& key)
{
    const std::string path = document.ReadString(kMenus, key("Menu_", i), "");
    if (path.empty())
        return false;
    TMyRec rec;
    rec.Link = document.ReadString(kMenuData, key("MenuLink_", i), "");
    rec.Height = document.ReadInteger(kMenuData, key("MenuHeight", i), 0);
    rec.Width = document.ReadInteger(kMenuData, key("MenuWidth", i), 0);
    std::string text = document.ReadString(kMenuData, key("MenuText_", i), "");

    // Every "\" ends a segment; a final "\" adds no empty segment after it.
    MenuItem* current = nullptr;
    std::size_t begin = 0;
    while (begin < path.size()) {
        std::size_t end = path.find('\\', begin);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view segment = std::string_view(path).substr(begin, end - begin);
        begin = end + 1;
        // Every item the entry adds gets its data; the last one can take it over.
        const bool last = begin >= path.size();
        const auto append = [&](MenuItem* parent, std::string name) {
            TMyRec itemRec = last ? std::move(rec) : rec;
            itemRec.MenuName = std::move(name);
            return finder.Append(parent, last ? std::move(text) : text, std::move(itemRec));
        };
        if (current == nullptr) {
            current = finder.LastNamed(segment);
            if (current == nullptr)
                current = append(nullptr, document.ReadString(kMenuData, key("MenuName_", i), ""));
        } else if (MenuItem* child = finder.LastChildNamed(current, segment)) {
            current = child;
        } else {
            current = append(current, std::string(segment));
        }
    }
    return true;
}

void ReadItems(const IniDocument& document, MenuTree& tree)
{
    const std::int32_t count = document.ReadInteger(kMenus, "MenuCount", 0);
    if (count <= 0)
        return;
    // Entries are read in index order. A hand-edited count can be far larger than the file, so
    // once many entries have had no path, only the indexes that the file names are visited.
    constexpr std::uint32_t kMissesBeforeScan = 4096;
    ItemFinder finder(tree, std::min<std::size_t>(static_cast<std::size_t>(count), 1u << 20));
    ItemKey key;
    std::uint32_t misses = 0;
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(count); ++i) {
        if (misses == kMissesBeforeScan) {
            for (const std::uint32_t named : PathKeyIndexes(document, i, count))
                ReadEntry(document, named, finder, key);
            return;
        }
        if (!ReadEntry(document, i, finder, key))
            ++misses;
    }
}

MenuStyle ReadStyle(const IniDocument& d)
{
    const auto color = [&](std::string_view section, std::string_view key) {
        return static_cast<TColor>(d.ReadInteger(section, key, 0));
    };
    const auto integer = [&](std::string_view key, std::int32_t defaultValue) {
        return d.ReadInteger(kOptions, key, defaultValue);
    };
    const auto flag = [&](std::string_view key) { return d.ReadInteger(kOptions, key, 1) == 1; };
    MenuStyle s;
    s.MainBG = color(kMainColors, "MainBG");
    s.MainMOBG = color(kMainColors, "MainMOBG");
    s.MainFont = color(kMainColors, "MainFont");
    s.MainFontMO = color(kMainColors, "MainFontMO");
    s.MainBorder = color(kMainColors, "MainBorder");
    s.SubBG = color(kSubColors, "SubBG");
    s.SubMOBG = color(kSubColors, "SubMOBG");
    s.SubFont = color(kSubColors, "SubFont");
    s.SubFontMO = color(kSubColors, "SubFontMO");
    s.SubBorder = color(kSubColors, "SubBorder");
    s.MenuType = integer("MenuType", 0);
    s.TextAlign = integer("TextAlign", 0);
    s.HorzAlign = integer("HorzAlign", 0);
    s.VertAlign = integer("VertAlign", 0);
    s.MenuTop = integer("MenuTop", 0);
    s.MenuLeft = integer("MenuLeft", 0);
    s.LeftPadding = integer("LeftPadding", 0);
    s.TopPadding = integer("TopPadding", 0);
    s.BorderWidth = integer("BorderWidth", 0);
    s.OnMouseOver = integer("OnMouseOver", 0);
    s.MenuFont = d.ReadString(kOptions, "MenuFont", "");
    s.FontSize = integer("FontSize", 10);
    s.FontBold = flag("FontBold");
    s.FontItalic = flag("FontItalic");
    s.Arrows = integer("Arrows", 0);
    s.KeepHighlighted = flag("KeepHighlighted");
    s.BorderBetween = flag("BorderBetween");
    return s;
}

} // namespace

std::string ItemPath(const MenuItem& item)
{
    std::vector<const MenuItem*> chain;
    std::size_t size = 0;
    for (const MenuItem* at = &item; at != nullptr; at = at->Parent()) {
        chain.push_back(at);
        size += at->Rec().MenuName.size() + 1;
    }
    std::string path;
    path.reserve(size);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path += '\\';
        path += (*it)->Rec().MenuName;
    }
    return path;
}

void WriteMenuDocument(IniDocument& d, MenuTree& tree, const MenuStyle& s)
{
    // Every section of these names goes, so no key of an earlier design survives.
    while (d.EraseSection(kMenus)) {
    }
    while (d.EraseSection(kMenuData)) {
    }

    d.WriteInteger(kMainColors, "MainBG", ColorNumber(s.MainBG));
    d.WriteInteger(kMainColors, "MainMOBG", ColorNumber(s.MainMOBG));
    d.WriteInteger(kMainColors, "MainFont", ColorNumber(s.MainFont));
    d.WriteInteger(kMainColors, "MainFontMO", ColorNumber(s.MainFontMO));
    d.WriteInteger(kMainColors, "MainBorder", ColorNumber(s.MainBorder));
    d.WriteInteger(kSubColors, "SubBG", ColorNumber(s.SubBG));
    d.WriteInteger(kSubColors, "SubMOBG", ColorNumber(s.SubMOBG));
    d.WriteInteger(kSubColors, "SubFont", ColorNumber(s.SubFont));
    d.WriteInteger(kSubColors, "SubFontMO", ColorNumber(s.SubFontMO));
    d.WriteInteger(kSubColors, "SubBorder", ColorNumber(s.SubBorder));
    d.WriteInteger(kOptions, "MenuType", s.MenuType);
    d.WriteInteger(kOptions, "TextAlign", s.TextAlign);
    d.WriteInteger(kOptions, "HorzAlign", s.HorzAlign);
    d.WriteInteger(kOptions, "VertAlign", s.VertAlign);
    d.WriteInteger(kOptions, "MenuTop", s.MenuTop);
    d.WriteInteger(kOptions, "MenuLeft", s.MenuLeft);
    d.WriteInteger(kOptions, "LeftPadding", s.LeftPadding);
    d.WriteInteger(kOptions, "TopPadding", s.TopPadding);
    d.WriteInteger(kOptions, "BorderWidth", s.BorderWidth);
    d.WriteInteger(kOptions, "OnMouseOver", s.OnMouseOver);
    d.WriteString(kOptions, "MenuFont", s.MenuFont);
    d.WriteInteger(kOptions, "FontSize", s.FontSize);
    d.WriteInteger(kOptions, "FontBold", s.FontBold ? 1 : 0);
    d.WriteInteger(kOptions, "FontItalic", s.FontItalic ? 1 : 0);
    // Without an arrow choice the key is left as the file has it.
    if (s.Arrows >= kArrowsNone && s.Arrows <= kArrowsDark)
        d.WriteInteger(kOptions, "Arrows", s.Arrows);
    d.WriteInteger(kOptions, "KeepHighlighted", s.KeepHighlighted ? 1 : 0);
    d.WriteInteger(kOptions, "BorderBetween", s.BorderBetween ? 1 : 0);

    NameMenuItems(tree);
    const auto& order = tree.PreOrder();
    d.WriteInteger(kMenus, "MenuCount", static_cast<std::int32_t>(order.size()));

    // The path of the current item is kept in one buffer: in tree order the items before it
    // include its ancestors, and pathEnds[level] is where the path of its ancestor at that level
    // ends, so each path costs only its own name.
    std::string path;
    std::vector<std::size_t> pathEnds;
    ItemKey key;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem& item = *order[i];
        const TMyRec& rec = item.Rec();
        const auto level = static_cast<std::size_t>(item.Level());
        path.resize(level == 0 ? 0 : pathEnds[level - 1]);
        if (level > 0)
            path += '\\';
        path += rec.MenuName;
        pathEnds.resize(level + 1);
        pathEnds[level] = path.size();

        d.WriteString(kMenus, key("Menu_", i), path);
        d.WriteString(kMenuData, key("MenuName_", i), rec.MenuName);
        d.WriteString(kMenuData, key("MenuText_", i), item.Text());
        d.WriteString(kMenuData, key("MenuLink_", i), rec.Link);
        d.WriteInteger(kMenuData, key("MenuHeight", i), rec.Height);
        d.WriteInteger(kMenuData, key("MenuWidth", i), rec.Width);
    }
}

void WriteMenuFile(const std::string& path, MenuTree& tree, const MenuStyle& style)
{
    IniDocument document = IniDocument::Load(path);
    try {
        WriteMenuDocument(document, tree, style);
    } catch (const std::exception&) {
        // Nothing has touched the file yet; the caller learns that the save failed.
        throw FileError(FormatMessage(kUnableToWrite, path));
    }
    document.Save(path);
}

IniDocument LoadMenuDocument(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return IniDocument();
        throw FileError(FormatMessage(kCannotOpenFile, path));
    }
    // A folder or a device is not a design; reading a FIFO could block for ever.
    if (!S_ISREG(st.st_mode))
        throw FileError(FormatMessage(kCannotOpenFile, path));
    return IniDocument::Parse(ReadFileBytes(path));
}

MenuStyle ReadMenuDocument(const IniDocument& document, MenuTree& tree)
{
    ReadItems(document, tree);
    return ReadStyle(document);
}

MenuStyle ReadMenuFile(const std::string& path, MenuTree& tree)
{
    return ReadMenuDocument(LoadMenuDocument(path), tree);
}

} // namespace qv
