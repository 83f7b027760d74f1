#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/widgets/SpinEdit.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

class Rearrange : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenWindow(true));
        m_tree = TreeView();
    }

    // A key pressed with the focus in the tree.
    void TreeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        m_tree->setFocus();
        QTest::keyClick(m_tree, key, modifiers);
    }
    QAction* Action(const char* name) { return Get<QAction>(name); }
    // The design as "Home -News Products", each item's level shown by dashes.
    std::string Outline()
    {
        std::string text;
        for (const MenuItem* item : Tree().PreOrder()) {
            if (!text.empty())
                text += ' ';
            text.append(static_cast<std::size_t>(item->Level()), '-');
            text += item->Text();
        }
        return text;
    }
    bool InView(const MenuItem* item)
    {
        return m_tree->viewport()->rect().intersects(m_tree->visualRect(Model().IndexOf(item)));
    }

    MenuTreeView* m_tree = nullptr;
};

TEST_F(Rearrange, KeysMoveTheSelectedItemAndTheEditorFollowsItsNewPlace)
{
    Click("btnAddRootItem"); // Untitled1
    Click("btnAddSubItem");  // Untitled2 under it
    Click("btnAddSibling");  // Untitled3 under it
    Click("btnAddRootItem"); // Untitled4
    ClickItem(Tree().At(2));
    MenuItem* third = m_window->SelectedItem();
    ASSERT_EQ(third->Text(), "Untitled3");
    auto* height = Get<SpinEdit>("spinHeight");
    auto* width = Get<SpinEdit>("spinWidth");
    EXPECT_FALSE(width->isEnabled()); // a later sub item sets its height only

    TreeKey(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled3 -Untitled2 Untitled4");
    EXPECT_EQ(m_window->SelectedItem(), third);
    EXPECT_TRUE(width->isEnabled()); // first of its list now
    EXPECT_EQ(width->Value(), 80);
    EXPECT_EQ(Action("actUndo")->text(), u"&Undo Move Up Untitled3"_s);

    TreeKey(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled3 Untitled4");
    EXPECT_FALSE(height->isEnabled()); // a later root
    EXPECT_EQ(height->Value(), 0);
    EXPECT_EQ(third->Rec().Height, 20);
    TreeKey(Qt::Key_Down, Qt::ControlModifier);
    TreeKey(Qt::Key_Down, Qt::ControlModifier); // at the end: nothing
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled4 Untitled3");
    TreeKey(Qt::Key_Right, Qt::ControlModifier);
    TreeKey(Qt::Key_Right, Qt::ControlModifier); // first of its list: nothing
    TreeKey(Qt::Key_Up, Qt::ControlModifier);    // nor does the view move its current row
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled4 -Untitled3");
    EXPECT_EQ(m_window->SelectedItem(), third);
    EXPECT_EQ(m_tree->currentIndex(), Model().IndexOf(third));
    EXPECT_TRUE(InView(third));
    EXPECT_TRUE(height->isEnabled());
    EXPECT_FALSE(Action("actMoveIn")->isEnabled());
    EXPECT_FALSE(Action("actMoveDown")->isEnabled());
    EXPECT_TRUE(Action("actMoveOut")->isEnabled());

    // Undo takes the moves back one by one, and redo does them again; Ctrl+Y redoes too.
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled4 Untitled3");
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled3 -Untitled2 Untitled4");
    EXPECT_EQ(m_window->SelectedItem(), third);
    TreeKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    TreeKey(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled4 Untitled3");

    // F2 puts the focus into the Text box with its text selected; in a text box the box's own
    // undo applies, and the tree's steps stay as they are.
    TreeKey(Qt::Key_F2);
    auto* caption = Get<QLineEdit>("txtCaption");
    EXPECT_TRUE(caption->hasFocus());
    EXPECT_EQ(caption->selectedText(), u"Untitled3"_s);
    QTest::keyClicks(caption, u"Tools"_s);
    EXPECT_EQ(third->Text(), "Tools");
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(caption, Qt::Key_Y, Qt::ControlModifier); // the move in stays undone
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2 Untitled4 " + third->Text());
    QTest::keyClick(caption, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(caption, u"Tools"_s);
    // The typing is one step, which restores the text the item had before it.
    EXPECT_EQ(Action("actUndo")->text(), u"&Undo Edit Text Tools"_s);
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(third->Text(), "Untitled3");
    EXPECT_EQ(caption->text(), u"Untitled3"_s);
}

TEST_F(Rearrange, DeleteOfASubtreeIsUndoneWithItsItemsRecordsAndSelection)
{
    MenuItem* home = Add(nullptr, "Home");
    MenuItem* products = Add(nullptr, "Products & Co", {"/p", 33, 144, "Menu2", 3});
    MenuItem* tools = Add(products, "Tools", {"/t", 21, 90, "Menu2_1", 1});
    MenuItem* bolts = Add(tools, "Bolts", {"/b", 22, 91, "Menu2_1_1", 0});
    m_tree->ExpandAllItems();
    const std::string before = Outline();
    ClickItem(products);
    TreeKey(Qt::Key_Delete); // as "Delete Item" does: no question
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_EQ(Outline(), "Home");
    EXPECT_EQ(m_window->SelectedItem(), home);
    // The context menu names the step; an ampersand in a text shows as one.
    EXPECT_EQ(Action("actUndo")->text(), u"&Undo Delete Products && Co"_s);
    EXPECT_FALSE(Action("actRedo")->isEnabled());

    Action("actUndo")->trigger();
    EXPECT_EQ(Outline(), before);
    EXPECT_EQ(tools->Parent(), products); // the very items, with their records
    EXPECT_EQ(bolts->Rec(), (TMyRec{"/b", 22, 91, "Menu2_1_1", 0}));
    EXPECT_EQ(products->Rec(), (TMyRec{"/p", 33, 144, "Menu2", 3}));
    EXPECT_EQ(m_window->SelectedItem(), products);
    EXPECT_EQ(Get<QLineEdit>("txtLink")->text(), u"/p"_s);
    EXPECT_TRUE(m_tree->isExpanded(Model().IndexOf(tools))); // opened as before
    EXPECT_TRUE(InView(products));
    EXPECT_EQ(Action("actRedo")->text(), u"&Redo Delete Products && Co"_s);

    // Apply to All is one step that gives every item its own value back.
    ClickItem(bolts);
    Click("btnApplyToAllH");
    EXPECT_EQ(home->Rec().Height, 22);
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(products->Rec().Height, 33);
    EXPECT_EQ(tools->Rec().Height, 21);
    EXPECT_EQ(home->Rec().Height, 20);

    // An add undone does not give its number back; opening a design forgets every step.
    Click("btnAddRootItem");
    ShowPage(2); // on another page the keys would change the tree unseen
    QTest::keyClick(m_window->focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Tree().RootCount(), 3u);
    ShowPage(0);
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), before);
    Click("btnAddRootItem");
    EXPECT_EQ(Tree().Root(2)->Text(), "Untitled2");
    Open(FilePath("new.mnu")); // a name that does not exist opens as an empty design
    EXPECT_FALSE(Action("actUndo")->isEnabled());
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Tree().Empty());
}

// The editor is refreshed from the history after every step: a step made by other means shows at
// once, and typing keeps the cursor where the user types. Delete, its undo and its redo select by
// the one rule of the history, also the first time (the tree view would pick the row above).
TEST_F(Rearrange, TheEditorFollowsEveryStepAndDeleteUndoAndRedoSelectAlike)
{
    MenuItem* home = Add(nullptr, "Home");
    MenuItem* products = Add(nullptr, "Products");
    MenuItem* about = Add(nullptr, "About");
    auto* caption = Get<QLineEdit>("txtCaption");
    EXPECT_EQ(caption->text(), u"About"_s); // the item of the last step
    ClickItem(home);
    caption->setFocus();
    caption->setCursorPosition(2);
    QTest::keyClicks(caption, u"xy"_s);
    EXPECT_EQ(home->Text(), "Hoxyme");
    EXPECT_EQ(caption->cursorPosition(), 4);
    Model().Do(MakeSetLink(home, "/start"));
    EXPECT_EQ(Get<QLineEdit>("txtLink")->text(), u"/start"_s);
    Model().Do(MakeSetHeight(home, 33));
    EXPECT_EQ(Get<SpinEdit>("spinHeight")->Text(), u"33"_s);
    Model().Undo();
    EXPECT_EQ(Get<SpinEdit>("spinHeight")->Text(), u"20"_s);

    const struct
    {
        MenuItem* deleted;
        MenuItem* selected;
    } cases[] = {{home, products}, {products, about}, {about, products}};
    for (const auto& c : cases) {
        ClickItem(c.deleted);
        TreeKey(Qt::Key_Delete);
        EXPECT_EQ(m_window->SelectedItem(), c.selected) << c.deleted->Text();
        EXPECT_EQ(caption->text(), QString::fromStdString(c.selected->Text()));
        TreeKey(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(m_window->SelectedItem(), c.deleted) << c.deleted->Text();
        TreeKey(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(m_window->SelectedItem(), c.selected) << c.deleted->Text();
        TreeKey(Qt::Key_Z, Qt::ControlModifier);
    }
    EXPECT_EQ(Outline(), "Hoxyme Products About");
}

TEST_F(Rearrange, UndoShowsItsItemUnderBranchesClosedSince)
{
    MenuItem* a = Add(nullptr, "A");
    MenuItem* b = Add(a, "B");
    MenuItem* c = Add(b, "C");
    m_tree->ExpandAllItems();
    ClickItem(c);
    TreeKey(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "A -B -C");
    m_tree->collapse(Model().IndexOf(b));
    m_tree->collapse(Model().IndexOf(a));
    TreeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "A -B --C");
    EXPECT_EQ(m_window->SelectedItem(), c);
    EXPECT_TRUE(m_tree->isExpanded(Model().IndexOf(a)));
    EXPECT_TRUE(InView(c));
}

TEST_F(Rearrange, DragAndDropMovesWithinTheTreeOnly)
{
    MenuItem* home = Add(nullptr, "Home");
    MenuItem* news = Add(home, "News");
    MenuItem* products = Add(nullptr, "Products");
    MenuItem* tools = Add(products, "Tools");
    Add(nullptr, "About");
    m_tree->ExpandAllItems();
    const QModelIndex root;
    const auto drag = [&](MenuItem* item) {
        return std::unique_ptr<QMimeData>(Model().mimeData({Model().IndexOf(item)}));
    };

    // Onto an item: its last sub item; the moved item is selected and the editor shows it.
    auto data = drag(home);
    ASSERT_TRUE(Model().canDropMimeData(data.get(), Qt::MoveAction, -1, 0, Model().IndexOf(tools)));
    ASSERT_TRUE(Model().dropMimeData(data.get(), Qt::MoveAction, -1, 0, Model().IndexOf(tools)));
    EXPECT_EQ(Outline(), "Products -Tools --Home ---News About");
    EXPECT_EQ(m_window->SelectedItem(), home);
    EXPECT_TRUE(Get<SpinEdit>("spinWidth")->isEnabled());
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text(), u"Home"_s);
    EXPECT_EQ(Get<QAction>("actUndo")->text(), u"&Undo Move Home"_s);

    // Between rows: the row counts places before the item leaves its own.
    data = drag(products);
    ASSERT_TRUE(Model().dropMimeData(data.get(), Qt::MoveAction, 2, 0, root));
    EXPECT_EQ(Outline(), "About Products -Tools --Home ---News");
    data = drag(news);
    ASSERT_TRUE(Model().dropMimeData(data.get(), Qt::MoveAction, 0, 0, root));
    EXPECT_EQ(Outline(), "News About Products -Tools --Home");

    // Refused: onto or into itself or below itself, a drag that is over, data from elsewhere,
    // a copy.
    data = drag(products);
    EXPECT_FALSE(
        Model().canDropMimeData(data.get(), Qt::MoveAction, -1, 0, Model().IndexOf(products)));
    EXPECT_FALSE(Model().dropMimeData(data.get(), Qt::MoveAction, 0, 0, Model().IndexOf(home)));
    EXPECT_FALSE(Model().canDropMimeData(data.get(), Qt::CopyAction, 0, 0, root));
    auto stale = drag(news);
    EXPECT_FALSE(Model().dropMimeData(data.get(), Qt::MoveAction, 0, 0, root));
    QMimeData foreign;
    foreign.setData(MenuTreeModel::kDragFormat, stale->data(MenuTreeModel::kDragFormat));
    foreign.setText(u"News"_s);
    MenuTreeModel other;
    EXPECT_FALSE(other.canDropMimeData(&foreign, Qt::MoveAction, 0, 0, {}));
    QMimeData text;
    text.setText(u"Products"_s);
    EXPECT_FALSE(Model().canDropMimeData(&text, Qt::MoveAction, 0, 0, root));
    EXPECT_EQ(Outline(), "News About Products -Tools --Home");

    // Each drop is one step.
    for (int i = 0; i < 3; ++i)
        Get<QAction>("actUndo")->trigger();
    EXPECT_EQ(Outline(), "Home -News Products -Tools About");
    EXPECT_EQ(m_tree->dragDropMode(), QAbstractItemView::InternalMove);
    EXPECT_TRUE(m_tree->showDropIndicator());
}

TEST_F(Rearrange, ContextMenuHoldsTheCommandsWithTheirKeys)
{
    QStringList entries;
    for (const QAction* action : m_tree->actions())
        entries.append(action->isSeparator()
                           ? u"-"_s
                           : action->text() + u" "_s + action->shortcut().toString());
    EXPECT_EQ(entries, (QStringList{u"&Undo Ctrl+Z"_s, u"&Redo Ctrl+Shift+Z"_s, u"-"_s,
                                    u"Move &Up Ctrl+Up"_s, u"Move &Down Ctrl+Down"_s,
                                    u"Move &Out Ctrl+Left"_s, u"Move &In Ctrl+Right"_s, u"-"_s,
                                    u"Edit &Text F2"_s, u"De&lete Item Del"_s}));
    EXPECT_EQ(m_tree->contextMenuPolicy(), Qt::DefaultContextMenu);
    // Nothing selected: only what needs no item.
    for (const QAction* action : m_tree->actions())
        EXPECT_FALSE(action->isEnabled() && !action->isSeparator()) << action->text().toStdString();
}

TEST_F(Rearrange, TheItemSelectedAfterADeleteIsScrolledIntoView)
{
    // A parent with 25 sub items as the last of its list, with more items after its branch, in
    // a view a few rows high.
    MenuItem* home = Add(nullptr, "Home");
    MenuItem* news = Add(home, "News");
    MenuItem* products = Add(home, "Products");
    for (int i = 1; i <= 25; ++i)
        Add(products, "Part" + std::to_string(i));
    for (int i = 1; i <= 10; ++i)
        Add(nullptr, "Root" + std::to_string(i));
    m_tree->ExpandAllItems();
    m_tree->resize(m_tree->width(), 6 * m_tree->visualRect(Model().IndexOf(home)).height());

    // Deleting it selects the sub item above it (Delete key, the button, the context menu);
    // undo and redo select and show it again.
    for (const auto& remove : std::initializer_list<std::function<void()>>{
             [&] { TreeKey(Qt::Key_Delete); }, [&] { Click("btnDeleteItem"); },
             [&] { Action("actDeleteItem")->trigger(); }}) {
        m_tree->scrollTo(Model().IndexOf(products), QAbstractItemView::PositionAtTop);
        ClickItem(products);
        remove();
        QCoreApplication::processEvents(); // the view's layout put off until then
        ASSERT_EQ(m_window->SelectedItem(), news);
        EXPECT_TRUE(InView(news));
        m_tree->scrollToBottom();
        TreeKey(Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        ASSERT_EQ(m_window->SelectedItem(), products);
        EXPECT_TRUE(InView(products));
        m_tree->scrollTo(Model().IndexOf(products), QAbstractItemView::PositionAtTop);
        TreeKey(Qt::Key_Y, Qt::ControlModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(m_window->SelectedItem(), news);
        EXPECT_TRUE(InView(news));
        TreeKey(Qt::Key_Z, Qt::ControlModifier);
    }
}

TEST_F(Rearrange, ADropOnTheLineBelowAnOpenItemMakesItsFirstSubItem)
{
    MenuItem* home = Add(nullptr, "Home");
    MenuItem* products = Add(nullptr, "Products");
    MenuItem* tools = Add(products, "Tools");
    MenuItem* parts = Add(products, "Parts");
    MenuItem* about = Add(nullptr, "About");
    m_tree->ExpandAllItems();
    // A drag that the test makes itself has no source, which the view's internal moves would
    // refuse; the model still takes only its own drag.
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    // Drags `item` over the tree to a point of the row of `under` and drops it there.
    const auto dropAt = [&](MenuItem* item, const MenuItem* under, bool bottomLine) {
        std::unique_ptr<QMimeData> data(Model().mimeData({Model().IndexOf(item)}));
        const QRect row = m_tree->visualRect(Model().IndexOf(under));
        const QPoint at(row.center().x(), bottomLine ? row.bottom() : row.top());
        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(m_tree->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(m_tree->viewport(), &move);
        QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(m_tree->viewport(), &drop);
        return move.isAccepted();
    };

    // The line between an open item and its first sub item, from above and from below.
    EXPECT_TRUE(dropAt(home, products, true));
    EXPECT_EQ(Outline(), "Products -Home -Tools -Parts About");
    EXPECT_EQ(m_window->SelectedItem(), home);
    EXPECT_TRUE(dropAt(about, home, false));
    EXPECT_EQ(Outline(), "Products -About -Home -Tools -Parts");
    // Below a closed item or a leaf: after it, in its own list.
    m_tree->collapse(Model().IndexOf(products));
    EXPECT_TRUE(dropAt(about, products, true));
    EXPECT_EQ(Outline(), "Products -Home -Tools -Parts About");
    m_tree->expand(Model().IndexOf(products));
    EXPECT_TRUE(dropAt(tools, parts, true));
    EXPECT_EQ(Outline(), "Products -Home -Parts -Tools About");
    // An item is not dropped into its own branch.
    EXPECT_FALSE(dropAt(products, products, true));
    EXPECT_EQ(Outline(), "Products -Home -Parts -Tools About");
}

TEST_F(Rearrange, UndoKeysInATextBoxWithNothingOfItsOwnReachTheTree)
{
    Click("btnAddRootItem");
    Click("btnAddSubItem");
    auto* caption = Get<QLineEdit>("txtCaption");
    ASSERT_TRUE(caption->hasFocus());
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1");
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2");
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(caption, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2");

    // The box's own steps come first: typing is taken back in the box, then the tree's step.
    auto* link = Get<QLineEdit>("txtLink");
    link->setFocus();
    QTest::keyClick(link, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(link, u"/news"_s);
    ASSERT_EQ(Tree().At(1)->Rec().Link, "/news");
    for (int i = 0; i < 10 && link->isUndoAvailable(); ++i)
        QTest::keyClick(link, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Tree().At(1)->Rec().Link, "http://");
    EXPECT_EQ(Outline(), "Untitled1 -Untitled2");
    QTest::keyClick(link, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Outline(), "Untitled1");
}

TEST_F(Rearrange, ShiftF10OpensTheContextMenuAtTheCurrentItem)
{
    Add(nullptr, "Home");
    MenuItem* products = Add(nullptr, "Products");
    ClickItem(products);
    int shown = 0;
    QPoint shownAt;
    QObject::connect(m_tree, &MenuTreeView::ContextMenuAboutToShow, m_tree, [&] {
        ++shown;
        // The menu runs a loop of its own, in which it is closed.
        QTimer::singleShot(0, m_tree, [&] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                shownAt = menu->pos();
                menu->close();
            }
        });
    });
    TreeKey(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(shown, 1);
    const QRect row = m_tree->visualRect(Model().IndexOf(products));
    EXPECT_EQ(shownAt, m_tree->viewport()->mapToGlobal(row.bottomLeft()));
    TreeKey(Qt::Key_F10); // F10 alone is not the menu's key
    EXPECT_EQ(shown, 1);
}

} // namespace
} // namespace qv
