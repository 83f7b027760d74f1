#include "core/model/MenuTree.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

namespace qv {

namespace {

// Destroys a list of items without recursion: every item's sub items are moved onto the work
// list before the item itself goes, so no destructor ever has children left to destroy.
void DestroyIteratively(std::vector<std::unique_ptr<MenuItem>>&& items,
                        std::vector<std::unique_ptr<MenuItem>>& (*childrenOf)(MenuItem&))
{
    std::vector<std::unique_ptr<MenuItem>> work = std::move(items);
    while (!work.empty()) {
        std::unique_ptr<MenuItem> item = std::move(work.back());
        work.pop_back();
        auto& children = childrenOf(*item);
        for (auto& child : children)
            work.push_back(std::move(child));
        children.clear();
    }
}

} // namespace

MenuItem::MenuItem(MenuItem* parent, std::size_t position, std::string text, TMyRec rec)
    : m_text(std::move(text)), m_rec(std::move(rec)), m_parent(parent),
      m_level(parent ? parent->m_level + 1 : 0), m_position(position)
{
}

MenuItem::~MenuItem()
{
    if (!m_children.empty())
        DestroyIteratively(std::move(m_children),
                           [](MenuItem& item) -> std::vector<std::unique_ptr<MenuItem>>& {
                               return item.m_children;
                           });
}

MenuTree::MenuTree() = default;

MenuTree::~MenuTree()
{
    m_observer = nullptr;
    Clear();
}

const std::vector<MenuItem*>& MenuTree::PreOrder() const
{
    if (m_orderValid)
        return m_order;
    m_order.clear();
    m_order.reserve(m_count);
    std::vector<MenuItem*> stack;
    for (auto it = m_roots.rbegin(); it != m_roots.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        MenuItem* item = stack.back();
        stack.pop_back();
        item->m_index = m_order.size();
        m_order.push_back(item);
        for (auto it = item->m_children.rbegin(); it != item->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    m_orderValid = true;
    return m_order;
}

MenuItem* MenuTree::At(std::size_t index) const
{
    const auto& order = PreOrder();
    return index < order.size() ? order[index] : nullptr;
}

std::size_t MenuTree::IndexOf(const MenuItem* item) const
{
    PreOrder();
    return item->m_index;
}

MenuItem* MenuTree::AppendRoot(std::string text, TMyRec rec)
{
    return AppendChild(nullptr, std::move(text), std::move(rec));
}

MenuItem* MenuTree::AppendChild(MenuItem* parent, std::string text, TMyRec rec)
{
    auto& siblings = parent ? parent->m_children : m_roots;
    if (m_observer)
        m_observer->AboutToInsert(parent, siblings.size());
    siblings.push_back(std::unique_ptr<MenuItem>(
        new MenuItem(parent, siblings.size(), std::move(text), std::move(rec))));
    ++m_count;
    // An item appended at the very end of the pre-order keeps the cache valid: that is the case
    // for every item of a file being read and for most items added by hand.
    if (m_orderValid) {
        MenuItem* added = siblings.back().get();
        // The new item follows the last item in pre-order exactly when that item lies in the
        // subtree of the new item's parent (or the new item is a root). The walk up is paid for
        // by the levels the previous appends went down, so a whole file reads in linear time.
        bool atEnd = true;
        if (parent != nullptr && !m_order.empty()) {
            const MenuItem* up = m_order.back();
            while (up != nullptr && up != parent && up->m_level > parent->m_level)
                up = up->m_parent;
            atEnd = up == parent;
        }
        if (atEnd) {
            added->m_index = m_order.size();
            m_order.push_back(added);
        } else {
            Invalidate();
        }
    }
    if (m_observer)
        m_observer->Inserted();
    return siblings.back().get();
}

std::vector<std::unique_ptr<MenuItem>>& MenuTree::SiblingsOf(const MenuItem* item)
{
    return item->m_parent ? item->m_parent->m_children : m_roots;
}

std::size_t MenuTree::SubtreeSize(const MenuItem* item)
{
    std::size_t size = 0;
    std::vector<const MenuItem*> stack{item};
    while (!stack.empty()) {
        const MenuItem* current = stack.back();
        stack.pop_back();
        ++size;
        for (const auto& child : current->m_children)
            stack.push_back(child.get());
    }
    return size;
}

void MenuTree::Remove(MenuItem* item)
{
    if (item == nullptr)
        return;
    Detach(item).reset(); // iterative, see ~MenuItem
}

std::unique_ptr<MenuItem> MenuTree::NewItem(std::string text, TMyRec rec)
{
    return std::unique_ptr<MenuItem>(new MenuItem(nullptr, 0, std::move(text), std::move(rec)));
}

void MenuTree::Renumber(std::vector<std::unique_ptr<MenuItem>>& list, std::size_t from,
                        std::size_t to)
{
    for (std::size_t i = from; i < to && i < list.size(); ++i)
        list[i]->m_position = i;
}

std::size_t MenuTree::Relevel(MenuItem* top, MenuItem* parent)
{
    const int level = parent ? parent->m_level + 1 : 0;
    top->m_parent = parent;
    if (top->m_level == level)
        return SubtreeSize(top);
    std::size_t size = 0;
    std::vector<MenuItem*> stack{top};
    top->m_level = level;
    while (!stack.empty()) {
        MenuItem* current = stack.back();
        stack.pop_back();
        ++size;
        for (const auto& child : current->m_children) {
            child->m_level = current->m_level + 1;
            stack.push_back(child.get());
        }
    }
    return size;
}

MenuItem* MenuTree::Insert(MenuItem* parent, std::size_t position,
                           std::unique_ptr<MenuItem> subtree)
{
    if (!subtree)
        return nullptr;
    auto& siblings = ListOf(parent);
    position = std::min(position, siblings.size());
    if (m_observer)
        m_observer->AboutToInsert(parent, position);
    MenuItem* top = subtree.get();
    m_count += Relevel(top, parent);
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), std::move(subtree));
    Renumber(siblings, position, siblings.size());
    Invalidate();
    if (m_observer)
        m_observer->Inserted();
    return top;
}

std::unique_ptr<MenuItem> MenuTree::Detach(MenuItem* item)
{
    if (item == nullptr)
        return nullptr;
    auto& siblings = SiblingsOf(item);
    const std::size_t position = item->m_position;
    assert(position < siblings.size() && siblings[position].get() == item);
    if (m_observer)
        m_observer->AboutToRemove(item);
    m_count -= SubtreeSize(item);
    std::unique_ptr<MenuItem> removed = std::move(siblings[position]);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(position));
    Renumber(siblings, position, siblings.size());
    removed->m_parent = nullptr;
    removed->m_position = 0;
    Invalidate();
    if (m_observer)
        m_observer->Removed();
    return removed;
}

bool MenuTree::CanMove(const MenuItem* item, const MenuItem* parent, std::size_t position) const
{
    if (item == nullptr)
        return false;
    // Not into itself, nor below itself: the new parent must not have the item above it. The
    // walk up is as long as the new parent's level.
    for (const MenuItem* up = parent; up != nullptr; up = up->m_parent)
        if (up == item)
            return false;
    const std::size_t listSize = parent ? parent->m_children.size() : m_roots.size();
    // Counted once the item has left its place: its own list is one shorter.
    const std::size_t limit = parent == item->m_parent ? listSize - 1 : listSize;
    return position <= limit;
}

bool MenuTree::Move(MenuItem* item, MenuItem* parent, std::size_t position)
{
    if (!CanMove(item, parent, position) ||
        (parent == item->m_parent && position == item->m_position))
        return false;
    if (m_observer)
        m_observer->AboutToMove(item, parent, position);
    auto& from = SiblingsOf(item);
    const std::size_t oldPosition = item->m_position;
    std::unique_ptr<MenuItem> moving = std::move(from[oldPosition]);
    if (&from == &ListOf(parent)) {
        // Within one list only the items between the two places change position.
        const auto begin = from.begin();
        const auto oldAt = begin + static_cast<std::ptrdiff_t>(oldPosition);
        const auto newAt = begin + static_cast<std::ptrdiff_t>(position);
        if (position < oldPosition)
            std::move_backward(newAt, oldAt, oldAt + 1);
        else
            std::move(oldAt + 1, newAt + 1, oldAt);
        from[position] = std::move(moving);
        Renumber(from, std::min(oldPosition, position), std::max(oldPosition, position) + 1);
    } else {
        from.erase(from.begin() + static_cast<std::ptrdiff_t>(oldPosition));
        Renumber(from, oldPosition, from.size());
        auto& to = ListOf(parent);
        Relevel(moving.get(), parent);
        to.insert(to.begin() + static_cast<std::ptrdiff_t>(position), std::move(moving));
        Renumber(to, position, to.size());
    }
    Invalidate();
    if (m_observer)
        m_observer->Moved();
    return true;
}

void MenuTree::SetText(MenuItem* item, std::string text)
{
    if (item == nullptr || item->m_text == text)
        return;
    item->m_text = std::move(text);
    if (m_observer)
        m_observer->TextChanged(item);
}

void MenuTree::Clear()
{
    if (m_observer)
        m_observer->AboutToReset();
    std::vector<std::unique_ptr<MenuItem>> roots = std::move(m_roots);
    m_roots.clear();
    m_count = 0;
    m_order.clear();
    m_orderValid = true;
    // Last item first, as the records are released from the last index to the first.
    while (!roots.empty())
        roots.pop_back();
    if (m_observer)
        m_observer->Reset();
}

void MenuTree::SwapItems(MenuTree& other)
{
    if (m_observer)
        m_observer->AboutToReset();
    m_roots.swap(other.m_roots);
    std::swap(m_count, other.m_count);
    m_order.swap(other.m_order);
    std::swap(m_orderValid, other.m_orderValid);
    if (m_observer)
        m_observer->Reset();
}

std::size_t MenuTree::CountItemsAtLevel(int level) const
{
    std::size_t n = 0;
    for (const MenuItem* item : PreOrder())
        if (item->m_level == level)
            ++n;
    return n;
}

int MenuTree::DeepestLevel() const
{
    int deepest = 0;
    for (const MenuItem* item : PreOrder())
        deepest = std::max(deepest, item->m_level);
    return deepest;
}

std::string NextUntitledText(std::int32_t& itemCounter)
{
    // The counter wraps like the 32-bit number it is rather than overflowing.
    itemCounter = itemCounter == std::numeric_limits<std::int32_t>::max()
                      ? std::numeric_limits<std::int32_t>::min()
                      : itemCounter + 1;
    return "Untitled" + std::to_string(itemCounter);
}

EditorState EditorStateFor(const MenuItem* selected)
{
    if (selected == nullptr)
        return EditorState::NothingSelected;
    if (selected->IsFirstOfList())
        return EditorState::FirstOfList;
    return selected->Parent() == nullptr ? EditorState::LaterRoot : EditorState::LaterSubItem;
}

} // namespace qv
