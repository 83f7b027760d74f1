#include "core/project/ItemFinder.h"

#include "core/support/FlatHashTable.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace qv {

namespace {

std::uint64_t HashPointer(const void* pointer)
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::uint64_t HashName(std::string_view name)
{
    return std::hash<std::string_view>()(name);
}

// An item and a number that goes with it.
struct ItemNumber
{
    const MenuItem* item = nullptr;
    std::uint32_t number = 0;
};

// Numbers by item.
class ItemNumbers
{
public:
    ItemNumber* Find(const MenuItem* item) { return m_table.Find(HashPointer(item), Holds{item}); }
    // The entry of the item; an empty one, to be filled in with the item, when there is none.
    ItemNumber& Place(const MenuItem* item)
    {
        return m_table.Place(HashPointer(item), Holds{item});
    }
    bool Empty() const { return m_table.Empty(); }

private:
    struct Traits
    {
        static bool IsEmpty(const ItemNumber& entry) { return entry.item == nullptr; }
        static std::uint64_t HashOf(const ItemNumber& entry) { return HashPointer(entry.item); }
    };
    struct Holds
    {
        const MenuItem* item;
        bool operator()(const ItemNumber& entry) const { return entry.item == item; }
    };

    FlatHashTable<ItemNumber, Traits> m_table;
};

// Sub items by their parent and name: an entry is the sub item, which holds both.
class ChildrenByName
{
public:
    MenuItem* Find(const MenuItem* parent, std::string_view name)
    {
        MenuItem* const* found = m_table.Find(Hash(parent, name), Holds{parent, name});
        return found == nullptr ? nullptr : *found;
    }
    // A later sub item of a name takes the place of an earlier one.
    void Put(MenuItem* child)
    {
        const std::string_view name = child->Rec().MenuName;
        m_table.Place(Hash(child->Parent(), name), Holds{child->Parent(), name}) = child;
    }

private:
    static std::uint64_t Hash(const MenuItem* parent, std::string_view name)
    {
        return HashName(name) ^ HashPointer(parent);
    }
    struct Traits
    {
        static bool IsEmpty(const MenuItem* child) { return child == nullptr; }
        static std::uint64_t HashOf(const MenuItem* child)
        {
            return Hash(child->Parent(), child->Rec().MenuName);
        }
    };
    struct Holds
    {
        const MenuItem* parent;
        std::string_view name;
        bool operator()(const MenuItem* child) const
        {
            return child->Parent() == parent && child->Rec().MenuName == name;
        }
    };

    FlatHashTable<MenuItem*, Traits> m_table;
};

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

    explicit ItemsByName(std::size_t expected) : m_table(Traits{&m_slots})
    {
        m_slots.reserve(expected);
        m_table.Reserve(expected);
    }
    ItemsByName(const ItemsByName&) = delete; // the table reads the names of `m_slots`
    ItemsByName& operator=(const ItemsByName&) = delete;

    Slot* Find(std::string_view name)
    {
        const std::uint64_t hash = HashName(name);
        const NameCell* cell = m_table.Find(hash, Holds{&m_slots, Tag(hash), name});
        return cell == nullptr ? nullptr : &m_slots[cell->slot];
    }

    void Prefetch(std::string_view name) const { m_table.Prefetch(HashName(name)); }

    // The slot of the name; a new one holding `item` when the name is new (then `added`).
    Slot& Add(std::string_view name, MenuItem* item, bool& added)
    {
        const std::uint64_t hash = HashName(name);
        NameCell& cell = m_table.Place(hash, Holds{&m_slots, Tag(hash), name});
        added = cell.slot == kEmpty;
        if (added) {
            cell = NameCell{Tag(hash), static_cast<std::uint32_t>(m_slots.size())};
            m_slots.push_back(Slot{item, {}});
        }
        return m_slots[cell.slot];
    }

private:
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
    // Eight bytes a cell keep the table of a large design small enough for the cache: the hash
    // chooses the cell, and its high half is kept to tell names apart. The name itself is read
    // from the slot's items, which all bear it.
    struct NameCell
    {
        std::uint32_t tag = 0;
        std::uint32_t slot = kEmpty;
    };
    static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
    struct Traits
    {
        const std::vector<Slot>* slots;
        std::string_view NameOf(const NameCell& cell) const
        {
            return (*slots)[cell.slot].last->Rec().MenuName;
        }
        static bool IsEmpty(const NameCell& cell) { return cell.slot == kEmpty; }
        std::uint64_t HashOf(const NameCell& cell) const { return HashName(NameOf(cell)); }
    };
    struct Holds
    {
        const std::vector<Slot>* slots;
        std::uint32_t tag;
        std::string_view name;
        bool operator()(const NameCell& cell) const
        {
            return cell.tag == tag && (*slots)[cell.slot].last->Rec().MenuName == name;
        }
    };

    std::vector<Slot> m_slots;
    FlatHashTable<NameCell, Traits> m_table;
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
        m_marks.push_back(Mark{kLow - 1, kNoMark, kTail, kNoMark}); // head
        m_marks.push_back(Mark{kHigh, kHead, kNoMark, kNoMark});    // tail
        const std::vector<MenuItem*>& order = tree.PreOrder();
        // The marks in list order: an item's end mark comes when an item of its level or above
        // follows its subtree.
        std::vector<const MenuItem*> open;
        const auto closeTo = [&](std::size_t level) {
            while (open.size() > level) {
                Append(m_marks[BeginOf(open.back())].end);
                open.pop_back();
            }
        };
        for (const MenuItem* item : order) {
            closeTo(static_cast<std::size_t>(item->Level()));
            const auto begin = static_cast<std::uint32_t>(m_marks.size());
            m_marks.push_back(Mark{0, kNoMark, kNoMark, begin + 1});
            m_marks.push_back(Mark{0, kNoMark, kNoMark, kNoMark});
            SetBeginOf(item, begin);
            Append(begin);
            open.push_back(item);
        }
        closeTo(0);
        // Evenly spread labels.
        const std::uint64_t gap = (kHigh - kLow) / (m_marks.size() - 1);
        std::uint64_t label = kLow;
        for (std::uint32_t m = m_marks[kHead].next; m != kTail; m = m_marks[m].next, label += gap)
            m_marks[m].label = label;
    }

    // Places a new item: as the last sub item of its parent, or as the last root.
    void Added(const MenuItem* item)
    {
        const std::uint32_t before =
            item->Parent() == nullptr ? kTail : m_marks[BeginOf(item->Parent())].end;
        const auto begin = static_cast<std::uint32_t>(m_marks.size());
        m_marks.push_back(Mark{0, kNoMark, kNoMark, begin + 1});
        m_marks.push_back(Mark{0, kNoMark, kNoMark, kNoMark});
        SetBeginOf(item, begin);
        InsertBefore(begin, before);
        InsertBefore(begin + 1, before);
    }

    bool Before(const MenuItem* a, const MenuItem* b)
    {
        return m_marks[BeginOf(a)].label < m_marks[BeginOf(b)].label;
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
    std::uint32_t BeginOf(const MenuItem* item) { return m_beginOf.Find(item)->number; }
    void SetBeginOf(const MenuItem* item, std::uint32_t begin)
    {
        m_beginOf.Place(item) = ItemNumber{item, begin};
    }

    // Links a mark in before the tail, without a label (used while building).
    void Append(std::uint32_t m)
    {
        const std::uint32_t last = m_marks[kTail].prev;
        m_marks[m].prev = last;
        m_marks[m].next = kTail;
        m_marks[last].next = m;
        m_marks[kTail].prev = m;
    }

    void InsertBefore(std::uint32_t m, std::uint32_t next)
    {
        const std::uint32_t prev = m_marks[next].prev;
        m_marks[m].prev = prev;
        m_marks[m].next = next;
        m_marks[prev].next = m;
        m_marks[next].prev = m;
        const std::uint64_t low = m_marks[prev].label, high = m_marks[next].label;
        if (high - low >= 2) {
            m_marks[m].label = low + (high - low) / 2;
            return;
        }
        Spread(m, prev == kHead ? next : prev);
    }

    // Gives the new mark `m` a label by spreading out the labels of a window around `anchor`, a
    // neighbour of `m` with a label: the smallest aligned window whose marks, `m` included, are
    // few enough for its level (density at most (2/3)^level, the whole range at the last).
    void Spread(std::uint32_t m, std::uint32_t anchor)
    {
        const std::uint64_t at = m_marks[anchor].label;
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
                return x != m && x != kHead && x != kTail && m_marks[x].label >= base &&
                       m_marks[x].label < limit;
            };
            for (std::uint32_t x = m_marks[first].prev; x == m || inside(x); x = m_marks[x].prev)
                if (x != m)
                    first = x, ++count;
            for (std::uint32_t x = m_marks[last].next; x == m || inside(x); x = m_marks[x].next)
                if (x != m)
                    last = x, ++count;
            if (level < 62 && static_cast<double>(count) > allowed)
                continue;
            // Relabel from the first to the last, `m` included wherever it lies between them.
            if (m_marks[first].prev == m)
                first = m;
            if (m_marks[last].next == m)
                last = m;
            const std::uint64_t gap = (limit - base) / (count + 1);
            std::uint64_t label = base + gap;
            for (std::uint32_t x = first;; x = m_marks[x].next, label += gap) {
                m_marks[x].label = label;
                if (x == last)
                    break;
            }
            return;
        }
    }

    std::vector<Mark> m_marks;
    ItemNumbers m_beginOf;
};

} // namespace

struct ItemFinder::Indexes
{
    explicit Indexes(std::size_t expected) : byName(expected) {}

    ItemsByName byName;
    std::unique_ptr<TreeOrder> order; // made when items of one name must first be compared
    ItemNumbers indexedParents;       // the parents whose sub items are in `children`
    ChildrenByName children;
};

ItemFinder::ItemFinder(MenuTree& tree, std::size_t expected)
    : m_tree(tree), m_indexes(std::make_unique<Indexes>(tree.Count() + expected))
{
    // Existing items in tree order: each one met later is later in that order.
    for (MenuItem* item : tree.PreOrder()) {
        bool added = false;
        m_indexes->byName.Add(item->Rec().MenuName, item, added).last = item;
    }
}

ItemFinder::~ItemFinder() = default;

void ItemFinder::Prefetch(std::string_view name) const
{
    m_indexes->byName.Prefetch(name);
}

MenuItem* ItemFinder::LastNamed(std::string_view name)
{
    ItemsByName::Slot* slot = m_indexes->byName.Find(name);
    if (slot == nullptr)
        return nullptr;
    // A sub item appended under an earlier item lands before later items in tree order, so
    // items of one name are compared in that order; a file written by the program has unique
    // names and never gets here.
    if (!slot->unsettled.empty()) {
        std::unique_ptr<TreeOrder>& order = m_indexes->order;
        if (!order)
            order = std::make_unique<TreeOrder>(m_tree);
        for (MenuItem* item : slot->unsettled)
            if (order->Before(slot->last, item))
                slot->last = item;
        slot->unsettled.clear();
    }
    return slot->last;
}

MenuItem* ItemFinder::LastChildNamed(MenuItem* parent, std::string_view name)
{
    // In a file written by the program the item sought is the parent's newest sub item, or a
    // new one whose name no item has yet.
    if (const std::size_t n = parent->ChildCount(); n > 0) {
        MenuItem* newest = parent->Child(n - 1);
        if (newest->Rec().MenuName == name)
            return newest;
    }
    Indexes& indexes = *m_indexes;
    if (indexes.byName.Find(name) == nullptr)
        return nullptr;
    // Otherwise the parent's sub items are indexed by name, once; appends keep it current.
    if (ItemNumber& indexed = indexes.indexedParents.Place(parent); indexed.item == nullptr) {
        indexed.item = parent;
        for (std::size_t k = 0; k < parent->ChildCount(); ++k)
            indexes.children.Put(parent->Child(k));
    }
    return indexes.children.Find(parent, name);
}

MenuItem* ItemFinder::Append(MenuItem* parent, std::string text, TMyRec rec)
{
    MenuItem* item = parent ? m_tree.AppendChild(parent, std::move(text), std::move(rec))
                            : m_tree.AppendRoot(std::move(text), std::move(rec));
    Indexes& indexes = *m_indexes;
    if (indexes.order)
        indexes.order->Added(item);
    bool added = false;
    ItemsByName::Slot& slot = indexes.byName.Add(item->Rec().MenuName, item, added);
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
    if (!indexes.indexedParents.Empty() && indexes.indexedParents.Find(parent) != nullptr)
        indexes.children.Put(item);
    return item;
}

} // namespace qv
