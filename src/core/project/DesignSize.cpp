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
    std::uint64_t Next(const MenuItem& item)
    {
        const auto level = static_cast<std::size_t>(item.Level());
        const std::uint64_t number = Digits(static_cast<std::uint64_t>(item.Position()) + 1);
        const std::uint64_t name =
            level == 0 ? 4 + number : Sum(m_names[level - 1], Sum(1, number));
        m_names.resize(level + 1);
        m_names[level] = name;
        return name;
    }

    // The sum of the names of the last item visited and its ancestors.
    std::uint64_t Path(const MenuItem& item)
    {
        const auto level = static_cast<std::size_t>(item.Level());
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

} // namespace

std::uint64_t MenuArraysSize(const MenuTree& tree)
{
    NameLengths names;
    std::uint64_t size = 0;
    for (const MenuItem* item : tree.PreOrder()) {
        const TMyRec& rec = item->Rec();
        // A root's line follows an empty line; a sub item's is indented by its level plus one.
        std::uint64_t line = item->Parent() == nullptr ? 2 : item->Level() + 1;
        line = Sum(line, names.Next(*item));
        // =new Array("<text>","<link>","",<sub items>,<height>,<width>); and CR LF
        const std::uint64_t rest = 12 + 3 + 5 + 1 + 1 + 4 + ScriptStringLiteralSize(item->Text()) +
                                   ScriptStringLiteralSize(rec.Link) +
                                   Digits(static_cast<std::uint64_t>(item->ChildCount())) +
                                   Digits(rec.Height) + Digits(rec.Width);
        size = Sum(size, Sum(line, rest));
    }
    return size;
}

std::uint64_t MenuSectionsSize(const MenuTree& tree)
{
    const std::vector<MenuItem*>& order = tree.PreOrder();
    // [Menus], MenuCount=<n>, and [MenuData] when there are items, each line with its CR LF.
    std::uint64_t size = 9 + KeyLine("MenuCount", order.size(), 0) + (order.empty() ? 0 : 12);
    NameLengths names;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem& item = *order[i];
        const TMyRec& rec = item.Rec();
        const std::uint64_t name = names.Next(item);
        size = Sum(size, KeyLine("Menu_", i, names.Path(item)));
        size = Sum(size, KeyLine("MenuName_", i, name));
        size = Sum(size, KeyLine("MenuText_", i, ValueLength(item.Text())));
        size = Sum(size, KeyLine("MenuLink_", i, ValueLength(rec.Link)));
        size = Sum(size, KeyLine("MenuHeight", i, Digits(rec.Height)));
        size = Sum(size, KeyLine("MenuWidth", i, Digits(rec.Width)));
    }
    return size;
}

} // namespace qv
