#include "core/project/DesignSize.h"

#include "core/codegen/MenuArrays.h"
#include "core/support/Encoding.h"

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

std::uint64_t Sum(std::uint64_t a, std::uint64_t b)
{
    return a > kMost - b ? kMost : a + b;
}

std::uint64_t Digits(std::uint64_t value)
{
    std::uint64_t digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

std::uint64_t Digits(std::int32_t value)
{
    const auto magnitude = static_cast<std::uint64_t>(value < 0 ? -static_cast<std::int64_t>(value)
                                                                : static_cast<std::int64_t>(value));
    return Digits(magnitude) + (value < 0 ? 1 : 0);
}

// The length of the name that the naming pass gives each item, visited in tree order: a root is
// "Menu" and its number among the roots, a sub item its parent's name, "_" and its number among
// its siblings. In tree order an item's parent is the last item visited one level up.
class NameLengths
{
public:
    std::uint64_t Next(const MenuItem& item) { return Next(item.Level(), item.Position()); }
    std::uint64_t Next(int itemLevel, std::size_t position)
    {
        const auto level = static_cast<std::size_t>(itemLevel);
        const std::uint64_t number = Digits(static_cast<std::uint64_t>(position) + 1);
        const std::uint64_t name =
            level == 0 ? 4 + number : Sum(m_names[level - 1], Sum(1, number));
        m_names.resize(level + 1);
        m_names[level] = name;
        return name;
    }

    // The sum of the names of the last item visited and its ancestors.
    std::uint64_t Path(const MenuItem& item) { return Path(item.Level()); }
    std::uint64_t Path(int itemLevel)
    {
        const auto level = static_cast<std::size_t>(itemLevel);
        const std::uint64_t path =
            level == 0 ? m_names[0] : Sum(m_paths[level - 1], Sum(1, m_names[level]));
        m_paths.resize(level + 1);
        m_paths[level] = path;
        return path;
    }

private:
    std::vector<std::uint64_t> m_names; // by level, of the last item visited and its ancestors
    std::vector<std::uint64_t> m_paths;
};

// The length of a text as a value of the file, which is UTF-8: text that is not is taken as
// Windows-1252, as the file's reader would take it.
std::uint64_t ValueLength(std::string_view text)
{
    return IsValidUtf8(text) ? text.size() : Windows1252ToUtf8(text).size();
}

// The length of a key line "<key><index>=<value>" and its CR LF.
std::uint64_t KeyLine(std::string_view key, std::uint64_t index, std::uint64_t value)
{
    return Sum(key.size() + Digits(index) + 3, value);
}

// One item's line of the menu arrays, at `level` and `position` with `subItems` sub items.
std::uint64_t ArrayLine(NameLengths& names, const MenuItem& item, int level, std::size_t position,
                        std::size_t subItems)
{
    const TMyRec& rec = item.Rec();
    // A root's line follows an empty line; a sub item's is indented by its level plus one.
    std::uint64_t line = level == 0 ? 2 : static_cast<std::uint64_t>(level) + 1;
    line = Sum(line, names.Next(level, position));
    // =new Array("<text>","<link>","",<sub items>,<height>,<width>); and CR LF
    const std::uint64_t rest = 12 + 3 + 5 + 1 + 1 + 4 + ScriptStringLiteralSize(item.Text()) +
                               ScriptStringLiteralSize(rec.Link) +
                               Digits(static_cast<std::uint64_t>(subItems)) + Digits(rec.Height) +
                               Digits(rec.Width);
    return Sum(line, rest);
}

// The header of the sections "Menus" and "MenuData" of a design of `count` items: [Menus],
// MenuCount=<n>, and [MenuData] when there are items, each line with its CR LF.
std::uint64_t SectionsHeader(std::uint64_t count)
{
    return 9 + KeyLine("MenuCount", count, 0) + (count == 0 ? 0 : 12);
}

// The keys of the item with file index `index`, at `level` and `position`.
std::uint64_t SectionLines(NameLengths& names, const MenuItem& item, std::uint64_t index, int level,
                           std::size_t position)
{
    const TMyRec& rec = item.Rec();
    const std::uint64_t name = names.Next(level, position);
    std::uint64_t size = KeyLine("Menu_", index, names.Path(level));
    size = Sum(size, KeyLine("MenuName_", index, name));
    size = Sum(size, KeyLine("MenuText_", index, ValueLength(item.Text())));
    size = Sum(size, KeyLine("MenuLink_", index, ValueLength(rec.Link)));
    size = Sum(size, KeyLine("MenuHeight", index, Digits(rec.Height)));
    return Sum(size, KeyLine("MenuWidth", index, Digits(rec.Width)));
}

} // namespace

std::uint64_t MenuArraysSize(const MenuTree& tree)
{
    NameLengths names;
    std::uint64_t size = 0;
    for (const MenuItem* item : tree.PreOrder())
        size =
            Sum(size, ArrayLine(names, *item, item->Level(), item->Position(), item->ChildCount()));
    return size;
}

std::uint64_t MenuSectionsSize(const MenuTree& tree)
{
    const std::vector<MenuItem*>& order = tree.PreOrder();
    std::uint64_t size = SectionsHeader(order.size());
    NameLengths names;
    for (std::size_t i = 0; i < order.size(); ++i)
        size =
            Sum(size, SectionLines(names, *order[i], i, order[i]->Level(), order[i]->Position()));
    return size;
}

DesignSizes DesignSizesWithAppended(const MenuTree& tree, const MenuItem* parent,
                                    const std::vector<std::unique_ptr<MenuItem>>& subtrees)
{
    const std::vector<MenuItem*>& order = tree.PreOrder();
    // The subtrees come right after the parent's own subtree, in tree order.
    const std::size_t insertAt =
        parent != nullptr ? tree.IndexOf(parent) + MenuTree::SubtreeSize(parent) : order.size();
    const int baseLevel = parent != nullptr ? parent->Level() + 1 : 0;
    const std::size_t firstPosition = parent != nullptr ? parent->ChildCount() : tree.RootCount();
    std::size_t added = 0;
    for (const auto& subtree : subtrees)
        added += MenuTree::SubtreeSize(subtree.get());

    DesignSizes sizes;
    sizes.sections = SectionsHeader(order.size() + added);
    NameLengths arrayNames;
    NameLengths fileNames;
    std::uint64_t index = 0;
    const auto visit = [&](const MenuItem& item, int level, std::size_t position,
                           std::size_t subItems) {
        sizes.arrays = Sum(sizes.arrays, ArrayLine(arrayNames, item, level, position, subItems));
        sizes.sections =
            Sum(sizes.sections, SectionLines(fileNames, item, index++, level, position));
    };
    for (std::size_t k = 0; k < insertAt; ++k) {
        const MenuItem& item = *order[k];
        visit(item, item.Level(), item.Position(),
              item.ChildCount() + (&item == parent ? subtrees.size() : 0));
    }
    std::vector<const MenuItem*> stack;
    for (std::size_t s = 0; s < subtrees.size(); ++s) {
        const MenuItem* top = subtrees[s].get();
        const int topLevel = top->Level();
        stack.assign(1, top);
        while (!stack.empty()) {
            const MenuItem* item = stack.back();
            stack.pop_back();
            visit(*item, baseLevel + item->Level() - topLevel,
                  item == top ? firstPosition + s : item->Position(), item->ChildCount());
            for (std::size_t c = item->ChildCount(); c-- > 0;)
                stack.push_back(item->Child(c));
        }
    }
    for (std::size_t k = insertAt; k < order.size(); ++k) {
        const MenuItem& item = *order[k];
        visit(item, item.Level(), item.Position(), item.ChildCount());
    }
    return sizes;
}

} // namespace qv
