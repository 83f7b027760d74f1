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

// The indexes that may carry a "Menu_" + i key: every i spelled that way, in decimal without
// leading zeros, as the key of some line of the file. Entries without that key have no path and
// add nothing, so only these need reading; a count far larger than the file's content then
// costs nothing.
std::vector<std::uint32_t> PathKeyIndexes(const IniDocument& document, std::int32_t count)
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
        if (line.size() <= kPrefix.size() || !EqualsIgnoreCase(line.substr(0, 5), kPrefix))
            continue;
        const std::string_view digits = line.substr(kPrefix.size());
        if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0') ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::uint64_t value = std::stoull(std::string(digits));
        if (value < static_cast<std::uint64_t>(count))
            indexes.push_back(static_cast<std::uint32_t>(value));
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

// Finds items by name while a file's entries are added, by the reader's two rules: a path's
// first segment names the last item in tree order with that name, at any level; a further
// segment names the last sub item of the current item with that name.
class ItemFinder
{
public:
    explicit ItemFinder(MenuTree& tree) : tree_(tree)
    {
        // Existing items in tree order: each one found later is later in that order.
        for (MenuItem* item : tree.PreOrder()) {
            byName_[item->Rec().MenuName] = {item};
            children_[ChildKey{item->Parent(), item->Rec().MenuName}] = item;
        }
    }

    MenuItem* LastNamed(const std::string& name)
    {
        const auto found = byName_.find(name);
        if (found == byName_.end())
            return nullptr;
        std::vector<MenuItem*>& items = found->second;
        // An item appended under an earlier item lands before later ones in tree order, so the
        // items of one name are compared by their index; a file written by the program has
        // unique names and never gets here.
        if (items.size() > 1) {
            MenuItem* last =
                *std::max_element(items.begin(), items.end(), [&](MenuItem* a, MenuItem* b) {
                    return tree_.IndexOf(a) < tree_.IndexOf(b);
                });
            items.assign(1, last);
        }
        return items.front();
    }

    MenuItem* LastChildNamed(MenuItem* parent, const std::string& name) const
    {
        const auto found = children_.find(ChildKey{parent, name});
        return found == children_.end() ? nullptr : found->second;
    }

    MenuItem* Append(MenuItem* parent, std::string text, TMyRec rec)
    {
        MenuItem* item = parent ? tree_.AppendChild(parent, std::move(text), std::move(rec))
                                : tree_.AppendRoot(std::move(text), std::move(rec));
        const std::string& name = item->Rec().MenuName;
        // A new root is the last item in tree order; a sub item may not be.
        if (parent == nullptr)
            byName_[name].assign(1, item);
        else
            byName_[name].push_back(item);
        // The newest sub item is its parent's last one.
        children_[ChildKey{parent, name}] = item;
        return item;
    }

private:
    struct ChildKey
    {
        const MenuItem* parent;
        std::string name;
        bool operator==(const ChildKey&) const = default;
    };
    struct ChildKeyHash
    {
        std::size_t operator()(const ChildKey& key) const noexcept
        {
            return std::hash<std::string>()(key.name) * 31 +
                   std::hash<const MenuItem*>()(key.parent);
        }
    };

    MenuTree& tree_;
    std::unordered_map<std::string, std::vector<MenuItem*>> byName_;
    std::unordered_map<ChildKey, MenuItem*, ChildKeyHash> children_;
};

void ReadItems(const IniDocument& document, MenuTree& tree)
{
    const std::int32_t count = document.ReadInteger(kMenus, "MenuCount", 0);
    if (count <= 0)
        return;
    ItemFinder finder(tree);
    ItemKey key;
    std::string segment;
    for (const std::uint32_t i : PathKeyIndexes(document, count)) {
        const std::string path = document.ReadString(kMenus, key("Menu_", i), "");
        if (path.empty())
            continue;
        TMyRec rec;
        rec.Link = document.ReadString(kMenuData, key("MenuLink_", i), "");
        rec.Height = document.ReadInteger(kMenuData, key("MenuHeight", i), 0);
        rec.Width = document.ReadInteger(kMenuData, key("MenuWidth", i), 0);
        const std::string text = document.ReadString(kMenuData, key("MenuText_", i), "");

        // Every "\" ends a segment; a final "\" adds no empty segment after it.
        MenuItem* current = nullptr;
        std::size_t begin = 0;
        while (begin < path.size()) {
            std::size_t end = path.find('\\', begin);
            if (end == std::string::npos)
                end = path.size();
            segment.assign(path, begin, end - begin);
            begin = end + 1;
            if (current == nullptr) {
                current = finder.LastNamed(segment);
                if (current == nullptr) {
                    TMyRec rootRec = rec;
                    rootRec.MenuName = document.ReadString(kMenuData, key("MenuName_", i), "");
                    current = finder.Append(nullptr, text, std::move(rootRec));
                }
            } else if (MenuItem* child = finder.LastChildNamed(current, segment)) {
                current = child;
            } else {
                TMyRec childRec = rec;
                childRec.MenuName = segment;
                current = finder.Append(current, text, std::move(childRec));
            }
        }
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
