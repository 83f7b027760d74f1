#pragma once

#include "core/model/MenuTree.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// One change to a menu tree that can be made, taken back and made again. A command records what
// it needs to take itself back: the subtree it removed (the very items, records included), the
// place an item came from, the values it overwrote. Commands are applied and reverted in stack
// order (EditHistory), so each finds the tree exactly as it left it; the items a command names
// are then in the tree, or held by the command itself.
class TreeCommand
{
public:
    virtual ~TreeCommand() = default;
    TreeCommand(const TreeCommand&) = delete;
    TreeCommand& operator=(const TreeCommand&) = delete;

    virtual void Apply(MenuTree& tree) = 0;
    virtual void Revert(MenuTree& tree) = 0;

    // What the step did and to which item: "Delete Products", "Move Up Tools".
    std::string Description() const;
    // The item to select once the command has been applied (after = true) or reverted: the item
    // the step was about, or, when that item is not in the tree then, the item that took its
    // place (the next sibling, else the one before, else the parent); null for an empty list of
    // roots.
    virtual MenuItem* SelectionAfter(const MenuTree& tree, bool applied) const = 0;
    // Takes in the change of `next`, already applied, when both are edits of one field of one
    // item; true when it did, and `next` is then dropped.
    virtual bool Absorb(const TreeCommand& /*next*/) { return false; }
    // Whether applying the command leaves the tree as it was: an edit whose merged typing ended
    // on the value it started from.
    virtual bool ChangesNothing() const { return false; }

protected:
    explicit TreeCommand(std::string name) : m_name(std::move(name)) {}
    // The item named in the description; null names none.
    virtual const MenuItem* Subject() const = 0;

private:
    std::string m_name;
};

// The commands of the designer. Each returns null when there is nothing to do (no item, a move
// that cannot be made, a value that is already there).
//
// A new item with `text` and a new record, as the last sub item of `parent` (the last root when
// null); `name` is the step's name ("Add Root Item").
std::unique_ptr<TreeCommand> MakeAppend(MenuItem* parent, std::string text, std::string name);
// Any subtree that is in no tree, at any place.
std::unique_ptr<TreeCommand> MakeInsert(MenuItem* parent, std::size_t position,
                                        std::unique_ptr<MenuItem> subtree, std::string name);
// Subtrees that are in no tree, appended in their order as the last sub items of `parent` (the
// last roots when null), all as one step: undone, they all go; the first is selected after it.
// Null when there are none.
std::unique_ptr<TreeCommand>
MakeAppendMany(MenuItem* parent, std::vector<std::unique_ptr<MenuItem>> subtrees, std::string name);
// Removes `item` with everything below it ("Delete").
std::unique_ptr<TreeCommand> MakeDelete(MenuItem* item);

enum class MoveDirection {
    Up,   // before the sibling above it
    Down, // after the sibling below it
    Out,  // out of its parent, to just after it
    In,   // to the end of the sub items of the sibling above it
};
// The step's name of a move ("Move Up").
const char* MoveName(MoveDirection direction);
// Moves `item` with everything below it; null at the edges (the first item up, a root out, the
// first of a list in).
std::unique_ptr<TreeCommand> MakeMove(const MenuTree& tree, MenuItem* item,
                                      MoveDirection direction);
// Moves `item` to `position` among the sub items of `parent` counted once the item has left its
// place ("Move", a drop); null when MenuTree::CanMove refuses or the item would stay.
std::unique_ptr<TreeCommand> MakeMoveTo(const MenuTree& tree, MenuItem* item, MenuItem* parent,
                                        std::size_t position);

enum class ItemField { Text, Link, Height, Width };
std::unique_ptr<TreeCommand> MakeSetText(MenuItem* item, std::string text);
std::unique_ptr<TreeCommand> MakeSetLink(MenuItem* item, std::string link);
std::unique_ptr<TreeCommand> MakeSetHeight(MenuItem* item, std::int32_t height);
std::unique_ptr<TreeCommand> MakeSetWidth(MenuItem* item, std::int32_t width);
// Copies `source`'s height or width into every item ("Apply Height to All"); the old values are
// kept as runs of equal values, so a design of equal sizes costs a few bytes to undo.
std::unique_ptr<TreeCommand> MakeApplyToAll(const MenuTree& tree, MenuItem* source,
                                            ItemField field);

// The steps that can be undone and redone. Applying a new step drops the steps that were undone;
// consecutive edits of one field of one item merge into one step until the history is sealed
// (another item selected, an undo, a redo), and a merged step that ends where it started is
// dropped.
//
// Do, Undo and Redo return the item to select, by one rule: the item the step was about; when
// that item has left the tree (a delete done, an add undone), the item that took its place: the
// next sibling, else the one before it, else the parent, else none.
class EditHistory
{
public:
    // At most this many steps are kept; the oldest go first.
    static constexpr std::size_t kMaxSteps = 1000;

    // Applies the command and keeps it; a null command does nothing (and returns null).
    MenuItem* Do(MenuTree& tree, std::unique_ptr<TreeCommand> command);
    // Reverts the last step done, or applies again the last step undone; they do nothing
    // (returning null) when there is no such step.
    MenuItem* Undo(MenuTree& tree);
    MenuItem* Redo(MenuTree& tree);

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    // The descriptions of the steps Undo and Redo would take; empty when there is none.
    std::string UndoDescription() const;
    std::string RedoDescription() const;
    std::size_t UndoCount() const { return m_done; }
    std::size_t RedoCount() const { return m_steps.size() - m_done; }

    // The next edit starts a step of its own.
    void Seal() { m_sealed = true; }
    // Forgets every step (a design opened or closed).
    void Clear();

private:
    std::deque<std::unique_ptr<TreeCommand>> m_steps;
    std::size_t m_done = 0; // the first m_done steps are applied
    bool m_sealed = true;
};

} // namespace qv
