#include "core/model/MenuTree.h"
#include "core/model/TreeCommands.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::vector<std::string> TextsInOrder(const MenuTree& tree)
{
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < tree.Count(); ++i)
        texts.push_back(tree.At(i)->Text());
    return texts;
}

TEST(MenuTree, AppendsKeepInsertionOrderAndPreOrderIndex)
{
    MenuTree tree;
    MenuItem* home = tree.AppendRoot("Home");
    MenuItem* products = tree.AppendRoot("Products");
    MenuItem* tools = tree.AppendChild(products, "Tools");
    tree.AppendChild(home, "News"); // appended under an earlier root: lands before Products
    MenuItem* parts = tree.AppendChild(products, "Parts");
    MenuItem* bolts = tree.AppendChild(parts, "Bolts");

    EXPECT_EQ(TextsInOrder(tree),
              (std::vector<std::string>{"Home", "News", "Products", "Tools", "Parts", "Bolts"}));
    EXPECT_EQ(tree.Count(), 6u);
    for (std::size_t i = 0; i < tree.Count(); ++i)
        EXPECT_EQ(tree.IndexOf(tree.At(i)), i);
    EXPECT_EQ(tree.At(6), nullptr);

    EXPECT_EQ(bolts->Level(), 2);
    EXPECT_EQ(bolts->Parent(), parts);
    EXPECT_EQ(parts->Position(), 1u);
    EXPECT_EQ(products->ChildCount(), 2u);
    EXPECT_EQ(products->Child(0), tools);
    EXPECT_EQ(tree.CountItemsAtLevel(0), 2u);
    EXPECT_EQ(tree.CountItemsAtLevel(1), 3u);
    EXPECT_EQ(tree.CountItemsAtLevel(2), 1u);
    EXPECT_EQ(tree.CountItemsAtLevel(3), 0u);

    const TMyRec fresh;
    EXPECT_EQ(fresh.Link, "http://");
    EXPECT_EQ(fresh.Height, 20);
    EXPECT_EQ(fresh.Width, 80);
    EXPECT_EQ(fresh.MenuName, "");
    EXPECT_EQ(fresh.ChildSeq, 0);
}

TEST(MenuTree, RemoveTakesTheSubtreeAndRenumbersSiblings)
{
    MenuTree tree;
    MenuItem* a = tree.AppendRoot("A");
    MenuItem* b = tree.AppendRoot("B");
    MenuItem* c = tree.AppendRoot("C");
    MenuItem* b1 = tree.AppendChild(b, "B1");
    tree.AppendChild(b1, "B1a");
    tree.AppendChild(b1, "B1b");
    tree.AppendChild(b, "B2");
    tree.AppendChild(c, "C1");
    ASSERT_EQ(tree.Count(), 8u);
    EXPECT_EQ(tree.DeepestLevel(), 2);

    tree.Remove(b1);
    EXPECT_EQ(tree.Count(), 5u);
    EXPECT_EQ(tree.DeepestLevel(), 1) << "the deepest items went with B1";
    EXPECT_EQ(TextsInOrder(tree), (std::vector<std::string>{"A", "B", "B2", "C", "C1"}));
    EXPECT_EQ(b->Child(0)->Text(), "B2");
    EXPECT_TRUE(b->Child(0)->IsFirstOfList()) << "B2 became the first sub item of B";

    tree.Remove(a);
    EXPECT_EQ(b->Position(), 0u);
    EXPECT_EQ(c->Position(), 1u);
    EXPECT_EQ(EditorStateFor(b), EditorState::FirstOfList);
    EXPECT_EQ(EditorStateFor(c), EditorState::LaterRoot);
    EXPECT_EQ(tree.IndexOf(c), 2u);

    tree.Clear();
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(tree.DeepestLevel(), 0);
    EXPECT_EQ(tree.RootCount(), 0u);
    EXPECT_TRUE(tree.PreOrder().empty());
    tree.AppendRoot("again");
    EXPECT_EQ(tree.At(0)->Text(), "again");
}

TEST(MenuTree, EditorStatesFollowTheFirstOfItsListRule)
{
    MenuTree tree;
    MenuItem* r1 = tree.AppendRoot("r1");
    MenuItem* r2 = tree.AppendRoot("r2");
    MenuItem* s1 = tree.AppendChild(r2, "s1");
    MenuItem* s2 = tree.AppendChild(r2, "s2");
    EXPECT_EQ(EditorStateFor(nullptr), EditorState::NothingSelected);
    EXPECT_EQ(EditorStateFor(r1), EditorState::FirstOfList);
    EXPECT_EQ(EditorStateFor(r2), EditorState::LaterRoot);
    EXPECT_EQ(EditorStateFor(s1), EditorState::FirstOfList);
    EXPECT_EQ(EditorStateFor(s2), EditorState::LaterSubItem);
}

TEST(MenuTree, ApplyToAllReachesEveryLevel)
{
    MenuTree tree;
    MenuItem* root = tree.AppendRoot("r");
    MenuItem* sub = tree.AppendChild(root, "s");
    MenuItem* deep = tree.AppendChild(sub, "d");
    MenuItem* later = tree.AppendRoot("r2");
    sub->Rec().Height = 33;
    later->Rec().Width = -5;
    MakeApplyToAll(tree, sub, ItemField::Height)->Apply(tree);
    MakeApplyToAll(tree, later, ItemField::Width)->Apply(tree);
    for (const MenuItem* item : tree.PreOrder()) {
        EXPECT_EQ(item->Rec().Height, 33) << item->Text();
        EXPECT_EQ(item->Rec().Width, -5) << item->Text();
    }
    EXPECT_EQ(deep->Rec().Link, "http://");
}

TEST(MenuTree, UntitledNumberingIsNeverReused)
{
    std::int32_t counter = 0;
    MenuTree tree;
    for (int i = 0; i < 3; ++i)
        tree.AppendRoot(NextUntitledText(counter));
    tree.Remove(tree.Root(2));
    tree.Remove(tree.Root(1));
    EXPECT_EQ(NextUntitledText(counter), "Untitled4");
    tree.Clear(); // opening a project clears the tree but not the counter
    EXPECT_EQ(NextUntitledText(counter), "Untitled5");

    std::int32_t last = INT32_MAX;
    EXPECT_EQ(NextUntitledText(last), "Untitled-2147483648");
}

TEST(MenuTree, HundredThousandDeepChainIsBuiltIndexedAndDestroyedWithoutRecursion)
{
    constexpr std::size_t depth = 100000;
    auto tree = std::make_unique<MenuTree>();
    MenuItem* item = tree->AppendRoot("level0");
    for (std::size_t i = 1; i < depth; ++i)
        item = tree->AppendChild(item, "level" + std::to_string(i));
    EXPECT_EQ(tree->Count(), depth);
    EXPECT_EQ(tree->At(depth - 1), item);
    EXPECT_EQ(tree->IndexOf(item), depth - 1);
    EXPECT_EQ(item->Level(), static_cast<int>(depth - 1));
    EXPECT_EQ(MenuTree::SubtreeSize(tree->Root(0)), depth);
    EXPECT_EQ(tree->DeepestLevel(), static_cast<int>(depth - 1));
    tree->Root(0)->Rec().Width = 7;
    MakeApplyToAll(*tree, tree->Root(0), ItemField::Width)->Apply(*tree);
    EXPECT_EQ(item->Rec().Width, 7);

    // Removing from the middle, then destroying the rest with the tree.
    tree->Remove(tree->At(depth / 2));
    EXPECT_EQ(tree->Count(), depth / 2);
    EXPECT_EQ(tree->DeepestLevel(), static_cast<int>(depth / 2 - 1));
    tree.reset();
    SUCCEED();
}

TEST(MenuTree, IndexStaysRightWhatEverOrderItemsAreAdded)
{
    // Appends at the end of the pre-order keep the cached order; others must drop it.
    MenuTree tree;
    MenuItem* a = tree.AppendRoot("a");
    MenuItem* a1 = tree.AppendChild(a, "a1");
    MenuItem* a1x = tree.AppendChild(a1, "a1x");
    (void)tree.PreOrder();
    MenuItem* a2 = tree.AppendChild(a, "a2");    // after a1x: at the end
    MenuItem* a1y = tree.AppendChild(a1, "a1y"); // before a2: in the middle
    MenuItem* b = tree.AppendRoot("b");
    EXPECT_EQ(tree.IndexOf(a1x), 2u);
    EXPECT_EQ(tree.IndexOf(a1y), 3u);
    EXPECT_EQ(tree.IndexOf(a2), 4u);
    EXPECT_EQ(tree.IndexOf(b), 5u);
    MenuItem* a1z = tree.AppendChild(a1, "a1z");
    EXPECT_EQ(tree.IndexOf(a1z), 4u);
    EXPECT_EQ(tree.At(5), a2);
}

// The observer is told before each change, while the tree is still as it was (the view's model
// reads it then to name the rows that go), and after it, once the tree is whole again.
class RecordingObserver final : public MenuTreeObserver
{
public:
    explicit RecordingObserver(const MenuTree& tree) : m_tree(tree) {}
    std::vector<std::string> events;

    void AboutToInsert(const MenuItem* parent, std::size_t position) override
    {
        Log("insert at " + Name(parent) + "/" + std::to_string(position));
    }
    void Inserted() override { Log("inserted"); }
    void AboutToRemove(const MenuItem* item) override
    {
        // Still in its place, with the count that includes it.
        const bool inPlace = item->Parent() ? item->Parent()->Child(item->Position()) == item
                                            : m_tree.Root(item->Position()) == item;
        Log("remove " + item->Text() + (inPlace ? " in place" : " already gone"));
    }
    void Removed() override { Log("removed"); }
    void AboutToMove(const MenuItem* item, const MenuItem* parent, std::size_t position) override
    {
        Log("move " + item->Text() + " to " + Name(parent) + "/" + std::to_string(position));
    }
    void Moved() override { Log("moved"); }
    void TextChanged(const MenuItem* item) override { Log("text " + item->Text()); }
    void AboutToReset() override { Log("reset"); }
    void Reset() override { Log("was reset"); }

private:
    static std::string Name(const MenuItem* item) { return item ? item->Text() : "top"; }
    void Log(std::string event) { events.push_back(event + " #" + std::to_string(m_tree.Count())); }
    const MenuTree& m_tree;
};

TEST(MenuTree, TheObserverHearsOfEachChangeBeforeAndAfterIt)
{
    MenuTree tree;
    RecordingObserver observer(tree);
    tree.SetObserver(&observer);
    MenuItem* a = tree.AppendRoot("a");
    MenuItem* b = tree.AppendChild(a, "b");
    tree.AppendChild(b, "c");
    tree.SetText(b, "B");
    tree.Move(b, nullptr, 1);
    tree.Remove(b);
    tree.Clear();
    tree.SetObserver(nullptr);
    const std::vector<std::string> expected = {
        "insert at top/0 #0", "inserted #1",          "insert at a/0 #1", "inserted #2",
        "insert at b/0 #2",   "inserted #3",          "text B #3",        "move B to top/1 #3",
        "moved #3",           "remove B in place #3", "removed #1",       "reset #1",
        "was reset #0"};
    EXPECT_EQ(observer.events, expected);
}

} // namespace
} // namespace qv
