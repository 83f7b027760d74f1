#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// The data of a menu item besides its text.
struct TMyRec
{
    std::string Link = "http://";
    std::int32_t Height = 20;
    std::int32_t Width = 80;
    // The item's array name in the generated script (Menu1, Menu1_2, ...), written by the naming
    // pass of the code generator and read back from project files.
    std::string MenuName;
    // Scratch counter of the naming pass: how many sub items have been named so far.
    std::int32_t ChildSeq = 0;

    friend bool operator==(const TMyRec&, const TMyRec&) = default;
};

// One menu item: its text, its record, and its place in the tree. Items are created and
// destroyed only by MenuTree.
class MenuItem final
{
public:
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;
    ~MenuItem();

    const std::string& Text() const { return m_text; }
    void SetText(std::string text) { m_text = std::move(text); }

    TMyRec& Rec() { return m_rec; }
    const TMyRec& Rec() const { return m_rec; }

    // None for a root item.
    MenuItem* Parent() const { return m_parent; }
    // 0 for a root item, 1 for its sub items, and so on.
    int Level() const { return m_level; }
    // Position among its siblings, 0 for the first.
    std::size_t Position() const { return m_position; }

    std::size_t ChildCount() const { return m_children.size(); }
    MenuItem* Child(std::size_t position) const { return m_children[position].get(); }

    // The first root, or the first sub item of its parent: such an item sets both its height
    // and its width; later roots set only the width, later sub items only the height.
    bool IsFirstOfList() const { return m_position == 0; }

private:
    friend class MenuTree;
    MenuItem(MenuItem* parent, std::size_t position, std::string text, TMyRec rec);

    std::string m_text;
    TMyRec m_rec;
    MenuItem* m_parent;
    int m_level;
    std::size_t m_position;
    mutable std::size_t m_index = 0; // pre-order index, valid while the tree's order cache is
    std::vector<std::unique_ptr<MenuItem>> m_children;
};

// Hears of every change to a tree's structure and texts, before and after it is made: the tree
// view's model turns these into the view's notifications. Clearing and swapping the items are
// told as one reset; an append is told as an insertion of one item.
class MenuTreeObserver
{
public:
    virtual ~MenuTreeObserver() = default;
    // A subtree is put at `position` among the sub items of `parent` (the roots when null).
    virtual void AboutToInsert(const MenuItem* parent, std::size_t position) = 0;
    virtual void Inserted() = 0;
    // `item` leaves the tree with everything below it.
    virtual void AboutToRemove(const MenuItem* item) = 0;
    virtual void Removed() = 0;
    // `item` goes to `position` among the sub items of `parent`, counted in that list once the
    // item has left its own place.
    virtual void AboutToMove(const MenuItem* item, const MenuItem* parent,
                             std::size_t position) = 0;
    virtual void Moved() = 0;
    virtual void TextChanged(const MenuItem* item) = 0;
    virtual void AboutToReset() = 0;
    virtual void Reset() = 0;
};

// The ordered forest of menu items. Items are appended at the end of a list of siblings, and
// rearranged only by Insert, Detach and Move (undo and the move commands). Nothing is sorted.
// Every walk is iterative, so a chain of any depth is safe.
class MenuTree final
{
public:
    MenuTree();
    ~MenuTree();
    MenuTree(const MenuTree&) = delete;
    MenuTree& operator=(const MenuTree&) = delete;

    // Items at all levels.
    std::size_t Count() const { return m_count; }
    bool Empty() const { return m_count == 0; }

    std::size_t RootCount() const { return m_roots.size(); }
    MenuItem* Root(std::size_t position) const { return m_roots[position].get(); }

    // The item at a pre-order index (each item before its sub items, 0 the first root), and the
    // index of an item. Both O(1) once the order is cached; a change drops the cache.
    MenuItem* At(std::size_t index) const;
    std::size_t IndexOf(const MenuItem* item) const;
    const std::vector<MenuItem*>& PreOrder() const;

    // Appends as the last root, or as the last sub item of `parent` (a root when it is null).
    MenuItem* AppendRoot(std::string text, TMyRec rec = {});
    MenuItem* AppendChild(MenuItem* parent, std::string text, TMyRec rec = {});

    // Removes an item together with every item below it.
    void Remove(MenuItem* item);
    // Removes every item.
    void Clear();
    // Exchanges the items of the two trees, each keeping its own observer; this tree's observer
    // hears of it as one reset, the other's of nothing. A design read into a tree of its own thus
    // replaces this one at once, and the old items go with the other tree.
    void SwapItems(MenuTree& other);

    // A new item outside any tree, for Insert.
    static std::unique_ptr<MenuItem> NewItem(std::string text, TMyRec rec = {});
    // Puts a subtree that is in no tree (new, or detached before) at `position` among the sub
    // items of `parent` (the roots when null); a position past the end appends. Its items keep
    // their texts and records; their levels follow the new place. Returns the subtree's top.
    MenuItem* Insert(MenuItem* parent, std::size_t position, std::unique_ptr<MenuItem> subtree);
    // Takes an item with everything below it out of the tree and hands it over whole, so that it
    // can be inserted again.
    std::unique_ptr<MenuItem> Detach(MenuItem* item);
    // Whether `item` may go to `position` among the sub items of `parent`, counted once the item
    // has left its place: not into itself or below itself, and within the list. Staying where it
    // is counts as possible (and changes nothing).
    bool CanMove(const MenuItem* item, const MenuItem* parent, std::size_t position) const;
    // Moves `item` with everything below it there; false (and nothing changed) when CanMove is
    // false or the item would stay where it is. Time linear in the two lists and the subtree.
    bool Move(MenuItem* item, MenuItem* parent, std::size_t position);
    // Sets an item's text, telling the observer.
    void SetText(MenuItem* item, std::string text);

    // The one observer told of changes (none by default); it must outlive the tree or be unset.
    void SetObserver(MenuTreeObserver* observer) { m_observer = observer; }

    // The number of items in the subtree of `item`, itself included.
    static std::size_t SubtreeSize(const MenuItem* item);

    // The number of items whose level equals `level`.
    std::size_t CountItemsAtLevel(int level) const;

    // The level of the deepest item: 0 for a tree of roots alone, and for an empty tree.
    int DeepestLevel() const;

private:
    std::vector<std::unique_ptr<MenuItem>>& SiblingsOf(const MenuItem* item);
    std::vector<std::unique_ptr<MenuItem>>& ListOf(MenuItem* parent)
    {
        return parent ? parent->m_children : m_roots;
    }
    void Invalidate() { m_orderValid = false; }
    // Gives the subtree of `top` the levels below `parent`; returns its size.
    static std::size_t Relevel(MenuItem* top, MenuItem* parent);
    static void Renumber(std::vector<std::unique_ptr<MenuItem>>& list, std::size_t from,
                         std::size_t to);

    MenuTreeObserver* m_observer = nullptr;

    std::vector<std::unique_ptr<MenuItem>> m_roots;
    std::size_t m_count = 0;
    mutable std::vector<MenuItem*> m_order;
    mutable bool m_orderValid = true;
};

// The text of a new item: "Untitled" followed by the running number, which grows by one for
// every item added in a run and is never reused.
std::string NextUntitledText(std::int32_t& itemCounter);

// The four states of the item editor, by the first-of-its-list rule.
enum class EditorState {
    NothingSelected, // every box disabled
    FirstOfList,     // height and width editable
    LaterRoot,       // only the width editable
    LaterSubItem,    // only the height editable
};
EditorState EditorStateFor(const MenuItem* selected);

} // namespace qv
