#include "core/project/MenuFile.h"

#include "core/codegen/MenuArrays.h"
#include "core/project/ItemFinder.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view kMainColors = "Main Colors";
constexpr std::string_view kSubColors = "Sub Colors";
constexpr std::string_view kOptions = "Options";
constexpr std::string_view kMenus = "Menus";
constexpr std::string_view kMenuData = "MenuData";
constexpr std::string_view kPublish = "Publish";

// Colours are stored as the signed 32-bit number of their value, so a system colour reference
// is negative.
std::int32_t ColorNumber(TColor color)
{
    return static_cast<std::int32_t>(color);
}

// The member of MenuStyle that a style key holds, by its kind: a colour, a number or code, a flag
// or a text.
using StyleMember = std::variant<TColor MenuStyle::*, std::int32_t MenuStyle::*, bool MenuStyle::*,
                                 std::string MenuStyle::*>;

// One of the 27 style settings as the project file holds it. A colour is written as the signed
// number of its value, a flag as 1 or 0, a text as it is.
struct StyleKey
{
    std::string_view section;
    std::string_view key;
    StyleMember member;
    // What a missing key, or a value that is no integer, reads as (texts read as empty); a flag
    // is on exactly when it reads 1.
    std::int32_t readDefault = 0;
    // A code written only when it is one of its list's codes 0 to choices - 1: without a choice
    // the key is left as the file has it. 0 for a setting that is always written.
    std::int32_t choices = 0;
};

// In the order in which a new file gets them.
const std::array<StyleKey, 27> kStyleKeys = {{
    {kMainColors, "MainBG", &MenuStyle::MainBG},
    {kMainColors, "MainMOBG", &MenuStyle::MainMOBG},
    {kMainColors, "MainFont", &MenuStyle::MainFont},
    {kMainColors, "MainFontMO", &MenuStyle::MainFontMO},
    {kMainColors, "MainBorder", &MenuStyle::MainBorder},
    {kSubColors, "SubBG", &MenuStyle::SubBG},
    {kSubColors, "SubMOBG", &MenuStyle::SubMOBG},
    {kSubColors, "SubFont", &MenuStyle::SubFont},
    {kSubColors, "SubFontMO", &MenuStyle::SubFontMO},
    {kSubColors, "SubBorder", &MenuStyle::SubBorder},
    {kOptions, "MenuType", &MenuStyle::MenuType},
    {kOptions, "TextAlign", &MenuStyle::TextAlign},
    {kOptions, "HorzAlign", &MenuStyle::HorzAlign},
    {kOptions, "VertAlign", &MenuStyle::VertAlign},
    {kOptions, "MenuTop", &MenuStyle::MenuTop},
    {kOptions, "MenuLeft", &MenuStyle::MenuLeft},
    {kOptions, "LeftPadding", &MenuStyle::LeftPadding},
    {kOptions, "TopPadding", &MenuStyle::TopPadding},
    {kOptions, "BorderWidth", &MenuStyle::BorderWidth},
    {kOptions, "OnMouseOver", &MenuStyle::OnMouseOver},
    {kOptions, "MenuFont", &MenuStyle::MenuFont},
    {kOptions, "FontSize", &MenuStyle::FontSize, 10},
    {kOptions, "FontBold", &MenuStyle::FontBold, 1},
    {kOptions, "FontItalic", &MenuStyle::FontItalic, 1},
    {kOptions, "Arrows", &MenuStyle::Arrows, 0, kArrowsDark + 1},
    {kOptions, "KeepHighlighted", &MenuStyle::KeepHighlighted, 1},
    {kOptions, "BorderBetween", &MenuStyle::BorderBetween, 1},
}};

// One handler for each kind of style member, for std::visit.
template <typename... Kinds>
struct ForEachKind : Kinds...
{
    using Kinds::operator()...;
};
template <typename... Kinds>
ForEachKind(Kinds...) -> ForEachKind<Kinds...>;

// Key names of item i; the buffer is reused from key to key.
class ItemKey
{
public:
    std::string_view operator()(std::string_view prefix, std::size_t i)
    {
        m_key.assign(prefix);
        m_key += std::to_string(i);
        return m_key;
    }

private:
    std::string m_key;
};

// The data keys of an entry in "MenuData", in the order the writer puts them.
enum DataField : std::uint8_t { kName, kText, kLink, kHeight, kWidth, kFieldCount };

// An entry of the file: its index and its path from "Menus".
struct Entry
{
    std::uint32_t index = 0;
    std::string_view path;
};

// An entry's values from "MenuData": the texts of the first key line of each field.
struct EntryData
{
    std::array<std::string_view, kFieldCount> field{};
    std::uint8_t seen = 0; // the fields whose first key line has been met
};

// Whether `name` starts with `prefix`, which is given in lower case, in any letter case.
bool StartsWithFolded(std::string_view name, std::string_view prefix)
{
    if (name.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = name[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i])
            return false;
    }
    return true;
}

// The entry index of an item key: the prefix (given in lower case) in any letter case, then the
// index in decimal without leading zeros ("Menu_07" belongs to no entry). Nothing for any other
// name, nor for an index that no count can reach.
std::optional<std::uint32_t> EntryIndex(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || !StartsWithFolded(name, prefix))
        return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// The field and entry index of a "MenuData" key; nothing for any other name.
std::optional<std::pair<DataField, std::uint32_t>> DataKey(std::string_view name)
{
    static constexpr std::array<std::string_view, kFieldCount> kPrefixes = {
        "menuname_", "menutext_", "menulink_", "menuheight", "menuwidth"};
    // The letter after "Menu" tells the prefixes apart.
    if (name.size() <= 4)
        return std::nullopt;
    DataField field;
    switch (name[4]) {
    case 'N':
    case 'n':
        field = kName;
        break;
    case 'T':
    case 't':
        field = kText;
        break;
    case 'L':
    case 'l':
        field = kLink;
        break;
    case 'H':
    case 'h':
        field = kHeight;
        break;
    case 'W':
    case 'w':
        field = kWidth;
        break;
    default:
        return std::nullopt;
    }
    const auto index = EntryIndex(name, kPrefixes[field]);
    if (!index)
        return std::nullopt;
    return std::pair{field, *index};
}

constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

// The position of an index among entries sorted by index, or kNoEntry. The program writes an
// entry's data keys together and the entries in order, so the entry found last or the next one
// is tried first.
std::size_t FindEntry(const std::vector<Entry>& entries, std::uint32_t index, std::size_t& hint)
{
    for (std::size_t at = hint; at < entries.size() && at <= hint + 1; ++at) {
        if (entries[at].index == index) {
            hint = at;
            return at;
        }
    }
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), index,
        [](const Entry& entry, std::uint32_t value) { return entry.index < value; });
    if (found == entries.end() || found->index != index)
        return kNoEntry;
    hint = static_cast<std::size_t>(found - entries.begin());
    return hint;
}

// The entries below the file's count that have a "Menu_" key, in index order, with their data:
// of each name the first key line counts (the line Value() finds; one without '=' gives an empty
// text). Two passes over the two sections' lines, whatever the count says. The texts are views
// of the document's lines.
struct Entries
{
    std::vector<Entry> entries;
    std::vector<EntryData> data; // data[k] belongs to entries[k]
};

Entries ReadEntries(const IniDocument& document)
{
    Entries read;
    std::vector<Entry>& entries = read.entries;
    bool countSeen = false;
    std::optional<std::string_view> countText;
    for (auto keys = document.Keys(kMenus); keys.Next();) {
        if (const auto index = EntryIndex(keys.Name(), "menu_")) {
            entries.push_back(Entry{*index, keys.Value().value_or("")});
        } else if (!countSeen && EqualsIgnoreCase(keys.Name(), "MenuCount")) {
            countSeen = true;
            countText = keys.Value();
        }
    }
    const std::int32_t count = countText ? ParseProfileInteger(*countText).value_or(0) : 0;
    if (count <= 0)
        return {};
    std::erase_if(entries, [&](const Entry& entry) {
        return entry.index >= static_cast<std::uint32_t>(count);
    });
    // Of the lines of one index the first counts: a stable order keeps it first among them.
    const auto byIndex = [](const Entry& a, const Entry& b) { return a.index < b.index; };
    if (!std::is_sorted(entries.begin(), entries.end(), byIndex))
        std::stable_sort(entries.begin(), entries.end(), byIndex);
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.index == b.index; }),
                  entries.end());

    read.data.resize(entries.size());
    std::size_t hint = 0;
    for (auto keys = document.Keys(kMenuData); keys.Next();) {
        const auto key = DataKey(keys.Name());
        if (!key)
            continue;
        const std::size_t at = FindEntry(entries, key->second, hint);
        if (at == kNoEntry)
            continue;
        EntryData& data = read.data[at];
        const auto bit = static_cast<std::uint8_t>(1u << key->first);
        if ((data.seen & bit) != 0)
            continue;
        data.seen |= bit;
        data.field[key->first] = keys.Value().value_or("");
    }
    return read;
}

// Adds the items of an entry with a path, unless its whole path exists already.
void AddEntry(std::string_view path, const EntryData& data, ItemFinder& finder)
{
    TMyRec rec;
    rec.Link = std::string(data.field[kLink]);
    rec.Height = ParseProfileInteger(data.field[kHeight]).value_or(0);
    rec.Width = ParseProfileInteger(data.field[kWidth]).value_or(0);
    std::string text(data.field[kText]);

    // Every "\" ends a segment; a final "\" adds no empty segment after it.
    MenuItem* current = nullptr;
    std::size_t begin = 0;
    while (begin < path.size()) {
        std::size_t end = path.find('\\', begin);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(begin, end - begin);
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
                current = append(nullptr, std::string(data.field[kName]));
        } else if (MenuItem* child = finder.LastChildNamed(current, segment)) {
            current = child;
        } else {
            current = append(current, std::string(segment));
        }
    }
}

void ReadItems(const IniDocument& document, MenuTree& tree)
{
    const Entries read = ReadEntries(document);
    const std::vector<Entry>& entries = read.entries;
    if (entries.empty())
        return;
    ItemFinder finder(tree, entries.size());
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (k + kAhead < entries.size()) {
            // The name looked up for a new item: its path's last segment.
            const std::string_view ahead = entries[k + kAhead].path;
            const std::size_t slash = ahead.rfind('\\');
            finder.Prefetch(slash == std::string_view::npos ? ahead : ahead.substr(slash + 1));
        }
        if (!entries[k].path.empty())
            AddEntry(entries[k].path, read.data[k], finder);
    }
}

MenuStyle ReadStyle(const IniDocument& d)
{
    MenuStyle s;
    for (const StyleKey& k : kStyleKeys) {
        const auto number = [&] { return d.ReadInteger(k.section, k.key, k.readDefault); };
        std::visit(
            ForEachKind{
                [&](TColor MenuStyle::*color) { s.*color = static_cast<TColor>(number()); },
                [&](std::int32_t MenuStyle::*code) { s.*code = number(); },
                [&](bool MenuStyle::*flag) { s.*flag = number() == 1; },
                [&](std::string MenuStyle::*text) { s.*text = d.ReadString(k.section, k.key, ""); },
            },
            k.member);
    }
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
    d.EraseSections(kMenus);
    d.EraseSections(kMenuData);

    for (const StyleKey& k : kStyleKeys) {
        std::visit(
            ForEachKind{
                [&](TColor MenuStyle::*color) {
                    d.WriteInteger(k.section, k.key, ColorNumber(s.*color));
                },
                [&](std::int32_t MenuStyle::*code) {
                    if (k.choices == 0 || (s.*code >= 0 && s.*code < k.choices))
                        d.WriteInteger(k.section, k.key, s.*code);
                },
                [&](bool MenuStyle::*flag) { d.WriteInteger(k.section, k.key, s.*flag ? 1 : 0); },
                [&](std::string MenuStyle::*text) { d.WriteString(k.section, k.key, s.*text); },
            },
            k.member);
    }

    NameMenuItems(tree);
    const auto& order = tree.PreOrder();
    // Both sections were erased above and every key name below is new, so the keys are appended
    // without looking for them. "Menus" is written whole before "MenuData" is begun: the file is
    // the same as when the keys of each item go into both in turn.
    d.AppendInteger(kMenus, "MenuCount", static_cast<std::int32_t>(order.size()));

    // The path of the current item is kept in one buffer: in tree order the items before it
    // include its ancestors, and pathEnds[level] is where the path of its ancestor at that level
    // ends, so each path costs only its own name.
    std::string path;
    std::vector<std::size_t> pathEnds;
    ItemKey key;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem& item = *order[i];
        const auto level = static_cast<std::size_t>(item.Level());
        path.resize(level == 0 ? 0 : pathEnds[level - 1]);
        if (level > 0)
            path += '\\';
        path += item.Rec().MenuName;
        pathEnds.resize(level + 1);
        pathEnds[level] = path.size();
        d.AppendString(kMenus, key("Menu_", i), path);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem& item = *order[i];
        const TMyRec& rec = item.Rec();
        d.AppendString(kMenuData, key("MenuName_", i), rec.MenuName);
        d.AppendString(kMenuData, key("MenuText_", i), item.Text());
        d.AppendString(kMenuData, key("MenuLink_", i), rec.Link);
        d.AppendInteger(kMenuData, key("MenuHeight", i), rec.Height);
        d.AppendInteger(kMenuData, key("MenuWidth", i), rec.Width);
    }
}

void WriteMenuFile(const std::string& path, MenuTree& tree, const MenuStyle& style,
                   const PublishSettings* publish)
{
    IniDocument document = IniDocument::Load(path);
    try {
        WriteMenuDocument(document, tree, style);
        if (publish != nullptr)
            WritePublishSettings(document, *publish, path);
    } catch (const std::exception&) {
        // Nothing has touched the file yet; the caller learns that the save failed.
        throw FileError(FormatMessage(kUnableToWrite, path));
    }
    document.Save(path);
}

IniDocument LoadMenuDocument(const std::string& path)
{
    // A folder or a device is not a design; reading a FIFO could block for ever.
    std::string bytes;
    switch (ReadRegularFile(path, bytes)) {
    case FileState::Missing:
        return IniDocument();
    case FileState::Unreadable:
        throw FileError(FormatMessage(kCannotOpenFile, path));
    case FileState::Read:
        break;
    }
    return IniDocument::Parse(std::move(bytes));
}

bool IsNewDesignFile(const std::string& path)
{
    // A dangling link counts as missing too: what is not there cannot be read.
    std::error_code error;
    return std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found;
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

namespace {

std::filesystem::path ProjectFolder(const std::string& projectPath)
{
    return std::filesystem::absolute(std::filesystem::path(projectPath)).parent_path();
}

// A folder as one absolute path: "." and ".." worked out, no '/' at the end.
std::string CleanFolder(const std::filesystem::path& folder, const std::string& projectPath)
{
    std::string clean =
        (folder.is_absolute() ? folder : ProjectFolder(projectPath) / folder).lexically_normal();
    if (clean.size() > 1 && clean.ends_with('/'))
        clean.pop_back();
    return clean;
}

} // namespace

std::optional<PublishSettings> ReadPublishSettings(const IniDocument& d,
                                                   const std::string& projectPath)
{
    if (!d.HasSection(kPublish))
        return std::nullopt;
    PublishSettings settings;
    const std::string site = d.ReadString(kPublish, "SiteFolder", "");
    if (!site.empty())
        settings.siteFolder = CleanFolder(site, projectPath);
    settings.menuFolder = d.ReadString(kPublish, "MenuFolder", "");
    settings.menuName = d.ReadString(kPublish, "MenuName", "");
    const std::int32_t count = d.ReadInteger(kPublish, "LeftOutCount", 0);
    ItemKey key;
    for (std::int32_t i = 0; i < count && i < (1 << 24); ++i) {
        std::string page = d.ReadString(kPublish, key("LeftOut_", static_cast<std::size_t>(i)), "");
        if (!page.empty())
            settings.leftOut.push_back(std::move(page));
    }
    return settings;
}

bool WritePublishSettings(IniDocument& d, const PublishSettings& given,
                          const std::string& projectPath)
{
    PublishSettings settings = given;
    if (!settings.siteFolder.empty())
        settings.siteFolder = CleanFolder(settings.siteFolder, projectPath);
    if (ReadPublishSettings(d, projectPath) == settings)
        return false;
    d.EraseSections(kPublish);
    std::string site;
    if (!settings.siteFolder.empty()) {
        site = std::filesystem::path(settings.siteFolder)
                   .lexically_relative(ProjectFolder(projectPath).lexically_normal())
                   .string();
        if (site.empty())
            site = settings.siteFolder;
    }
    d.AppendString(kPublish, "SiteFolder", site);
    d.AppendString(kPublish, "MenuFolder", settings.menuFolder);
    d.AppendString(kPublish, "MenuName", settings.menuName);
    d.AppendInteger(kPublish, "LeftOutCount", static_cast<std::int32_t>(settings.leftOut.size()));
    ItemKey key;
    for (std::size_t i = 0; i < settings.leftOut.size(); ++i)
        d.AppendString(kPublish, key("LeftOut_", i), settings.leftOut[i]);
    return true;
}

void SavePublishSettings(const std::string& projectPath, const PublishSettings& settings)
{
    IniDocument document = IniDocument::Load(projectPath);
    try {
        if (!WritePublishSettings(document, settings, projectPath))
            return;
    } catch (const std::exception&) {
        throw FileError(FormatMessage(kUnableToWrite, projectPath));
    }
    document.Save(projectPath);
}

} // namespace qv
