#include "core/model/TreeCommands.h"

#include <algorithm>
#include <type_traits>
#include <utility>

namespace qv {

namespace {

// The item that takes the place of one leaving `position` among the sub items of `parent`: the
// next sibling, else the one before it, else the parent.
MenuItem* NeighbourOfGap(const MenuTree& tree, MenuItem* parent, std::size_t position)
{
    const std::size_t count = parent ? parent->ChildCount() : tree.RootCount();
    const auto at = [&](std::size_t k) { return parent ? parent->Child(k) : tree.Root(k); };
    if (position < count)
        return at(position);
    if (count > 0)
        return at(count - 1);
    return parent;
}

// A subtree put into the tree: a new item, or any subtree that is in no tree.
class InsertCommand final : public TreeCommand
{
public:
    InsertCommand(std::string name, MenuItem* parent, std::size_t position,
                  std::unique_ptr<MenuItem> subtree)
        : TreeCommand(std::move(name)), m_parent(parent), m_position(position),
          m_item(subtree.get()), m_held(std::move(subtree))
    {
    }

    void Apply(MenuTree& tree) override
    {
        // An append counts at the end of the list as it is now.
        const std::size_t size = m_parent ? m_parent->ChildCount() : tree.RootCount();
        m_position = std::min(m_position, size);
        tree.Insert(m_parent, m_position, std::move(m_held));
    }
    void Revert(MenuTree& tree) override { m_held = tree.Detach(m_item); }
    MenuItem* SelectionAfter(const MenuTree& tree, bool applied) const override
    {
        return applied ? m_item : NeighbourOfGap(tree, m_parent, m_position);
    }

protected:
    const MenuItem* Subject() const override { return m_item; }

private:
    MenuItem* m_parent;
    std::size_t m_position;
    MenuItem* m_item;
    std::unique_ptr<MenuItem> m_held; // while the subtree is out of the tree
};

// Several subtrees appended at the end of one list as one step.
class AppendManyCommand final : public TreeCommand
{
public:
    AppendManyCommand(std::string name, MenuItem* parent,
                      std::vector<std::unique_ptr<MenuItem>> subtrees)
        : TreeCommand(std::move(name)), m_parent(parent), m_held(std::move(subtrees))
    {
        for (const auto& subtree : m_held)
            m_items.push_back(subtree.get());
    }

    void Apply(MenuTree& tree) override
    {
        m_position = m_parent ? m_parent->ChildCount() : tree.RootCount();
        for (auto& subtree : m_held)
            tree.Insert(m_parent, static_cast<std::size_t>(-1), std::move(subtree));
    }
    void Revert(MenuTree& tree) override
    {
        // The last first, so no list is renumbered more than it shrinks.
        for (std::size_t k = m_items.size(); k-- > 0;)
            m_held[k] = tree.Detach(m_items[k]);
    }
    MenuItem* SelectionAfter(const MenuTree& tree, bool applied) const override
    {
        return applied ? m_items.front() : NeighbourOfGap(tree, m_parent, m_position);
    }

protected:
    // The step is about all the items it added.
    const MenuItem* Subject() const override { return nullptr; }

private:
    MenuItem* m_parent;
    std::size_t m_position = 0;
    std::vector<MenuItem*> m_items;
    std::vector<std::unique_ptr<MenuItem>> m_held; // while the subtrees are out of the tree
};

class DeleteCommand final : public TreeCommand
{
public:
    explicit DeleteCommand(MenuItem* item)
        : TreeCommand("Delete"), m_item(item), m_parent(item->Parent()),
          m_position(item->Position())
    {
    }

    void Apply(MenuTree& tree) override { m_held = tree.Detach(m_item); }
    void Revert(MenuTree& tree) override { tree.Insert(m_parent, m_position, std::move(m_held)); }
    MenuItem* SelectionAfter(const MenuTree& tree, bool applied) const override
    {
        return applied ? NeighbourOfGap(tree, m_parent, m_position) : m_item;
    }

protected:
    const MenuItem* Subject() const override { return m_item; }

private:
    MenuItem* m_item;
    MenuItem* m_parent;
    std::size_t m_position;
    std::unique_ptr<MenuItem> m_held; // while the subtree is out of the tree
};

class MoveCommand final : public TreeCommand
{
public:
    MoveCommand(std::string name, MenuItem* item, MenuItem* parent, std::size_t position)
        : TreeCommand(std::move(name)), m_item(item), m_fromParent(item->Parent()),
          m_fromPosition(item->Position()), m_toParent(parent), m_toPosition(position)
    {
    }

    void Apply(MenuTree& tree) override { tree.Move(m_item, m_toParent, m_toPosition); }
    void Revert(MenuTree& tree) override { tree.Move(m_item, m_fromParent, m_fromPosition); }
    MenuItem* SelectionAfter(const MenuTree&, bool) const override { return m_item; }

protected:
    const MenuItem* Subject() const override { return m_item; }

private:
    MenuItem* m_item;
    MenuItem* m_fromParent;
    std::size_t m_fromPosition;
    MenuItem* m_toParent;
    std::size_t m_toPosition;
};

// One field of one item: a string (Text, Link) or a number (Height, Width).
template <class Value>
class FieldCommand final : public TreeCommand
{
public:
    FieldCommand(std::string name, MenuItem* item, ItemField field, Value value)
        : TreeCommand(std::move(name)), m_item(item), m_field(field), m_old(Get(*item, field)),
          m_new(std::move(value))
    {
    }

    void Apply(MenuTree& tree) override { Set(tree, m_new); }
    void Revert(MenuTree& tree) override { Set(tree, m_old); }
    MenuItem* SelectionAfter(const MenuTree&, bool) const override { return m_item; }
    bool Absorb(const TreeCommand& next) override
    {
        const auto* edit = dynamic_cast<const FieldCommand*>(&next);
        if (edit == nullptr || edit->m_item != m_item || edit->m_field != m_field)
            return false;
        m_new = edit->m_new;
        return true;
    }
    bool ChangesNothing() const override { return m_new == m_old; }

protected:
    const MenuItem* Subject() const override { return m_item; }

private:
    static Value Get(const MenuItem& item, ItemField field)
    {
        if constexpr (std::is_same_v<Value, std::string>)
            return field == ItemField::Text ? item.Text() : item.Rec().Link;
        else
            return field == ItemField::Height ? item.Rec().Height : item.Rec().Width;
    }
    void Set(MenuTree& tree, const Value& value)
    {
        if constexpr (std::is_same_v<Value, std::string>) {
            if (m_field == ItemField::Text)
                tree.SetText(m_item, value);
            else
                m_item->Rec().Link = value;
        } else {
            (m_field == ItemField::Height ? m_item->Rec().Height : m_item->Rec().Width) = value;
        }
    }

    MenuItem* m_item;
    ItemField m_field;
    Value m_old;
    Value m_new;
};

class ApplyToAllCommand final : public TreeCommand
{
public:
    ApplyToAllCommand(const MenuTree& tree, MenuItem* source, ItemField field, std::int32_t value)
        : TreeCommand(field == ItemField::Height ? "Apply Height to All" : "Apply Width to All"),
          m_source(source), m_field(field), m_value(value)
    {
        // The old values in pre-order, as runs of equal values.
        for (const MenuItem* item : tree.PreOrder()) {
            const std::int32_t old = Field(*item);
            if (m_runs.empty() || m_runs.back().value != old)
                m_runs.push_back({old, 0});
            ++m_runs.back().count;
        }
        m_runs.shrink_to_fit();
    }

    void Apply(MenuTree& tree) override
    {
        for (MenuItem* item : tree.PreOrder())
            Field(*item) = m_value;
    }
    void Revert(MenuTree& tree) override
    {
        const std::vector<MenuItem*>& order = tree.PreOrder();
        std::size_t index = 0;
        for (const Run& run : m_runs)
            for (std::size_t k = 0; k < run.count && index < order.size(); ++k)
                Field(*order[index++]) = run.value;
    }
    MenuItem* SelectionAfter(const MenuTree&, bool) const override { return m_source; }

protected:
    // The step names no item: it is about them all.
    const MenuItem* Subject() const override { return nullptr; }

private:
    struct Run
    {
        std::int32_t value;
        std::size_t count;
    };
    std::int32_t& Field(MenuItem& item) const
    {
        return m_field == ItemField::Height ? item.Rec().Height : item.Rec().Width;
    }
    std::int32_t Field(const MenuItem& item) const
    {
        return m_field == ItemField::Height ? item.Rec().Height : item.Rec().Width;
    }

    MenuItem* m_source;
    ItemField m_field;
    std::int32_t m_value;
    std::vector<Run> m_runs;
};

} // namespace

std::string TreeCommand::Description() const
{
    const MenuItem* subject = Subject();
    return subject ? m_name + " " + subject->Text() : m_name;
}

std::unique_ptr<TreeCommand> MakeAppend(MenuItem* parent, std::string text, std::string name)
{
    const std::size_t end = parent ? parent->ChildCount() : static_cast<std::size_t>(-1);
    return std::make_unique<InsertCommand>(std::move(name), parent, end,
                                           MenuTree::NewItem(std::move(text)));
}

std::unique_ptr<TreeCommand> MakeInsert(MenuItem* parent, std::size_t position,
                                        std::unique_ptr<MenuItem> subtree, std::string name)
{
    if (!subtree)
        return nullptr;
    return std::make_unique<InsertCommand>(std::move(name), parent, position, std::move(subtree));
}

std::unique_ptr<TreeCommand>
MakeAppendMany(MenuItem* parent, std::vector<std::unique_ptr<MenuItem>> subtrees, std::string name)
{
    std::erase(subtrees, nullptr);
    if (subtrees.empty())
        return nullptr;
    return std::make_unique<AppendManyCommand>(std::move(name), parent, std::move(subtrees));
}

std::unique_ptr<TreeCommand> MakeDelete(MenuItem* item)
{
    if (item == nullptr)
        return nullptr;
    return std::make_unique<DeleteCommand>(item);
}

const char* MoveName(MoveDirection direction)
{
    switch (direction) {
    case MoveDirection::Up:
        return "Move Up";
    case MoveDirection::Down:
        return "Move Down";
    case MoveDirection::Out:
        return "Move Out";
    case MoveDirection::In:
        return "Move In";
    }
    return "Move";
}

std::unique_ptr<TreeCommand> MakeMove(const MenuTree& tree, MenuItem* item, MoveDirection direction)
{
    if (item == nullptr)
        return nullptr;
    MenuItem* parent = item->Parent();
    const std::size_t position = item->Position();
    const std::size_t listSize = parent ? parent->ChildCount() : tree.RootCount();
    MenuItem* toParent = parent;
    std::size_t toPosition = position;
    switch (direction) {
    case MoveDirection::Up:
        if (position == 0)
            return nullptr;
        toPosition = position - 1;
        break;
    case MoveDirection::Down:
        if (position + 1 >= listSize)
            return nullptr;
        toPosition = position + 1;
        break;
    case MoveDirection::Out:
        if (parent == nullptr)
            return nullptr;
        toParent = parent->Parent();
        toPosition = parent->Position() + 1;
        break;
    case MoveDirection::In:
        if (position == 0)
            return nullptr;
        toParent = parent ? parent->Child(position - 1) : tree.Root(position - 1);
        toPosition = toParent->ChildCount();
        break;
    }
    return std::make_unique<MoveCommand>(MoveName(direction), item, toParent, toPosition);
}

std::unique_ptr<TreeCommand> MakeMoveTo(const MenuTree& tree, MenuItem* item, MenuItem* parent,
                                        std::size_t position)
{
    if (!tree.CanMove(item, parent, position) ||
        (parent == item->Parent() && position == item->Position()))
        return nullptr;
    return std::make_unique<MoveCommand>("Move", item, parent, position);
}

std::unique_ptr<TreeCommand> MakeSetText(MenuItem* item, std::string text)
{
    if (item == nullptr || item->Text() == text)
        return nullptr;
    return std::make_unique<FieldCommand<std::string>>("Edit Text", item, ItemField::Text,
                                                       std::move(text));
}

std::unique_ptr<TreeCommand> MakeSetLink(MenuItem* item, std::string link)
{
    if (item == nullptr || item->Rec().Link == link)
        return nullptr;
    return std::make_unique<FieldCommand<std::string>>("Edit Link", item, ItemField::Link,
                                                       std::move(link));
}

std::unique_ptr<TreeCommand> MakeSetHeight(MenuItem* item, std::int32_t height)
{
    if (item == nullptr || item->Rec().Height == height)
        return nullptr;
    return std::make_unique<FieldCommand<std::int32_t>>("Edit Height", item, ItemField::Height,
                                                        height);
}

std::unique_ptr<TreeCommand> MakeSetWidth(MenuItem* item, std::int32_t width)
{
    if (item == nullptr || item->Rec().Width == width)
        return nullptr;
    return std::make_unique<FieldCommand<std::int32_t>>("Edit Width", item, ItemField::Width,
                                                        width);
}

std::unique_ptr<TreeCommand> MakeApplyToAll(const MenuTree& tree, MenuItem* source, ItemField field)
{
    if (source == nullptr || (field != ItemField::Height && field != ItemField::Width))
        return nullptr;
    const std::int32_t value =
        field == ItemField::Height ? source->Rec().Height : source->Rec().Width;
    bool changes = false;
    for (const MenuItem* item : tree.PreOrder())
        if ((field == ItemField::Height ? item->Rec().Height : item->Rec().Width) != value) {
            changes = true;
            break;
        }
    if (!changes)
        return nullptr;
    return std::make_unique<ApplyToAllCommand>(tree, source, field, value);
}

MenuItem* EditHistory::Do(MenuTree& tree, std::unique_ptr<TreeCommand> command)
{
    if (!command)
        return nullptr;
    command->Apply(tree);
    // The steps undone are dropped, the last first.
    while (m_steps.size() > m_done)
        m_steps.pop_back();
    if (!m_sealed && m_done > 0 && m_steps.back()->Absorb(*command)) {
        MenuItem* select = m_steps.back()->SelectionAfter(tree, true);
        // Typing that ends where it started leaves no step to undo; the next edit starts a step
        // of its own rather than merge into the one before.
        if (m_steps.back()->ChangesNothing()) {
            m_steps.pop_back();
            m_done = m_steps.size();
            m_sealed = true;
        }
        return select;
    }
    m_steps.push_back(std::move(command));
    m_sealed = false;
    if (m_steps.size() > kMaxSteps)
        m_steps.pop_front();
    m_done = m_steps.size();
    return m_steps.back()->SelectionAfter(tree, true);
}

MenuItem* EditHistory::Undo(MenuTree& tree)
{
    if (!CanUndo())
        return nullptr;
    m_sealed = true;
    TreeCommand& step = *m_steps[--m_done];
    step.Revert(tree);
    return step.SelectionAfter(tree, false);
}

MenuItem* EditHistory::Redo(MenuTree& tree)
{
    if (!CanRedo())
        return nullptr;
    m_sealed = true;
    TreeCommand& step = *m_steps[m_done++];
    step.Apply(tree);
    return step.SelectionAfter(tree, true);
}

std::string EditHistory::UndoDescription() const
{
    return CanUndo() ? m_steps[m_done - 1]->Description() : std::string();
}

std::string EditHistory::RedoDescription() const
{
    return CanRedo() ? m_steps[m_done]->Description() : std::string();
}

void EditHistory::Clear()
{
    while (!m_steps.empty())
        m_steps.pop_back();
    m_done = 0;
    m_sealed = true;
}

} // namespace qv
