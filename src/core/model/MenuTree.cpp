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
    : text_(std::move(text)), rec_(std::move(rec)), parent_(parent),
      level_(parent ? parent->level_ + 1 : 0), position_(position)
{
}

MenuItem::~MenuItem()
{
    if (!children_.empty())
        DestroyIteratively(std::move(children_),
                           [](MenuItem& item) -> std::vector<std::unique_ptr<MenuItem>>& {
                               return item.children_;
                           });
}

MenuTree::MenuTree() = default;

MenuTree::~MenuTree()
{
    Clear();
}

const std::vector<MenuItem*>& MenuTree::PreOrder() const
{
    if (orderValid_)
        return order_;
    order_.clear();
    order_.reserve(count_);
    std::vector<MenuItem*> stack;
    for (auto it = roots_.rbegin(); it != roots_.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        MenuItem* item = stack.back();
        stack.pop_back();
        item->index_ = order_.size();
        order_.push_back(item);
        for (auto it = item->children_.rbegin(); it != item->children_.rend(); ++it)
            stack.push_back(it->get());
    }
    orderValid_ = true;
    return order_;
}

MenuItem* MenuTree::At(std::size_t index) const
{
    const auto& order = PreOrder();
    return index < order.size() ? order[index] : nullptr;
}

std::size_t MenuTree::IndexOf(const MenuItem* item) const
{
    PreOrder();
    return item->index_;
}

MenuItem* MenuTree::AppendRoot(std::string text, TMyRec rec)
{
    return AppendChild(nullptr, std::move(text), std::move(rec));
}

MenuItem* MenuTree::AppendChild(MenuItem* parent, std::string text, TMyRec rec)
{
    auto& siblings = parent ? parent->children_ : roots_;
    siblings.push_back(std::unique_ptr<MenuItem>(
        new MenuItem(parent, siblings.size(), std::move(text), std::move(rec))));
    ++count_;
    // An item appended at the very end of the pre-order keeps the cache valid: that is the case
    // for every item of a file being read and for most items added by hand.
    if (orderValid_) {
        MenuItem* added = siblings.back().get();
        // The new item follows the last item in pre-order exactly when that item lies in the
        // subtree of the new item's parent (or the new item is a root). The walk up is paid for
        // by the levels the previous appends went down, so a whole file reads in linear time.
        bool atEnd = true;
        if (parent != nullptr && !order_.empty()) {
            const MenuItem* up = order_.back();
            while (up != nullptr && up != parent && up->level_ > parent->level_)
                up = up->parent_;
            atEnd = up == parent;
        }
        if (atEnd) {
            added->index_ = order_.size();
            order_.push_back(added);
        } else {
            Invalidate();
        }
    }
    return siblings.back().get();
}

std::vector<std::unique_ptr<MenuItem>>& MenuTree::SiblingsOf(const MenuItem* item)
{
    return item->parent_ ? item->parent_->children_ : roots_;
}

std::size_t MenuTree::SubtreeSize(const MenuItem* item)
{
    std::size_t size = 0;
    std::vector<const MenuItem*> stack{item};
    while (!stack.empty()) {
        const MenuItem* current = stack.back();
        stack.pop_back();
        ++size;
        for (const auto& child : current->children_)
            stack.push_back(child.get());
    }
    return size;
}

void MenuTree::Remove(MenuItem* item)
{
    if (item == nullptr)
        return;
    auto& siblings = SiblingsOf(item);
    const std::size_t position = item->position_;
    assert(position < siblings.size() && siblings[position].get() == item);
    count_ -= SubtreeSize(item);
    std::unique_ptr<MenuItem> removed = std::move(siblings[position]);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(position));
    for (std::size_t i = position; i < siblings.size(); ++i)
        siblings[i]->position_ = i;
    Invalidate();
    removed.reset(); // iterative, see ~MenuItem
}

void MenuTree::Clear()
{
    std::vector<std::unique_ptr<MenuItem>> roots = std::move(roots_);
    roots_.clear();
    count_ = 0;
    order_.clear();
    orderValid_ = true;
    // Last item first, as the records are released from the last index to the first.
    while (!roots.empty())
        roots.pop_back();
}

std::size_t MenuTree::CountItemsAtLevel(int level) const
{
    std::size_t n = 0;
    for (const MenuItem* item : PreOrder())
        if (item->level_ == level)
            ++n;
    return n;
}

int MenuTree::DeepestLevel() const
{
    int deepest = 0;
    for (const MenuItem* item : PreOrder())
        deepest = std::max(deepest, item->level_);
    return deepest;
}

void MenuTree::ApplyHeightToAll(std::int32_t height)
{
    for (MenuItem* item : PreOrder())
        item->rec_.Height = height;
}

void MenuTree::ApplyWidthToAll(std::int32_t width)
{
    for (MenuItem* item : PreOrder())
        item->rec_.Width = width;
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
