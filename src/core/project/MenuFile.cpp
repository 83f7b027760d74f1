#include "core/project/MenuFile.h"

#include "core/codegen/MenuArrays.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
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

// An open-addressing hash table with linear probing, at most half full, for the reader's
// indexes: entries are small values held in one array, so nothing is allocated per entry. The
// policy gives the hash of a key and of an entry, tells whether an entry holds a key, and which
// entries are empty (a value-initialised entry is).
template <typename Entry, typename Key, typename Policy>
class FlatTable
{
public:
    explicit FlatTable(Policy policy = {}, std::size_t expected = 0) : policy_(policy)
    {
        std::size_t size = 16;
        while (size < expected * 2)
            size *= 2;
        cells_.assign(size, Entry{});
    }

    // The entry holding the key, or nullptr.
    Entry* Find(const Key& key)
    {
        const std::size_t mask = cells_.size() - 1;
        for (std::size_t i = policy_.Hash(key) & mask;; i = (i + 1) & mask) {
            Entry& entry = cells_[i];
            if (policy_.Empty(entry))
                return nullptr;
            if (policy_.Holds(entry, key))
                return &entry;
        }
    }

    // The entry holding the key; an empty one, to be filled in with the key, when there is none.
    Entry& Place(const Key& key)
    {
        if ((count_ + 1) * 2 > cells_.size())
            Grow();
        const std::size_t mask = cells_.size() - 1;
        for (std::size_t i = policy_.Hash(key) & mask;; i = (i + 1) & mask) {
            Entry& entry = cells_[i];
            if (policy_.Empty(entry)) {
                ++count_;
                return entry;
            }
            if (policy_.Holds(entry, key))
                return entry;
        }
    }

    // Starts loading the cell where a lookup of the key begins.
    void Prefetch(const Key& key) const
    {
        __builtin_prefetch(&cells_[policy_.Hash(key) & (cells_.size() - 1)]);
    }

    bool Empty() const { return count_ == 0; }

private:
    void Grow()
    {
        std::vector<Entry> old = std::move(cells_);
        cells_.assign(old.size() * 2, Entry{});
        const std::size_t mask = cells_.size() - 1;
        for (const Entry& entry : old) {
            if (policy_.Empty(entry))
                continue;
            std::size_t i = policy_.HashOf(entry) & mask;
            while (!policy_.Empty(cells_[i]))
                i = (i + 1) & mask;
            cells_[i] = entry;
        }
    }

    Policy policy_;
    std::vector<Entry> cells_;
    std::size_t count_ = 0;
};

std::size_t HashPointer(const void* pointer)
{
    // Fibonacci hashing; the low bits of an address are alike, the product's high bits are not.
    return static_cast<std::size_t>(
        (reinterpret_cast<std::uintptr_t>(pointer) * 0x9E3779B97F4A7C15ull) >> 20);
}

// An item and a number that goes with it.
struct ItemNumber
{
    const MenuItem* item = nullptr;
    std::uint32_t number = 0;
};
struct ItemNumberPolicy
{
    static std::size_t Hash(const MenuItem* item) { return HashPointer(item); }
    static std::size_t HashOf(const ItemNumber& entry) { return HashPointer(entry.item); }
    static bool Holds(const ItemNumber& entry, const MenuItem* item) { return entry.item == item; }
    static bool Empty(const ItemNumber& entry) { return entry.item == nullptr; }
};
using ItemNumbers = FlatTable<ItemNumber, const MenuItem*, ItemNumberPolicy>;

// Sub items by their parent and name: an entry is the sub item, which holds both.
struct ChildKey
{
    const MenuItem* parent;
    std::string_view name;
};
struct ChildPolicy
{
    static std::size_t Hash(const ChildKey& key)
    {
        return std::hash<std::string_view>()(key.name) ^ HashPointer(key.parent);
    }
    static std::size_t HashOf(MenuItem* child)
    {
        return Hash(ChildKey{child->Parent(), child->Rec().MenuName});
    }
    static bool Holds(MenuItem* child, const ChildKey& key)
    {
        return child->Parent() == key.parent && child->Rec().MenuName == key.name;
    }
    static bool Empty(MenuItem* child) { return child == nullptr; }
};
using ChildrenByName = FlatTable<MenuItem*, ChildKey, ChildPolicy>;

// The items of each name: the last one in tree order among those whose order is settled, and
// those added since whose order against it is not known yet.
class ItemsByName
{
public:
    struct Slot
    {
        MenuItem* last;
        std::vector<MenuItem*> unsettled;
    };

    explicit ItemsByName(std::size_t expected) : table_(NamePolicy{&slots_}, expected)
    {
        slots_.reserve(expected);
    }
    ItemsByName(const ItemsByName&) = delete; // the table reads the names of `slots_`
    ItemsByName& operator=(const ItemsByName&) = delete;

    Slot* Find(std::string_view name)
    {
        const NameCell* cell = table_.Find(NameKey{name, Hash(name)});
        return cell == nullptr ? nullptr : &slots_[cell->slot];
    }

    void Prefetch(std::string_view name) const { table_.Prefetch(NameKey{name, Hash(name)}); }

    // The slot of the name; a new one holding `item` when the name is new (then `added`).
    Slot& Add(std::string_view name, MenuItem* item, bool& added)
    {
        const std::size_t hash = Hash(name);
        NameCell& cell = table_.Place(NameKey{name, hash});
        added = cell.slot == kEmpty;
        if (added) {
            cell = NameCell{Tag(hash), static_cast<std::uint32_t>(slots_.size())};
            slots_.push_back(Slot{item, {}});
        }
        return slots_[cell.slot];
    }

private:
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
    // Eight bytes a cell keep the table of a large design small enough for the cache: the low
    // bits of a name's hash choose its cell, the high half is kept to tell names apart. The name
    // itself is read from the slot's items, which all bear it.
    struct NameCell
    {
        std::uint32_t tag = 0;
        std::uint32_t slot = kEmpty;
    };
    struct NameKey
    {
        std::string_view name;
        std::size_t hash;
    };
    static std::size_t Hash(std::string_view name) { return std::hash<std::string_view>()(name); }
    static std::uint32_t Tag(std::size_t hash)
    {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
    }
    struct NamePolicy
    {
        const std::vector<Slot>* slots;
        std::string_view NameOf(const NameCell& cell) const
        {
            return (*slots)[cell.slot].last->Rec().MenuName;
        }
        std::size_t Hash(const NameKey& key) const { return key.hash; }
        std::size_t HashOf(const NameCell& cell) const { return ItemsByName::Hash(NameOf(cell)); }
        bool Holds(const NameCell& cell, const NameKey& key) const
        {
            return cell.tag == Tag(key.hash) && NameOf(cell) == key.name;
        }
        bool Empty(const NameCell& cell) const { return cell.slot == kEmpty; }
    };

    std::vector<Slot> slots_;
    FlatTable<NameCell, NameKey, NamePolicy> table_;
};

// The tree order of items while a hand-edited file appends sub items anywhere, answered in
// O(1) instead of by renumbering the whole tree after every such append. An order-maintenance
// list holds two marks per item, where it begins and where its subtree ends, with labels that
// grow along the list; a new sub item's marks go just before its parent's end mark and a new
// root's at the end, so comparing begin labels compares items in tree order. When two
// neighbours leave no label between them, the smallest aligned window of labels around them
// that is sparse enough is spread out evenly (amortised O(log n) per insertion).
class TreeOrder
{
public:
    explicit TreeOrder(const MenuTree& tree)
    {
        marks_.push_back(Mark{kLow - 1, kNoMark, kTail, kNoMark}); // head
        marks_.push_back(Mark{kHigh, kHead, kNoMark, kNoMark});    // tail
        const std::vector<MenuItem*>& order = tree.PreOrder();
        // The marks in list order: an item's end mark comes when an item of its level or above
        // follows its subtree.
        std::vector<const MenuItem*> open;
        const auto closeTo = [&](std::size_t level) {
            while (open.size() > level) {
                Append(marks_[BeginOf(open.back())].end);
                open.pop_back();
            }
        };
        for (const MenuItem* item : order) {
            closeTo(static_cast<std::size_t>(item->Level()));
            const auto begin = static_cast<std::uint32_t>(marks_.size());
            marks_.push_back(Mark{0, kNoMark, kNoMark, begin + 1});
            marks_.push_back(Mark{0, kNoMark, kNoMark, kNoMark});
            SetBeginOf(item, begin);
            Append(begin);
            open.push_back(item);
        }
        closeTo(0);
        // Evenly spread labels.
        const std::uint64_t gap = (kHigh - kLow) / (marks_.size() - 1);
        std::uint64_t label = kLow;
        for (std::uint32_t m = marks_[kHead].next; m != kTail; m = marks_[m].next, label += gap)
            marks_[m].label = label;
    }

    // Places a new item: as the last sub item of its parent, or as the last root.
    void Added(const MenuItem* item)
    {
        const std::uint32_t before =
            item->Parent() == nullptr ? kTail : marks_[BeginOf(item->Parent())].end;
        const auto begin = static_cast<std::uint32_t>(marks_.size());
        marks_.push_back(Mark{0, kNoMark, kNoMark, begin + 1});
        marks_.push_back(Mark{0, kNoMark, kNoMark, kNoMark});
        SetBeginOf(item, begin);
        InsertBefore(begin, before);
        InsertBefore(begin + 1, before);
    }

    bool Before(const MenuItem* a, const MenuItem* b)
    {
        return marks_[BeginOf(a)].label < marks_[BeginOf(b)].label;
    }

private:
    static constexpr std::uint32_t kNoMark = std::numeric_limits<std::uint32_t>::max();
    static constexpr std::uint32_t kHead = 0, kTail = 1;
    // Items' labels lie in [kLow, kHigh); the head's is below, the tail's is kHigh. Windows are
    // aligned within that range, so they never hold the head or the tail.
    static constexpr std::uint64_t kLow = std::uint64_t{1} << 62;
    static constexpr std::uint64_t kHigh = std::uint64_t{1} << 63;

    struct Mark
    {
        std::uint64_t label;
        std::uint32_t prev, next;
        std::uint32_t end; // a begin mark's end mark
    };

    // Every item of the tree has its marks.
    std::uint32_t BeginOf(const MenuItem* item) { return beginOf_.Find(item)->number; }
    void SetBeginOf(const MenuItem* item, std::uint32_t begin)
    {
        beginOf_.Place(item) = ItemNumber{item, begin};
    }

    // Links a mark in before the tail, without a label (used while building).
    void Append(std::uint32_t m)
    {
        const std::uint32_t last = marks_[kTail].prev;
        marks_[m].prev = last;
        marks_[m].next = kTail;
        marks_[last].next = m;
        marks_[kTail].prev = m;
    }

    void InsertBefore(std::uint32_t m, std::uint32_t next)
    {
        const std::uint32_t prev = marks_[next].prev;
        marks_[m].prev = prev;
        marks_[m].next = next;
        marks_[prev].next = m;
        marks_[next].prev = m;
        const std::uint64_t low = marks_[prev].label, high = marks_[next].label;
        if (high - low >= 2) {
            marks_[m].label = low + (high - low) / 2;
            return;
        }
        Spread(m, prev == kHead ? next : prev);
    }

    // Gives the new mark `m` a label by spreading out the labels of a window around `anchor`, a
    // neighbour of `m` with a label: the smallest aligned window whose marks, `m` included, are
    // few enough for its level (density at most (2/3)^level, the whole range at the last).
    void Spread(std::uint32_t m, std::uint32_t anchor)
    {
        const std::uint64_t at = marks_[anchor].label;
        double allowed = 1.0;
        for (int level = 1;; ++level) {
            const std::uint64_t size = std::uint64_t{1} << level;
            const std::uint64_t base = level >= 62 ? kLow : at & ~(size - 1);
            const std::uint64_t limit = level >= 62 ? kHigh : base + size;
            allowed *= 2.0 / 1.5;
            // The window's marks are a run of the list around the anchor.
            std::uint32_t first = anchor, last = anchor;
            std::uint64_t count = 2; // the anchor and `m`
            const auto inside = [&](std::uint32_t x) {
                return x != m && x != kHead && x != kTail && marks_[x].label >= base &&
                       marks_[x].label < limit;
            };
            for (std::uint32_t x = marks_[first].prev; x == m || inside(x); x = marks_[x].prev)
                if (x != m)
                    first = x, ++count;
            for (std::uint32_t x = marks_[last].next; x == m || inside(x); x = marks_[x].next)
                if (x != m)
                    last = x, ++count;
            if (level < 62 && static_cast<double>(count) > allowed)
                continue;
            // Relabel from the first to the last, `m` included wherever it lies between them.
            if (marks_[first].prev == m)
                first = m;
            if (marks_[last].next == m)
                last = m;
            const std::uint64_t gap = (limit - base) / (count + 1);
            std::uint64_t label = base + gap;
            for (std::uint32_t x = first;; x = marks_[x].next, label += gap) {
                marks_[x].label = label;
                if (x == last)
                    break;
            }
            return;
        }
    }

    std::vector<Mark> marks_;
    ItemNumbers beginOf_;
};

// Finds items by name while a file's entries are added, by the reader's two rules: a path's
// first segment names the last item in tree order with that name, at any level; a further
// segment names the last sub item of the current item with that name. Names are looked up as
// views of the items' own names, which stay in place while the file is read.
class ItemFinder
{
public:
    ItemFinder(MenuTree& tree, std::size_t expected) : tree_(tree), byName_(tree.Count() + expected)
    {
        // Existing items in tree order: each one met later is later in that order.
        for (MenuItem* item : tree.PreOrder()) {
            bool added = false;
            byName_.Add(item->Rec().MenuName, item, added).last = item;
        }
    }

    // A large design's table of names is too large for the cache, and each new item's name is
    // looked up once where nothing has been before: the reader names the items it will meet a few
    // entries ahead, so that their cells are loaded by then.
    void Prefetch(std::string_view name) const { byName_.Prefetch(name); }

    MenuItem* LastNamed(std::string_view name)
    {
        ItemsByName::Slot* slot = byName_.Find(name);
        if (slot == nullptr)
            return nullptr;
        // A sub item appended under an earlier item lands before later items in tree order, so
        // items of one name are compared in that order; a file written by the program has
        // unique names and never gets here.
        if (!slot->unsettled.empty()) {
            if (!order_)
                order_ = std::make_unique<TreeOrder>(tree_);
            for (MenuItem* item : slot->unsettled)
                if (order_->Before(slot->last, item))
                    slot->last = item;
            slot->unsettled.clear();
        }
        return slot->last;
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
        if (byName_.Find(name) == nullptr)
            return nullptr;
        // Otherwise the parent's sub items are indexed by name, once; appends keep it current.
        if (ItemNumber& indexed = indexedParents_.Place(parent); indexed.item == nullptr) {
            indexed.item = parent;
            for (std::size_t k = 0; k < parent->ChildCount(); ++k)
                IndexChild(parent->Child(k));
        }
        MenuItem* const* found = children_.Find(ChildKey{parent, name});
        return found == nullptr ? nullptr : *found;
    }

    MenuItem* Append(MenuItem* parent, std::string text, TMyRec rec)
    {
        MenuItem* item = parent ? tree_.AppendChild(parent, std::move(text), std::move(rec))
                                : tree_.AppendRoot(std::move(text), std::move(rec));
        if (order_)
            order_->Added(item);
        const std::string_view name = item->Rec().MenuName;
        bool added = false;
        ItemsByName::Slot& slot = byName_.Add(name, item, added);
        // A new root is the last item in tree order; a new sub item may not be.
        if (!added) {
            if (parent == nullptr) {
                slot.last = item;
                slot.unsettled.clear();
            } else {
                slot.unsettled.push_back(item);
            }
        }
        // The newest sub item is its parent's last one of that name.
        if (!indexedParents_.Empty() && indexedParents_.Find(parent) != nullptr)
            IndexChild(item);
        return item;
    }

private:
    // A later sub item of a name takes the place of an earlier one.
    void IndexChild(MenuItem* child)
    {
        children_.Place(ChildKey{child->Parent(), child->Rec().MenuName}) = child;
    }

    MenuTree& tree_;
    ItemsByName byName_;
    std::unique_ptr<TreeOrder> order_; // made when items of one name must first be compared
    ItemNumbers indexedParents_;       // the parents whose sub items are in `children_`
    ChildrenByName children_;
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
    d.EraseSections(kMenus);
    d.EraseSections(kMenuData);

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
