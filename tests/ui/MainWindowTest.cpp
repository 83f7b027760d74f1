#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/widgets/SpinEdit.h"

#include "UiTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// Records the keys that reach one widget.
class KeyRecorder final : public QObject
{
public:
    explicit KeyRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

class MainWindow : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenWindow(true));
        m_tree = TreeView();
    }

    std::string RowText(const MenuItem* item)
    {
        return Model().data(Model().IndexOf(item)).toString().toStdString();
    }

    MenuTreeView* m_tree = nullptr;
};

TEST_F(MainWindow, StartsEmptyWithItsPagesPathsAndStartUpSettings)
{
    TfrmQuorvane& w = *m_window;
    EXPECT_EQ(w.objectName(), u"frmQuorvane"_s);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick Free Quorvane Builder"_s);
    EXPECT_EQ(w.size(), QSize(650, 395));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w.font().pixelSize(), 11);

    auto* pages = Get<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 3);
    const char* names[] = {"tsDesigner", "tsColors", "tsOptions"};
    const char* captions[] = {"Menu Designer", "Menu Colors", "Options"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), QLatin1String(names[i]));
        EXPECT_EQ(pages->tabText(i), QLatin1String(captions[i]));
        // The fixed layout fits its page.
        for (const QWidget* child :
             pages->widget(i)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(pages->widget(i)->rect().contains(child->geometry()))
                << child->objectName().toStdString();
    }
    EXPECT_EQ(pages->currentWidget()->objectName(), u"tsDesigner"_s);

    const QString folder = m_dir.path() + u'/';
    EXPECT_EQ(w.AppFolderPath(), folder);
    EXPECT_EQ(w.DataFilePath(), folder + u"dhtml.dat"_s);
    EXPECT_EQ(w.PreviewFilePath(), folder + u"~dhtml.htm"_s);
    EXPECT_EQ(w.IniFilePath(), folder + u"quorvane.ini"_s);
    EXPECT_EQ(TfrmQuorvane(m_dir.path() + u"//"_s).DataFilePath(), folder + u"dhtml.dat"_s);
    EXPECT_EQ(TfrmQuorvane().AppFolderPath(), QCoreApplication::applicationDirPath() + u'/');
    EXPECT_EQ(w.ItemCounter(), 0);
    EXPECT_TRUE(w.ProjectFile().isEmpty());
    EXPECT_TRUE(w.GeneratedCode().isEmpty());
    EXPECT_FALSE(w.FHexChanging());

    EXPECT_TRUE(Get<QPushButton>("btnAddRootItem")->isEnabled());
    for (const char* name :
         {"btnAddSubItem", "btnAddSibling", "btnDeleteItem", "btnApplyToAllH", "btnApplyToAllW",
          "txtCaption", "txtLink", "spinHeight", "spinWidth", "lblCaption", "lblHeight"})
        EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(Get<SpinEdit>("spinHeight")->Text(), u"20"_s);
    EXPECT_EQ(Get<SpinEdit>("spinWidth")->Text(), u"80"_s);
    EXPECT_TRUE(Get<QLineEdit>("txtCaption")->text().isEmpty());

    const MenuStyle s = w.GetMenuStyle();
    EXPECT_EQ(s.MainBG, 16744448u);
    EXPECT_EQ(s.MainMOBG, 15244288u);
    EXPECT_EQ(s.SubFont, 16777215u);
    EXPECT_EQ(s.SubFontMO, 16711680u);
    EXPECT_EQ(s.MainBorder, 0u);
    EXPECT_EQ(s.MenuType, 0);
    EXPECT_EQ(s.TextAlign, 0);
    EXPECT_EQ(s.HorzAlign, 0);
    EXPECT_EQ(s.VertAlign, 0);
    EXPECT_EQ(s.MenuTop, 1);
    EXPECT_EQ(s.MenuLeft, 1);
    EXPECT_EQ(s.LeftPadding, 3);
    EXPECT_EQ(s.TopPadding, 2);
    EXPECT_EQ(s.BorderWidth, 1);
    EXPECT_EQ(s.OnMouseOver, 0);
    EXPECT_EQ(s.MenuFont, "Tahoma, Verdana, Arial");
    EXPECT_EQ(s.FontSize, 10);
    EXPECT_FALSE(s.FontBold);
    EXPECT_FALSE(s.FontItalic);
    EXPECT_EQ(s.Arrows, 2);
    EXPECT_TRUE(s.KeepHighlighted);
    EXPECT_TRUE(s.BorderBetween);
}

TEST_F(MainWindow, AddCommandsAppendAtTheEndAndNumberEveryNewItem)
{
    Click("btnAddRootItem");
    ASSERT_EQ(Tree().Count(), 1u);
    MenuItem* first = Tree().Root(0);
    EXPECT_EQ(first->Text(), "Untitled1");
    EXPECT_EQ(first->Rec(), TMyRec{});
    EXPECT_EQ(m_window->SelectedItem(), first);
    // Typing replaces the new item's text.
    auto* caption = Get<QLineEdit>("txtCaption");
    EXPECT_TRUE(caption->hasFocus());
    EXPECT_EQ(caption->selectedText(), u"Untitled1"_s);

    // A sub item is selected, so the next one nests a level deeper.
    Click("btnAddSubItem");
    Click("btnAddSubItem");
    MenuItem* second = first->Child(0);
    ASSERT_EQ(second->ChildCount(), 1u);
    EXPECT_EQ(second->Text(), "Untitled2");
    EXPECT_EQ(second->Child(0)->Text(), "Untitled3");
    EXPECT_EQ(second->Child(0)->Level(), 2);

    // A sibling goes to the end of the selected item's list, not next to it.
    ClickItem(first);
    Click("btnAddSibling");
    ASSERT_EQ(Tree().RootCount(), 2u);
    EXPECT_EQ(Tree().Root(1)->Text(), "Untitled4");
    ClickItem(second);
    Click("btnAddSibling");
    ClickItem(first);
    Click("btnAddSubItem");
    ASSERT_EQ(first->ChildCount(), 3u);
    EXPECT_EQ(first->Child(1)->Text(), "Untitled5");
    EXPECT_EQ(first->Child(2)->Text(), "Untitled6");

    // Numbers of deleted items are not used again; the access key adds like the button.
    Click("btnDeleteItem");
    ClickItem(first->Child(1));
    Click("btnDeleteItem");
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::AltModifier); // clicks after a short delay
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree().RootCount() == 3; }));
    EXPECT_EQ(Tree().Root(2)->Text(), "Untitled7");
    EXPECT_EQ(m_window->ItemCounter(), 7);

    // Without a selection the commands that need one add nothing.
    ClickItem(Tree().Root(2), Qt::ControlModifier);
    ASSERT_EQ(m_window->SelectedItem(), nullptr);
    EXPECT_FALSE(Get<QPushButton>("btnAddSubItem")->isEnabled());
    m_window->btnAddSubItemClick();
    m_window->btnAddSiblingClick();
    m_window->btnDeleteItemClick();
    EXPECT_EQ(Tree().Count(), 5u);
    EXPECT_EQ(m_window->ItemCounter(), 7);
    EXPECT_FALSE(Get<QLineEdit>("txtCaption")->isEnabled());
}

TEST_F(MainWindow, EditorShowsTheSelectedItemByClickAndByKeyboard)
{
    Click("btnAddRootItem"); // A
    Click("btnAddSubItem");  // A's first sub item
    MenuItem* a = Tree().Root(0);
    ClickItem(a);
    Click("btnAddSubItem");  // A's second sub item
    Click("btnAddRootItem"); // B
    MenuItem* b = Tree().Root(1);
    TypeInto(Get<SpinEdit>("spinWidth"), u"90"_s);
    ClickItem(a);
    TypeInto(Get<SpinEdit>("spinHeight"), u"33"_s);

    auto* height = Get<SpinEdit>("spinHeight");
    auto* width = Get<SpinEdit>("spinWidth");
    auto* caption = Get<QLineEdit>("txtCaption");
    const auto expectEditor = [&](const MenuItem* item, const char* heightText, bool heightOn,
                                  const char* widthText, bool widthOn) {
        EXPECT_EQ(m_window->SelectedItem(), item);
        EXPECT_EQ(caption->text().toStdString(), item->Text());
        EXPECT_EQ(height->Text(), QLatin1String(heightText));
        EXPECT_EQ(height->isEnabled(), heightOn);
        EXPECT_EQ(Get<QLabel>("lblHeight")->isEnabled(), heightOn);
        EXPECT_EQ(Get<QPushButton>("btnApplyToAllH")->isEnabled(), heightOn);
        EXPECT_EQ(width->Text(), QLatin1String(widthText));
        EXPECT_EQ(width->isEnabled(), widthOn);
        EXPECT_EQ(Get<QPushButton>("btnApplyToAllW")->isEnabled(), widthOn);
        EXPECT_TRUE(Get<QPushButton>("btnDeleteItem")->isEnabled());
    };

    ClickItem(b);
    expectEditor(b, "0", false, "90", true); // later root
    // The 0 shown for a root's height was never stored.
    EXPECT_EQ(b->Rec().Height, 20);
    EXPECT_EQ(a->Rec().Height, 33);

    m_tree->setFocus();
    QTest::keyClick(m_tree, Qt::Key_Home);
    expectEditor(a, "33", true, "80", true); // first root
    QTest::keyClick(m_tree, Qt::Key_Down);
    expectEditor(a->Child(0), "20", true, "80", true); // first sub item
    QTest::keyClick(m_tree, Qt::Key_Down);
    expectEditor(a->Child(1), "20", true, "0", false); // later sub item
    EXPECT_EQ(a->Child(1)->Rec().Width, 80);
    QTest::keyClick(m_tree, Qt::Key_Down);
    expectEditor(b, "0", false, "90", true);
    EXPECT_EQ(Tree().Count(), 4u);
}

TEST_F(MainWindow, TypingInTheEditorWritesIntoTheItemAtOnce)
{
    Click("btnAddRootItem");
    MenuItem* item = Tree().Root(0);
    // The Text box has the focus with its text selected.
    QTest::keyClicks(Get<QLineEdit>("txtCaption"), u"H"_s);
    EXPECT_EQ(RowText(item), "H");
    QTest::keyClicks(Get<QLineEdit>("txtCaption"), u"ome"_s);
    EXPECT_EQ(RowText(item), "Home");
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(Get<QLineEdit>("txtCaption"), Qt::Key_Backspace);
    EXPECT_EQ(RowText(item), "");

    auto* link = Get<QLineEdit>("txtLink");
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::keyClick(link, Qt::Key_End);
    QTest::keyClicks(link, u"example.org"_s);
    EXPECT_EQ(item->Rec().Link, "http://example.org");

    // Height: whole numbers are stored as typed, anything else as 0; an empty box stores
    // nothing.
    auto* height = Get<SpinEdit>("spinHeight");
    TypeInto(height, u"35"_s);
    EXPECT_EQ(height->Text(), u"35"_s);
    EXPECT_EQ(item->Rec().Height, 35);
    QTest::keyClick(height, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(height, Qt::Key_Delete);
    EXPECT_EQ(height->Text(), u""_s);
    EXPECT_EQ(item->Rec().Height, 35);
    QTest::keyClick(height, Qt::Key_Minus);
    EXPECT_EQ(item->Rec().Height, 0);
    QTest::keyClick(height, Qt::Key_5);
    EXPECT_EQ(item->Rec().Height, -5);
    TypeInto(height, u"1.5"_s);
    EXPECT_EQ(item->Rec().Height, 0);
    QTest::keyClick(height, Qt::Key_Up);
    EXPECT_EQ(item->Rec().Height, 1);

    auto* width = Get<SpinEdit>("spinWidth");
    TypeInto(width, u"x-7"_s);
    EXPECT_EQ(width->Text(), u"-7"_s);
    EXPECT_EQ(item->Rec().Width, -7);
}

TEST_F(MainWindow, ApplyToAllReachesEveryLevel)
{
    Click("btnAddRootItem");
    Click("btnAddSubItem");
    Click("btnAddSubItem");
    Click("btnAddRootItem");
    MenuItem* deepest = Tree().Root(0)->Child(0)->Child(0);
    ClickItem(deepest);
    TypeInto(Get<SpinEdit>("spinHeight"), u"44"_s);
    Click("btnApplyToAllH");
    MenuItem* middle = Tree().Root(0)->Child(0);
    ClickItem(middle);
    TypeInto(Get<SpinEdit>("spinWidth"), u"120"_s);
    Click("btnApplyToAllW");
    for (const MenuItem* item : Tree().PreOrder()) {
        EXPECT_EQ(item->Rec().Height, 44) << item->Text();
        EXPECT_EQ(item->Rec().Width, 120) << item->Text();
    }
}

TEST_F(MainWindow, DeleteRemovesTheWholeSubtreeAndSelectsANeighbour)
{
    Click("btnAddRootItem");
    Click("btnAddSubItem");
    Click("btnAddSubItem");
    Click("btnAddRootItem");
    MenuItem* last = Tree().Root(1);
    ClickItem(Tree().Root(0));
    Click("btnDeleteItem");
    ASSERT_EQ(Tree().Count(), 1u);
    EXPECT_EQ(m_window->SelectedItem(), last);
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text(), u"Untitled4"_s);
    // The former second root is now first of its list.
    EXPECT_TRUE(Get<SpinEdit>("spinHeight")->isEnabled());
    EXPECT_EQ(Get<SpinEdit>("spinHeight")->Text(), u"20"_s);

    Click("btnDeleteItem");
    EXPECT_TRUE(Tree().Empty());
    EXPECT_EQ(m_window->SelectedItem(), nullptr);
    for (const char* name : {"btnAddSubItem", "btnAddSibling", "btnDeleteItem", "txtCaption",
                             "spinHeight", "btnApplyToAllW"})
        EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(m_window->ItemCounter(), 4);
}

TEST_F(MainWindow, ALoadedTreeShowsWholeAndTheEditorFollowsTheNewSelection)
{
    Click("btnAddRootItem");
    Model().ResetWith([](MenuTree& tree) {
        tree.Clear();
        for (int i = 0; i < 3; ++i)
            tree.AppendChild(tree.AppendChild(tree.AppendRoot("root"), "sub"), "sub sub");
    });
    m_tree->ExpandAllItems();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(m_tree->isExpanded(Model().IndexOf(Tree().Root(i))));
        EXPECT_TRUE(m_tree->isExpanded(Model().IndexOf(Tree().Root(i)->Child(0))));
    }
    // The item that was selected is gone: nothing is selected and the editor is closed.
    EXPECT_EQ(m_window->SelectedItem(), nullptr);
    EXPECT_FALSE(Get<QLineEdit>("txtCaption")->isEnabled());
    ClickItem(Tree().Root(2)->Child(0)->Child(0));
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text(), u"sub sub"_s);
}

TEST_F(MainWindow, AVeryDeepDesignOpensAsFarAsTheViewCanNest)
{
    const int depth = MenuTreeView::kAutoExpandDepth + 500;
    Model().ResetWith([&](MenuTree& tree) {
        MenuItem* item = tree.AppendRoot("0");
        for (int i = 1; i < depth; ++i)
            item = tree.AppendChild(item, std::to_string(i));
    });
    m_tree->ExpandAllItems();
    const MenuItem* lastOpened = Tree().At(MenuTreeView::kAutoExpandDepth - 1);
    EXPECT_TRUE(m_tree->isExpanded(Model().IndexOf(lastOpened->Parent())));
    EXPECT_FALSE(m_tree->isExpanded(Model().IndexOf(lastOpened)));
    // The deepest shown item is laid out as a row of the view, and selecting it fills the editor.
    const QModelIndex index = Model().IndexOf(lastOpened);
    m_tree->scrollTo(index);
    EXPECT_GT(m_tree->visualRect(index).height(), 0);
    m_tree->setCurrentIndex(index);
    EXPECT_EQ(m_window->SelectedItem(), lastOpened);
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text(),
              QString::number(MenuTreeView::kAutoExpandDepth - 1));
}

TEST_F(MainWindow, F1OpensHelpWhateverTheModifiersAndTheControlStillGetsTheKey)
{
    ShowPage(2);
    auto* fontName = Get<QLineEdit>("txtFontName");
    QTest::mouseClick(fontName, Qt::LeftButton);
    ASSERT_TRUE(fontName->hasFocus());
    KeyRecorder recorder(fontName);
    const QString help = m_window->AppFolderPath() + u"quorvane.html"_s;

    QTest::keyClick(fontName, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(m_shell.opened, QStringList{help});
    EXPECT_EQ(recorder.keys.count(Qt::Key_F1), 1);
    QTest::keyClick(fontName, Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(fontName, Qt::Key_F2);
    EXPECT_EQ(m_shell.opened.size(), 2);

    // The help button does the same; a failure is reported in the shell's words.
    m_shell.result = 2;
    QTest::mouseClick(Get<QWidget>("btnHelp"), Qt::LeftButton);
    EXPECT_EQ(m_shell.opened.size(), 3);
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Error"_s);
    EXPECT_EQ(m_dialogs.messages[0].owner, m_window.get());
    EXPECT_TRUE(m_dialogs.messages[0].text.contains(u"The specified file was not found."_s));
    EXPECT_EQ(Get<QTabWidget>("PageControl1")->currentIndex(), 2);
}

TEST_F(MainWindow, ColourPageRefreshesItsSampleWhenShownOrAColourChanges)
{
    QSignalSpy refreshed(m_window.get(), &TfrmQuorvane::ColorSampleRefreshed);
    ShowPage(1);
    EXPECT_EQ(refreshed.count(), 1);
    ShowPage(2);
    ShowPage(0);
    EXPECT_EQ(refreshed.count(), 1);
    QTest::keyClick(Get<QTabWidget>("PageControl1"), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(refreshed.count(), 2);

    m_window->Picker(3).SetSelectionColor(RgbColor(1, 2, 3));
    EXPECT_EQ(refreshed.count(), 3);
    m_window->Picker(3).SetSelectionColor(RgbColor(1, 2, 3));
    EXPECT_EQ(refreshed.count(), 3);
    EXPECT_EQ(m_window->GetMenuStyle().MainFontMO, RgbColor(1, 2, 3));
}

TEST_F(MainWindow, SetMenuStyleLeavesFieldsWithoutAChoiceAndGetMenuStyleReadsThemBack)
{
    MenuStyle odd;
    odd.MainBG = SystemColorRef(kButtonFace);
    odd.SubBorder = RgbColor(9, 8, 7);
    odd.MenuType = 7;
    odd.TextAlign = 3;
    odd.HorzAlign = -5;
    odd.VertAlign = 3;
    odd.MenuTop = -40;
    odd.BorderWidth = -3;
    odd.FontSize = 150;
    odd.OnMouseOver = 9;
    odd.MenuFont = "";
    odd.Arrows = 5;
    odd.FontBold = true;
    odd.KeepHighlighted = false;
    m_window->SetMenuStyle(odd);

    for (const char* name : {"optMenuH", "optMenuV", "optOnMouseOver", "optOnClick", "optArrowNone",
                             "optArrowLight", "optArrowDark"})
        EXPECT_FALSE(Get<QRadioButton>(name)->isChecked()) << name;
    EXPECT_EQ(Get<QComboBox>("cboMenuTextAlign")->currentText(), u""_s);
    EXPECT_EQ(Get<QComboBox>("cboAlignVertical")->currentText(), u"Static"_s);
    EXPECT_EQ(Get<SpinEdit>("spinMenuTop")->Text(), u"-40"_s);
    EXPECT_EQ(Get<SpinEdit>("spinBorderWidth")->Text(), u"0"_s);
    EXPECT_EQ(Get<SpinEdit>("spinFontSize")->Text(), u"100"_s);

    // The colour page's hex box turns a system colour into the RGB value it has now.
    const MenuStyle read = m_window->GetMenuStyle();
    EXPECT_EQ(read.MainBG, ResolveColor(SystemColorRef(kButtonFace)));
    EXPECT_EQ(read.MenuType, 1);
    EXPECT_EQ(read.TextAlign, -1);
    EXPECT_EQ(read.HorzAlign, -1);
    EXPECT_EQ(read.VertAlign, 3);
    EXPECT_EQ(read.MenuTop, -40);
    EXPECT_EQ(read.BorderWidth, 0);
    EXPECT_EQ(read.FontSize, 100);
    EXPECT_EQ(read.OnMouseOver, 1);
    EXPECT_EQ(read.MenuFont, "");
    EXPECT_EQ(read.Arrows, -1);
    MenuStyle shown = StyleAsShown(odd);
    shown.MainBG = ResolveColor(odd.MainBG);
    EXPECT_EQ(read, shown);

    // A group without a choice works as before once the user picks a button.
    ShowPage(2);
    Click("optMenuV");
    Click("optMenuH");
    EXPECT_FALSE(Get<QRadioButton>("optMenuV")->isChecked());
    Click("optArrowLight");
    Click("optArrowNone");
    EXPECT_FALSE(Get<QRadioButton>("optArrowLight")->isChecked());
    EXPECT_EQ(m_window->GetMenuStyle().Arrows, 0);

    // Every field of a style within its lists comes back unchanged.
    MenuStyle other;
    other.MenuType = 1;
    other.TextAlign = 2;
    other.HorzAlign = 1;
    other.VertAlign = 2;
    other.MenuLeft = 2147483647;
    other.LeftPadding = -2147483647 - 1;
    other.TopPadding = 0;
    other.BorderWidth = 20;
    other.OnMouseOver = 1;
    other.MenuFont = "  Arial , serif ";
    other.FontSize = 0;
    other.FontItalic = true;
    other.Arrows = 1;
    other.BorderBetween = false;
    m_window->SetMenuStyle(other);
    EXPECT_EQ(m_window->GetMenuStyle(), other);
}

TEST_F(MainWindow, BorderWidthTypedOutOfRangeCountsAsTypedUntilTheFocusLeaves)
{
    ShowPage(2);
    auto* border = Get<SpinEdit>("spinBorderWidth");
    TypeInto(border, u"25"_s);
    EXPECT_EQ(m_window->GetMenuStyle().BorderWidth, 25);
    QTest::mouseClick(Get<QLineEdit>("txtFontName"), Qt::LeftButton);
    EXPECT_EQ(border->Text(), u"20"_s);
    EXPECT_EQ(m_window->GetMenuStyle().BorderWidth, 20);

    TypeInto(Get<SpinEdit>("spinMenuTop"), u"-"_s);
    EXPECT_EQ(m_window->GetMenuStyle().MenuTop, 0);
    TypeInto(Get<SpinEdit>("spinMenuTop"), u"-25"_s);
    EXPECT_EQ(m_window->GetMenuStyle().MenuTop, -25);
}

TEST_F(MainWindow, ClosingAsksNothingAndReleasesTheItems)
{
    Click("btnAddRootItem");
    Click("btnAddSubItem");
    Click("btnCancel");
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_TRUE(Tree().Empty());
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_EQ(m_window->ItemCounter(), 2);
}

TEST_F(MainWindow, TabOrderFollowsTheLayout)
{
    const QStringList expected = {u"tvMenu"_s,
                                  u"btnAddRootItem"_s,
                                  u"btnAddSubItem"_s,
                                  u"btnDeleteItem"_s,
                                  u"txtCaption"_s,
                                  u"txtLink"_s,
                                  u"spinHeight"_s,
                                  u"spinWidth"_s,
                                  u"btnApplyToAllH"_s,
                                  u"btnApplyToAllW"_s,
                                  u"btnAddSibling"_s,
                                  u"btnImport"_s,
                                  u"optOnMouseOver"_s,
                                  u"optOnClick"_s,
                                  u"spinBorderWidth"_s,
                                  u"chkBorderBetween"_s,
                                  u"txtFontName"_s,
                                  u"btnBrowseFont"_s,
                                  u"chkBold"_s,
                                  u"chkItalic"_s,
                                  u"spinFontSize"_s,
                                  u"cboMenuTextAlign"_s,
                                  u"cboAlignHorizontal"_s,
                                  u"cboAlignVertical"_s,
                                  u"spinMenuTop"_s,
                                  u"spinMenuLeft"_s,
                                  u"spinLeftPadding"_s,
                                  u"spinTopPadding"_s,
                                  u"optMenuV"_s,
                                  u"optMenuH"_s,
                                  u"chkKeepHighlighted"_s,
                                  u"optArrowNone"_s,
                                  u"optArrowLight"_s,
                                  u"optArrowDark"_s,
                                  u"btnOk"_s,
                                  u"btnCancel"_s,
                                  u"btnPreview"_s,
                                  u"btnSave"_s,
                                  u"btnOpen"_s};
    QStringList chain;
    QWidget* start = Get<QTabWidget>("PageControl1")->tabBar();
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain())
        if (expected.contains(w->objectName()))
            chain.append(w->objectName());
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(Get<QWidget>("btnHelp")->focusPolicy(), Qt::NoFocus);
}

} // namespace
} // namespace qv
