#include "core/model/TreeCommands.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

// Everything that identifies a tree's state: each item in pre-order with its identity, place,
// text and record. Undo brings back the very items, so identities are compared too.
struct ItemState
{
    const MenuItem* item;
    const MenuItem* parent;
    std::size_t position;
    int level;
    std::string text;
    TMyRec rec;
    friend bool operator==(const ItemState&, const ItemState&) = default;
};
using TreeState = std::vector<ItemState>;

// The state, after checking that the tree agrees with itself: counts, positions, levels and the
// pre-order index.
TreeState StateOf(const MenuTree& tree)
{
    TreeState state;
    const std::vector<MenuItem*>& order = tree.PreOrder();
    EXPECT_EQ(order.size(), tree.Count());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem* item = order[i];
        const MenuItem* parent = item->Parent();
        EXPECT_EQ(parent ? parent->Child(item->Position()) : tree.Root(item->Position()), item);
        EXPECT_EQ(item->Level(), parent ? parent->Level() + 1 : 0);
        EXPECT_EQ(tree.IndexOf(item), i);
        state.push_back({item, parent, item->Position(), item->Level(), item->Text(), item->Rec()});
    }
    return state;
}

// "N7": appended to a string of its own. GCC 12 at -O3 takes "N" + std::to_string(7) for an
// overlapping copy (a false -Wrestrict).
std::string Numbered(const char* prefix, std::size_t number)
{
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

std::string Texts(const MenuTree& tree)
{
    std::string texts;
    for (const MenuItem* item : tree.PreOrder())
        texts += std::string(static_cast<std::size_t>(item->Level()), '-') + item->Text() + " ";
    return texts;
}

TEST(TreeCommands, EachCommandAndItsUndoRestoreTheTreeExactly)
{
    MenuTree tree;
    MenuItem* home = tree.AppendRoot("Home", {"/", 30, 120, "Menu1", 2});
    MenuItem* products = tree.AppendRoot("Products", {"/p", 21, 81, "Menu2", 1});
    MenuItem* tools = tree.AppendChild(products, "Tools", {"/t", 22, 82, "Menu2_1", 0});
    MenuItem* parts = tree.AppendChild(products, "Parts");
    tree.AppendChild(parts, "Bolts");
    MenuItem* about = tree.AppendRoot("About");
    EditHistory history;
    const TreeState start = StateOf(tree);

    const auto check = [&](std::unique_ptr<TreeCommand> command, const std::string& after,
                           const std::string& description) {
        ASSERT_NE(command, nullptr) << after;
        EXPECT_EQ(command->Description(), description);
        const TreeState before = StateOf(tree);
        history.Do(tree, std::move(command));
        EXPECT_EQ(Texts(tree), after);
        const TreeState done = StateOf(tree);
        history.Undo(tree);
        EXPECT_EQ(StateOf(tree), before) << description;
        history.Redo(tree);
        EXPECT_EQ(StateOf(tree), done) << description;
        history.Undo(tree);
    };
    check(MakeDelete(products), "Home About ", "Delete Products");
    check(MakeMove(tree, about, MoveDirection::Up), "Home About Products -Tools -Parts --Bolts ",
          "Move Up About");
    check(MakeMove(tree, home, MoveDirection::Down), "Products -Tools -Parts --Bolts Home About ",
          "Move Down Home");
    check(MakeMove(tree, parts, MoveDirection::Out), "Home Products -Tools Parts -Bolts About ",
          "Move Out Parts");
    check(MakeMove(tree, products, MoveDirection::In),
          "Home -Products --Tools --Parts ---Bolts About ", "Move In Products");
    check(MakeMove(tree, parts, MoveDirection::In), "Home Products -Tools --Parts ---Bolts About ",
          "Move In Parts");
    check(MakeMoveTo(tree, home, tools, 0), "Products -Tools --Home -Parts --Bolts About ",
          "Move Home");
    check(MakeMoveTo(tree, tools, nullptr, 2), "Home Products -Parts --Bolts Tools About ",
          "Move Tools");
    check(MakeAppend(parts, "Untitled7", "Add Sub Item"),
          "Home Products -Tools -Parts --Bolts --Untitled7 About ", "Add Sub Item Untitled7");
    check(MakeInsert(nullptr, 1, MenuTree::NewItem("News"), "Add"),
          "Home News Products -Tools -Parts --Bolts About ", "Add News");
    {
        MenuTree scratch;
        MenuItem* news = scratch.AppendRoot("News");
        scratch.AppendChild(news, "Old");
        std::vector<std::unique_ptr<MenuItem>> added;
        added.push_back(scratch.Detach(news));
        added.push_back(MenuTree::NewItem("Blog"));
        check(MakeAppendMany(parts, std::move(added), "Import"),
              "Home Products -Tools -Parts --Bolts --News ---Old --Blog About ", "Import");
    }
    check(MakeSetText(tools, "Gear"), "Home Products -Gear -Parts --Bolts About ",
          "Edit Text Tools");
    const std::string unchanged = Texts(tree);
    check(MakeSetLink(tools, "/gear"), unchanged, "Edit Link Tools");
    check(MakeSetHeight(tools, -5), unchanged, "Edit Height Tools");
    check(MakeSetWidth(tools, 0), unchanged, "Edit Width Tools");
    check(MakeApplyToAll(tree, tools, ItemField::Height), unchanged, "Apply Height to All");
    check(MakeApplyToAll(tree, home, ItemField::Width), unchanged, "Apply Width to All");
    EXPECT_EQ(StateOf(tree), start);

    // What cannot be done gives no command: the edges of the moves, a place inside the item
    // itself or below it, a place beyond the list, values that are already there.
    EXPECT_EQ(MakeMove(tree, home, MoveDirection::Up), nullptr);
    EXPECT_EQ(MakeMove(tree, about, MoveDirection::Down), nullptr);
    EXPECT_EQ(MakeMove(tree, home, MoveDirection::Out), nullptr);
    EXPECT_EQ(MakeMove(tree, tools, MoveDirection::In), nullptr);
    EXPECT_EQ(MakeMove(tree, parts, MoveDirection::Down), nullptr);
    EXPECT_EQ(MakeMoveTo(tree, products, products, 0), nullptr);
    EXPECT_EQ(MakeMoveTo(tree, products, parts->Child(0), 0), nullptr);
    EXPECT_EQ(MakeMoveTo(tree, products, nullptr, 1), nullptr); // where it is
    EXPECT_EQ(MakeMoveTo(tree, products, nullptr, 3), nullptr); // past the end
    EXPECT_EQ(MakeMoveTo(tree, tools, home, 1), nullptr);
    EXPECT_EQ(MakeSetText(tools, "Tools"), nullptr);
    EXPECT_EQ(MakeDelete(nullptr), nullptr);
    EXPECT_EQ(MakeAppendMany(nullptr, {}, "Import"), nullptr);
    MenuTree uniform;
    MenuItem* only = uniform.AppendRoot("Only");
    EXPECT_EQ(MakeApplyToAll(uniform, only, ItemField::Height), nullptr);
    EXPECT_FALSE(tree.Move(parts, parts, 0));
    EXPECT_EQ(StateOf(tree), start);
}

TEST(TreeCommands, UndoSelectsTheItemOfTheStepAndEditsOfOneFieldMerge)
{
    MenuTree tree;
    MenuItem* a = tree.AppendRoot("A");
    MenuItem* b = tree.AppendRoot("B");
    MenuItem* b1 = tree.AppendChild(b, "B1");
    EditHistory history;

    // A delete selects the next sibling, else the one before, else the parent; its undo the
    // item itself.
    EXPECT_EQ(history.Do(tree, MakeDelete(a)), b);
    EXPECT_EQ(history.Undo(tree), a);
    EXPECT_EQ(history.Do(tree, MakeDelete(b1)), b);
    EXPECT_EQ(history.Undo(tree), b1);
    EXPECT_EQ(history.Do(tree, MakeDelete(b)), a);
    EXPECT_EQ(history.UndoDescription(), "Delete B");
    EXPECT_EQ(history.Undo(tree), b);
    EXPECT_EQ(history.RedoDescription(), "Delete B");
    // An undone add selects where the item was.
    EXPECT_NE(history.Do(tree, MakeAppend(b, "B2", "Add Sibling")), nullptr);
    EXPECT_EQ(history.Undo(tree), b1);

    // Typing in one box for one item is one step; another field, another item or a seal starts
    // the next one.
    history.Clear();
    for (const char* typed : {"X", "Xy", "Xyz"})
        history.Do(tree, MakeSetText(a, typed));
    history.Do(tree, MakeSetLink(a, "/x"));
    history.Do(tree, MakeSetLink(a, "/xy"));
    history.Do(tree, MakeSetLink(b, "/b"));
    history.Seal();
    history.Do(tree, MakeSetLink(b, "/bb"));
    EXPECT_EQ(history.UndoCount(), 4u);
    history.Undo(tree);
    EXPECT_EQ(b->Rec().Link, "/b");
    history.Undo(tree);
    history.Undo(tree);
    EXPECT_EQ(a->Rec().Link, "http://");
    EXPECT_EQ(a->Text(), "Xyz");
    history.Undo(tree);
    EXPECT_EQ(a->Text(), "A");
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Undo(tree), nullptr);
    // A new step drops what was undone; an undo seals, so no edit merges into a step redone.
    history.Redo(tree);
    history.Do(tree, MakeSetText(a, "Q"));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.UndoCount(), 2u);
    EXPECT_EQ(history.UndoDescription(), "Edit Text Q");
}

// Delete, its undo and its redo select by one rule: the item the step was about, or, while it is
// out of the tree, the next sibling, else the one before it, else the parent, else none.
TEST(TreeCommands, DeleteUndoAndRedoSelectByOneRuleAtEveryPlaceInAList)
{
    struct Case
    {
        const char* deleted;
        const char* selected; // after the delete and after its redo; "" for none
    };
    const std::vector<Case> cases = {
        {"A", "B"},   {"B", "C"},   {"C", "B"},   // the first, a middle and the last root
        {"B1", "B2"}, {"B2", "B3"}, {"B3", "B2"}, // the same among sub items
        {"C1", "C"},                              // an only sub item: its parent
    };
    const auto build = [](MenuTree& tree) {
        tree.AppendRoot("A");
        MenuItem* b = tree.AppendRoot("B");
        for (const char* text : {"B1", "B2", "B3"})
            tree.AppendChild(b, text);
        tree.AppendChild(tree.AppendRoot("C"), "C1");
    };
    const auto find = [](const MenuTree& tree, const std::string& text) -> MenuItem* {
        for (MenuItem* item : tree.PreOrder())
            if (item->Text() == text)
                return item;
        return nullptr;
    };
    const auto text = [](const MenuItem* item) { return item ? item->Text() : std::string(); };
    for (const Case& c : cases) {
        MenuTree tree;
        build(tree);
        EditHistory history;
        MenuItem* deleted = find(tree, c.deleted);
        EXPECT_EQ(text(history.Do(tree, MakeDelete(deleted))), c.selected) << c.deleted;
        EXPECT_EQ(history.Undo(tree), deleted) << c.deleted;
        EXPECT_EQ(text(history.Redo(tree)), c.selected) << c.deleted;
    }
    // The only root: nothing is left to select.
    MenuTree single;
    MenuItem* only = single.AppendRoot("Only");
    EditHistory history;
    EXPECT_EQ(history.Do(single, MakeDelete(only)), nullptr);
    EXPECT_EQ(history.Undo(single), only);
    EXPECT_EQ(history.Redo(single), nullptr);
}

// Typing that ends on the text it started from leaves no step; Undo ends the step being typed, so
// typing after it never merges into the step before.
TEST(TreeCommands, TypingBackToTheStartLeavesNoStepAndUndoEndsTheStepBeingTyped)
{
    MenuTree tree;
    MenuItem* item = tree.AppendRoot("Old");
    EditHistory history;
    history.Do(tree, MakeSetText(item, "Ol"));
    EXPECT_EQ(history.Do(tree, MakeSetText(item, "Old")), item);
    EXPECT_FALSE(history.CanUndo());

    history.Do(tree, MakeSetText(item, "A")); // step 1: Old to A
    history.Seal();
    history.Do(tree, MakeSetText(item, "AB")); // step 2, merging what is typed next
    history.Do(tree, MakeSetText(item, "A"));  // back where step 2 started: dropped
    EXPECT_EQ(history.UndoCount(), 1u);
    history.Do(tree, MakeSetText(item, "AZ")); // a step of its own, not merged into step 1
    EXPECT_EQ(history.UndoCount(), 2u);
    history.Undo(tree);
    EXPECT_EQ(item->Text(), "A");

    history.Do(tree, MakeSetText(item, "AB")); // step 2 again
    history.Undo(tree);
    history.Do(tree, MakeSetText(item, "AC")); // after an undo: a step of its own
    EXPECT_EQ(history.UndoCount(), 2u);
    EXPECT_EQ(history.UndoDescription(), "Edit Text AC");
    history.Undo(tree);
    EXPECT_EQ(item->Text(), "A");
    history.Undo(tree);
    EXPECT_EQ(item->Text(), "Old");
}

// The history keeps the last 1,000 steps: the 1,001st step pushes out the first, which can then
// no longer be undone.
TEST(TreeCommands, TheHistoryKeepsTheLastThousandSteps)
{
    MenuTree tree;
    MenuItem* item = tree.AppendRoot("Start");
    EditHistory history;
    for (std::size_t i = 1; i <= 1001; ++i) {
        history.Do(tree, MakeSetText(item, Numbered("Text ", i)));
        history.Seal();
    }
    EXPECT_EQ(history.UndoCount(), 1000u);
    while (history.CanUndo())
        history.Undo(tree);
    EXPECT_EQ(item->Text(), "Text 1");
    EXPECT_EQ(history.RedoCount(), 1000u);
}

TEST(TreeCommands, RandomCommandsUndoAndRedoAgainstRecordedStates)
{
    std::mt19937 random(17);
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    MenuTree tree;
    for (std::size_t i = 0; i < 20; ++i) {
        MenuItem* parent = tree.Empty() || pick(3) == 0 ? nullptr : tree.At(pick(tree.Count()));
        tree.AppendChild(parent, Numbered("I", i));
    }
    EditHistory history;
    // states[k] is the tree after the first k steps of the history.
    std::vector<TreeState> states{StateOf(tree)};
    std::size_t made = 0;
    for (int round = 0; round < 600; ++round) {
        MenuItem* item = tree.Empty() ? nullptr : tree.At(pick(tree.Count()));
        const std::size_t choice = pick(12);
        if (choice == 10 || choice == 11) {
            if (choice == 10)
                history.Undo(tree);
            else
                history.Redo(tree);
            ASSERT_EQ(StateOf(tree), states[history.UndoCount()]) << "round " << round;
            continue;
        }
        std::unique_ptr<TreeCommand> command;
        switch (choice) {
        case 0:
            command = MakeAppend(item, Numbered("N", made++), "Add");
            break;
        case 1:
            if (tree.Count() > 8)
                command = MakeDelete(item);
            break;
        case 2:
        case 3:
            command = MakeMove(tree, item, static_cast<MoveDirection>(pick(4)));
            break;
        case 4: {
            MenuItem* parent = pick(4) == 0 || tree.Empty() ? nullptr : tree.At(pick(tree.Count()));
            const std::size_t size = parent ? parent->ChildCount() : tree.RootCount();
            if (item)
                command = MakeMoveTo(tree, item, parent, pick(size + 1));
            break;
        }
        case 5: {
            // A subtree of its own, put anywhere.
            auto subtree = MenuTree::NewItem(Numbered("S", made++));
            MenuItem* parent = pick(3) == 0 ? nullptr : item;
            const std::size_t size = parent ? parent->ChildCount() : tree.RootCount();
            command = MakeInsert(parent, pick(size + 1), std::move(subtree), "Insert");
            break;
        }
        case 6:
            command = MakeSetText(item, Numbered("T", pick(5)));
            break;
        case 7:
            command = pick(2) ? MakeSetLink(item, Numbered("/", pick(5)))
                              : MakeSetWidth(item, static_cast<std::int32_t>(pick(5)));
            break;
        case 8:
            command = MakeSetHeight(item, static_cast<std::int32_t>(pick(5)) - 2);
            break;
        case 9:
            command = MakeApplyToAll(tree, item, pick(2) ? ItemField::Height : ItemField::Width);
            break;
        }
        if (pick(4) == 0)
            history.Seal();
        if (command == nullptr)
            continue;
        const std::size_t stepsBefore = history.UndoCount();
        history.Do(tree, std::move(command));
        states.resize(stepsBefore + 1);
        if (history.UndoCount() == stepsBefore) // merged into the last step
            states.back() = StateOf(tree);
        else
            states.push_back(StateOf(tree));
        ASSERT_EQ(history.UndoCount(), states.size() - 1);
    }
    // All the way back and forward again.
    while (history.CanUndo()) {
        history.Undo(tree);
        ASSERT_EQ(StateOf(tree), states[history.UndoCount()]);
    }
    while (history.CanRedo()) {
        history.Redo(tree);
        ASSERT_EQ(StateOf(tree), states[history.UndoCount()]);
    }
    EXPECT_GT(states.size(), 150u);
}

} // namespace
} // namespace qv
