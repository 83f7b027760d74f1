// The window on huge and hostile designs: 100,000 items, and chains 10,000 levels deep and
// deeper than the tree shows, driven through the real commands.

#include "core/project/DesignSize.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/QuorvaneCopyForm.h"
#include "gui/widgets/SpinEdit.h"

#include "HugeDesignFiles.h"
#include "UiTestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

const QByteArray kTemplate = "<script>\n%menu%\nvar roots=%NoOffFirstLineMenus%;\n</script>\n";
constexpr std::size_t kDeepLevels = 10000;

// What a design holds, item by item in tree order.
using ItemState = std::tuple<int, std::string, std::string, std::int32_t, std::int32_t>;
std::vector<ItemState> Snapshot(const MenuTree& tree)
{
    std::vector<ItemState> items;
    items.reserve(tree.Count());
    for (const MenuItem* item : tree.PreOrder())
        items.emplace_back(item->Level(), item->Text(), item->Rec().Link, item->Rec().Height,
                           item->Rec().Width);
    return items;
}

class HugeDesign : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        test::WriteAll(FilePath("dhtml.dat"), kTemplate);
        // The one-time note of Get Code is answered already.
        test::WriteAll(FilePath("quorvane.ini"), "[Prompts]\r\nQuorvaneNote=1\r\n");
        OpenWindow();
        m_tree = TreeView();
    }

    // The window handles what the command posted and is painted, as before the next click.
    void Settle()
    {
        QCoreApplication::processEvents();
        EXPECT_FALSE(m_window->grab().isNull());
    }

    void Open(const QString& path)
    {
        WindowTest::Open(path);
        Settle();
    }
    void Save(const QString& path)
    {
        m_dialogs.saveAnswers.push_back(path);
        Click("btnSave");
        Settle();
    }
    // Get Code; returns whether the code window was shown.
    bool GetCode()
    {
        const qsizetype shown = m_dialogs.execs.size();
        Click("btnOk");
        Settle();
        return m_dialogs.execs.size() > shown &&
               m_dialogs.execs.back() == QLatin1String("FrmQuorvaneCopy");
    }

    QModelIndex IndexOf(const MenuItem* item) { return Model().IndexOf(item); }
    bool Expanded(const MenuItem* item) { return m_tree->isExpanded(IndexOf(item)); }
    // Clicks an item's row, which selects it.
    void ClickItem(const MenuItem* item)
    {
        WindowTest::ClickItem(item);
        ASSERT_EQ(m_window->SelectedItem(), item) << item->Text();
    }
    QString Caption() { return Get<QLineEdit>("txtCaption")->text(); }
    // Whether the view shows the item as a row.
    bool Shown(const MenuItem* item)
    {
        m_tree->scrollTo(IndexOf(item));
        return m_tree->visualRect(IndexOf(item)).height() > 0;
    }

    MenuTreeView* m_tree = nullptr;
};

TEST_F(HugeDesign, AHundredThousandItemsOpenWholeAndEveryCommandWorks)
{
    const QString wide = m_dir.filePath(u"wide.mnu"_s);
    test::WriteWideDesignFile(wide.toStdString());
    Open(wide);
    ASSERT_TRUE(m_dialogs.messages.empty());
    ASSERT_EQ(Tree().Count(), test::kWideCount);
    std::vector<ItemState> opened = Snapshot(Tree());
    {
        MenuTree expected;
        test::BuildWideDesign(expected);
        ASSERT_EQ(opened, Snapshot(expected));
    }
    // Every item with sub items is open; leaves are marked as such for the view.
    for (const MenuItem* item : Tree().PreOrder()) {
        if (item->ChildCount() > 0)
            ASSERT_TRUE(Expanded(item)) << item->Text();
        else
            ASSERT_TRUE(Model().flags(IndexOf(item)) & Qt::ItemNeverHasChildren) << item->Text();
    }
    EXPECT_FALSE(Model().flags(IndexOf(Tree().Root(0))) & Qt::ItemNeverHasChildren);
    // Rows of one height let the view place 100,000 rows without measuring each.
    EXPECT_TRUE(m_tree->uniformRowHeights());

    // Select: the last item of the design, by its row.
    MenuItem* lastGroup = Tree().Root(9)->Child(98);
    ClickItem(lastGroup->Child(99));
    EXPECT_EQ(Caption(), u"Page Section 10.99.100"_s);

    // Add: a sub item under a leaf, which then has sub items, and a root at the end.
    MenuItem* leaf = Tree().Root(4)->Child(50)->Child(7);
    ClickItem(leaf);
    Click("btnAddSubItem");
    Settle();
    ASSERT_EQ(Tree().Count(), test::kWideCount + 1);
    ASSERT_EQ(leaf->ChildCount(), 1u);
    EXPECT_EQ(m_window->SelectedItem(), leaf->Child(0));
    EXPECT_EQ(Caption(), u"Untitled1"_s);
    EXPECT_FALSE(Model().flags(IndexOf(leaf)) & Qt::ItemNeverHasChildren);
    EXPECT_TRUE(Expanded(leaf));
    EXPECT_TRUE(Shown(leaf->Child(0)));
    Click("btnAddRootItem");
    Settle();
    ASSERT_EQ(Tree().RootCount(), test::kWideRoots + 1);
    EXPECT_EQ(m_window->SelectedItem(), Tree().Root(test::kWideRoots));
    EXPECT_TRUE(Shown(Tree().Root(test::kWideRoots)));

    // Delete: a group of 101 items from the middle; its next sibling is selected.
    MenuItem* group = Tree().Root(4)->Child(20);
    MenuItem* next = Tree().Root(4)->Child(21);
    ClickItem(group);
    Click("btnDeleteItem");
    Settle();
    ASSERT_EQ(Tree().Count(), test::kWideCount + 2 - (1 + test::kWideLeaves));
    EXPECT_EQ(Tree().Root(4)->Child(20), next);
    EXPECT_EQ(m_window->SelectedItem(), next);
    EXPECT_EQ(Caption(), u"Group Section 5.22"_s);
    EXPECT_TRUE(Expanded(next));
    // The tree still shows the items after the removed ones, and a leaf of the neighbour.
    EXPECT_TRUE(Shown(next->Child(99)));
    EXPECT_TRUE(Shown(lastGroup->Child(99)));

    // Apply to All: the selected item's height and width reach every item.
    ClickItem(Tree().Root(0)->Child(0));
    Get<SpinEdit>("spinHeight")->SetValue(33);
    Get<SpinEdit>("spinWidth")->SetValue(133);
    Click("btnApplyToAllH");
    Click("btnApplyToAllW");
    for (const MenuItem* item : Tree().PreOrder()) {
        ASSERT_EQ(item->Rec().Height, 33) << item->Text();
        ASSERT_EQ(item->Rec().Width, 133) << item->Text();
    }

    // Get Code: one array line per item, the last root's last item named by its place.
    ASSERT_TRUE(GetCode());
    const QString& code = m_window->GeneratedCode();
    EXPECT_EQ(code.count(QStringLiteral("=new Array(")), static_cast<qsizetype>(Tree().Count()));
    EXPECT_TRUE(
        code.contains(QStringLiteral("\r\n   Menu10_99_100=new Array(\"Page Section 10.99.100\"")));
    EXPECT_TRUE(code.contains(QStringLiteral("var roots=11;")));

    // Save, and open again: the same design.
    const std::vector<ItemState> saved = Snapshot(Tree());
    const QString copy = m_dir.filePath(u"copy.mnu"_s);
    Save(copy);
    ASSERT_TRUE(m_dialogs.messages.empty()) << m_dialogs.messages.back().text.toStdString();
    // The file holds the item sections as measured, and the style.
    const auto bytes = static_cast<std::uint64_t>(QFile(copy).size());
    EXPECT_GE(bytes, MenuSectionsSize(Tree()));
    EXPECT_LT(bytes, MenuSectionsSize(Tree()) + 1024);
    Open(copy);
    ASSERT_TRUE(m_dialogs.messages.empty());
    EXPECT_EQ(Snapshot(Tree()), saved);
    // The leaf that took a sub item moved up one place with the group removed before it.
    EXPECT_TRUE(Expanded(Tree().Root(4)->Child(49)->Child(7)));
}

TEST_F(HugeDesign, AChainTenThousandLevelsDeepOpensAndIsEditedAtEveryDepth)
{
    const QString deep = m_dir.filePath(u"deep.mnu"_s);
    test::WriteDeepChainFile(deep.toStdString(), kDeepLevels);
    Open(deep);
    ASSERT_TRUE(m_dialogs.messages.empty());
    ASSERT_EQ(Tree().Count(), kDeepLevels);
    const auto at = [&](std::size_t level) { return Tree().At(level); };
    ASSERT_EQ(at(kDeepLevels - 1)->Level(), static_cast<int>(kDeepLevels) - 1);
    // Opened as far as the window opens designs by itself.
    const std::size_t opened = MenuTreeView::kAutoExpandDepth;
    EXPECT_TRUE(Expanded(at(opened - 2)));
    EXPECT_FALSE(Expanded(at(opened - 1)));
    EXPECT_TRUE(Shown(at(opened - 1)));
    ClickItem(at(opened - 1));
    EXPECT_EQ(Caption(), QString(u"Level %1"_s).arg(opened - 1));

    // '*' on the root opens the whole chain; End goes to its last item.
    ClickItem(at(0));
    QTest::keyClick(m_tree, Qt::Key_Asterisk);
    Settle();
    EXPECT_TRUE(Expanded(at(kDeepLevels - 2)));
    QTest::keyClick(m_tree, Qt::Key_End);
    Settle();
    ASSERT_EQ(m_window->SelectedItem(), at(kDeepLevels - 1));
    EXPECT_EQ(Caption(), QString(u"Level %1"_s).arg(kDeepLevels - 1));
    EXPECT_TRUE(Shown(at(kDeepLevels - 1)));
    // Its level is the last the tree shows: it takes siblings, but no sub items.
    ASSERT_TRUE(MenuTreeModel::IsDeepestShown(at(kDeepLevels - 1)));
    EXPECT_FALSE(Get<QPushButton>("btnAddSubItem")->isEnabled());
    EXPECT_TRUE(Get<QPushButton>("btnAddSibling")->isEnabled());

    // Add: a sibling of the last item, then a sub item of the item above it.
    MenuItem* parent = at(kDeepLevels - 2);
    Click("btnAddSibling");
    Settle();
    ASSERT_EQ(parent->ChildCount(), 2u);
    EXPECT_EQ(m_window->SelectedItem(), parent->Child(1));
    EXPECT_TRUE(Shown(parent->Child(1)));
    ClickItem(parent);
    EXPECT_TRUE(Get<QPushButton>("btnAddSubItem")->isEnabled());
    Click("btnAddSubItem");
    Settle();
    ASSERT_EQ(parent->ChildCount(), 3u);
    EXPECT_EQ(m_window->SelectedItem(), parent->Child(2));
    EXPECT_EQ(Caption(), u"Untitled2"_s);

    // Delete: the two new items; a neighbour is selected each time.
    Click("btnDeleteItem");
    Settle();
    EXPECT_EQ(m_window->SelectedItem(), parent->Child(1));
    Click("btnDeleteItem");
    Settle();
    ASSERT_EQ(Tree().Count(), kDeepLevels);
    EXPECT_EQ(m_window->SelectedItem(), parent->Child(0));
    EXPECT_EQ(Caption(), QString(u"Level %1"_s).arg(kDeepLevels - 1));
    // The chain above is still open after the removals.
    EXPECT_TRUE(Expanded(at(0)));
    EXPECT_TRUE(Expanded(at(kDeepLevels / 2)));
    EXPECT_TRUE(Expanded(parent));

    // Apply to All from the deepest item.
    Get<SpinEdit>("spinHeight")->SetValue(17);
    Click("btnApplyToAllH");
    for (const MenuItem* item : Tree().PreOrder())
        ASSERT_EQ(item->Rec().Height, 17);

    // Get Code: some 150 MB of code, refused up front with its size; nothing is built, not even
    // the names, and the code window does not open.
    const std::uint64_t code =
        MenuArraysSize(Tree()) + static_cast<std::uint64_t>(kTemplate.size());
    ASSERT_GT(code, TfrmQuorvane::kMaxCodeBytes);
    EXPECT_FALSE(GetCode());
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].text, TfrmQuorvane::CodeTooLargeMessage(code));
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Tarnwick Quorvane Wizard"_s);
    EXPECT_TRUE(m_window->GeneratedCode().isEmpty());
    EXPECT_EQ(at(5)->Rec().MenuName, "a5");

    // Save: a file of hundreds of gigabytes, refused before a name is asked for.
    const std::uint64_t file = MenuSectionsSize(Tree());
    ASSERT_GT(file, std::uint64_t{100} << 30);
    const QString copy = m_dir.filePath(u"copy.mnu"_s);
    m_dialogs.saveAnswers.push_back(copy);
    Click("btnSave");
    Settle();
    ASSERT_EQ(m_dialogs.messages.size(), 2u);
    EXPECT_EQ(m_dialogs.messages[1].text, TfrmQuorvane::FileTooLargeMessage(file));
    EXPECT_TRUE(m_dialogs.saveRequests.empty());
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(m_window->ProjectFile() == deep);
    m_dialogs.saveAnswers.clear();

    // Cut to 300 levels, the design saves and makes its code; the file opens as the same chain.
    ClickItem(at(300));
    Click("btnDeleteItem");
    Settle();
    ASSERT_EQ(Tree().Count(), 300u);
    EXPECT_EQ(m_window->SelectedItem(), at(299));
    ASSERT_TRUE(GetCode());
    const QString deepestName = u"Menu1"_s + QString(u"_1"_s).repeated(299);
    EXPECT_TRUE(m_window->GeneratedCode().contains(QString(300, u' ') + deepestName +
                                                   u"=new Array(\"Level 299\""_s));
    const std::vector<ItemState> saved = Snapshot(Tree());
    Save(copy);
    ASSERT_EQ(m_dialogs.messages.size(), 2u) << m_dialogs.messages.back().text.toStdString();
    Open(copy);
    ASSERT_EQ(m_dialogs.messages.size(), 2u);
    EXPECT_EQ(Snapshot(Tree()), saved);
    EXPECT_TRUE(Expanded(at(298)));

    // Open again the file of 10,000 levels, and cut the chain below its root.
    Open(deep);
    ASSERT_EQ(Tree().Count(), kDeepLevels);
    ClickItem(at(1));
    Click("btnDeleteItem");
    Settle();
    ASSERT_EQ(Tree().Count(), 1u);
    EXPECT_EQ(m_window->SelectedItem(), at(0));
    EXPECT_EQ(Caption(), u"Level 0"_s);
}

TEST_F(HugeDesign, RowsIndentedPastTheTreesWidthAreReachedByKeyboardAndScrolledTo)
{
    // Thirty levels by Add Sub Item: the deeper rows start right of the tree's edge.
    Click("btnAddRootItem");
    for (int level = 1; level < 30; ++level)
        Click("btnAddSubItem");
    Settle();
    const MenuItem* deepest = Tree().At(29);
    ASSERT_EQ(deepest->Level(), 29);
    EXPECT_EQ(m_window->SelectedItem(), deepest);
    const QRect row = m_tree->visualRect(IndexOf(deepest));
    EXPECT_GT(row.left(), m_tree->viewport()->width());
    // The column holds the deepest row, and the tree scrolls sideways to it.
    EXPECT_GT(m_tree->columnWidth(0), row.left() + m_tree->horizontalScrollBar()->value());
    EXPECT_GT(m_tree->horizontalScrollBar()->maximum(), 0);

    // Keys move the selection through the deep rows, and the editor follows.
    m_tree->setFocus();
    QTest::keyClick(m_tree, Qt::Key_Home);
    EXPECT_EQ(m_window->SelectedItem(), Tree().At(0));
    QTest::keyClick(m_tree, Qt::Key_End);
    EXPECT_EQ(m_window->SelectedItem(), deepest);
    EXPECT_EQ(Caption(), u"Untitled30"_s);
    QTest::keyClick(m_tree, Qt::Key_Up);
    EXPECT_EQ(m_window->SelectedItem(), Tree().At(28));
    QTest::keyClick(m_tree, Qt::Key_Home);
    for (int level = 1; level < 30; ++level)
        QTest::keyClick(m_tree, Qt::Key_Down);
    EXPECT_EQ(m_window->SelectedItem(), deepest);

    // A shallow design again: the column fits the tree and nothing scrolls sideways.
    ClickItem(Tree().At(1));
    Click("btnDeleteItem");
    Settle();
    EXPECT_EQ(m_tree->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(m_tree->columnWidth(0), m_tree->viewport()->width());
}

TEST_F(HugeDesign, LevelsBelowTheLastShownOneStayInTheDesignButNeverOpen)
{
    const std::size_t levels = MenuTreeModel::kShownLevels + 20;
    const QString deeper = m_dir.filePath(u"deeper.mnu"_s);
    test::WriteDeepChainFile(deeper.toStdString(), levels);
    Open(deeper);
    ASSERT_EQ(Tree().Count(), levels);
    const MenuItem* last = Tree().At(MenuTreeModel::kShownLevels - 1);
    ASSERT_TRUE(MenuTreeModel::IsDeepestShown(last));
    ASSERT_FALSE(MenuTreeModel::IsDeepestShown(last->Parent()));
    EXPECT_TRUE(Model().flags(IndexOf(last)) & Qt::ItemNeverHasChildren);

    // Neither '*', nor the view's own expanding, nor a double click opens the last shown level.
    ClickItem(Tree().Root(0));
    QTest::keyClick(m_tree, Qt::Key_Asterisk);
    Settle();
    EXPECT_TRUE(Expanded(last->Parent()));
    EXPECT_FALSE(Expanded(last));
    m_tree->expand(IndexOf(last));
    m_tree->expandAll();
    Settle();
    EXPECT_FALSE(Expanded(last));
    ClickItem(last);
    const QPoint row(m_tree->viewport()->width() - 4,
                     m_tree->visualRect(IndexOf(last)).center().y());
    QTest::mouseDClick(m_tree->viewport(), Qt::LeftButton, {}, row);
    Settle();
    EXPECT_FALSE(Expanded(last));
    QTest::keyClick(m_tree, Qt::Key_Right);
    Settle();
    EXPECT_FALSE(Expanded(last));

    // It takes no sub items, whether by the disabled button or its handler.
    ASSERT_EQ(m_window->SelectedItem(), last);
    EXPECT_FALSE(Get<QPushButton>("btnAddSubItem")->isEnabled());
    const std::int32_t counter = m_window->ItemCounter();
    m_window->btnAddSubItemClick();
    EXPECT_EQ(Tree().Count(), levels);
    EXPECT_EQ(m_window->ItemCounter(), counter);

    // The hidden levels go with an item above them.
    ClickItem(last->Parent());
    Click("btnDeleteItem");
    Settle();
    EXPECT_EQ(Tree().Count(), static_cast<std::size_t>(MenuTreeModel::kShownLevels) - 2);
}

} // namespace
} // namespace qv
