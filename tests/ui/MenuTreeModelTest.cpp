#include "gui/app/MenuTreeModel.h"

#include "UiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// Collects the warnings that QAbstractItemModelTester reports about a model.
class TesterWarnings
{
public:
    TesterWarnings()
    {
        s_messages = &m_messages;
        m_previous = qInstallMessageHandler(&Handle);
    }
    ~TesterWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_messages = nullptr;
    }
    const QStringList& Messages() const { return m_messages; }

private:
    static void Handle(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg && s_messages)
            s_messages->append(message);
    }
    static inline QStringList* s_messages = nullptr;
    QStringList m_messages;
    QtMessageHandler m_previous;
};

QString TextAt(const MenuTreeModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::DisplayRole).toString();
}

TEST(MenuTreeModel, StaysConsistentThroughAddsDeletesRenamesAndResets)
{
    TesterWarnings warnings;
    MenuTreeModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    const auto add = [&](MenuItem* parent, const char* text) {
        return test::AddItem(model, parent, text);
    };

    MenuItem* a = add(nullptr, "A");
    MenuItem* b = add(nullptr, "B");
    MenuItem* a1 = add(a, "A1");
    MenuItem* a2 = add(a, "A2");
    MenuItem* a11 = add(a1, "A11");
    add(a11, "A111");
    add(b, "B1");
    MenuItem* c = add(nullptr, "C");
    model.Do(MakeSetText(a2, "Second"));
    model.Do(MakeSetText(a2, "")); // an empty caption is a caption like any other

    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(TextAt(model, model.IndexOf(c)), u"C"_s);
    EXPECT_EQ(model.IndexOf(c).row(), 2);
    EXPECT_EQ(model.rowCount(model.IndexOf(a)), 2);
    EXPECT_EQ(TextAt(model, model.index(1, 0, model.IndexOf(a))), u""_s);
    EXPECT_EQ(model.ItemOf(model.index(0, 0, model.IndexOf(a1))), a11);

    // Removing a root in the middle renumbers the later roots; removing a subtree takes its
    // items with it.
    model.Do(MakeDelete(b));
    EXPECT_EQ(model.Tree().Count(), 8u - 2u);
    EXPECT_EQ(model.IndexOf(c).row(), 1);
    model.Do(MakeDelete(a1));
    EXPECT_EQ(model.Tree().Count(), 6u - 3u);
    EXPECT_EQ(model.IndexOf(a2).row(), 0);
    EXPECT_EQ(model.parent(model.IndexOf(a2)), model.IndexOf(a));

    add(a2, "deep");
    model.ResetWith([](MenuTree& tree) {
        MenuItem* root = tree.AppendRoot("Loaded");
        tree.AppendChild(root, "Loaded child");
    });
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_FALSE(model.History().CanUndo());
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    model.Do(MakeDelete(add(nullptr, "After clear")));
    model.Do(MakeDelete(nullptr));
    EXPECT_EQ(model.rowCount(), 0);

    EXPECT_TRUE(warnings.Messages().isEmpty()) << warnings.Messages().join(u'\n').toStdString();
}

// A design that cannot be read whole changes nothing: the view sees no reset begun, and the
// design and its history stay as they were.
TEST(MenuTreeModel, ALoadThatFailsLeavesTheDesignTheHistoryAndTheViewAsTheyWere)
{
    TesterWarnings warnings;
    MenuTreeModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    MenuItem* kept = test::AddItem(model, nullptr, "Kept");
    QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy history(&model, &MenuTreeModel::HistoryChanged);

    EXPECT_THROW(model.ResetWith([](MenuTree& tree) {
        tree.AppendRoot("Half read");
        throw std::runtime_error("the file went away");
    }),
                 std::runtime_error);
    EXPECT_EQ(aboutToReset.count(), reset.count());
    EXPECT_EQ(history.count(), 0);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.ItemOf(model.index(0, 0)), kept);
    EXPECT_EQ(model.History().UndoDescription(), "Add Kept");

    // And the model goes on as before: the next load replaces the design in one reset.
    model.ResetWith([](MenuTree& tree) { tree.AppendRoot("Loaded"); });
    EXPECT_EQ(aboutToReset.count(), 1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(TextAt(model, model.index(0, 0)), u"Loaded"_s);
    EXPECT_FALSE(model.History().CanUndo());
    EXPECT_TRUE(warnings.Messages().isEmpty()) << warnings.Messages().join(u'\n').toStdString();
}

TEST(MenuTreeModel, StepsUndoAndDropsKeepTheModelConsistentAndPersistentIndexesFollow)
{
    TesterWarnings warnings;
    MenuTreeModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    MenuItem* a = test::AddItem(model, nullptr, "A");
    MenuItem* a1 = test::AddItem(model, a, "A1");
    MenuItem* a2 = test::AddItem(model, a, "A2");
    test::AddItem(model, a2, "A21");
    MenuItem* b = test::AddItem(model, nullptr, "B");
    const QPersistentModelIndex held(model.IndexOf(a2));
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);

    // Down, up and across lists, in and out; each also taken back.
    const auto step = [&](std::unique_ptr<TreeCommand> command) {
        ASSERT_NE(command, nullptr);
        model.Do(std::move(command));
        EXPECT_EQ(held, model.IndexOf(a2));
    };
    step(MakeMove(model.Tree(), a1, MoveDirection::Down));
    step(MakeMove(model.Tree(), a1, MoveDirection::Up));
    step(MakeMove(model.Tree(), a2, MoveDirection::Out));
    step(MakeMove(model.Tree(), b, MoveDirection::Up));
    step(MakeMove(model.Tree(), a2, MoveDirection::In));
    step(MakeMoveTo(model.Tree(), a, b, 0));
    step(MakeDelete(a));
    step(MakeSetText(b, "Bee"));
    EXPECT_EQ(moved.count(), 6);
    for (int i = 0; i < 8; ++i) {
        model.Undo();
        EXPECT_EQ(held, model.IndexOf(a2));
    }
    EXPECT_EQ(TextAt(model, model.index(1, 0)), u"B"_s);
    EXPECT_EQ(model.ItemOf(model.index(0, 0, model.index(1, 0, model.index(0, 0)))), a2->Child(0));
    while (model.History().CanRedo())
        model.Redo();
    EXPECT_EQ(model.rowCount(), 1);

    // A drop between the rows of its own list, counted before the item leaves.
    model.Clear();
    EXPECT_FALSE(model.History().CanUndo());
    MenuItem* x = test::AddItem(model, nullptr, "X");
    test::AddItem(model, nullptr, "Y");
    test::AddItem(model, nullptr, "Z");
    std::unique_ptr<QMimeData> data(model.mimeData({model.IndexOf(x)}));
    EXPECT_TRUE(model.dropMimeData(data.get(), Qt::MoveAction, 2, 0, {}));
    EXPECT_EQ(x->Position(), 1u);
    data.reset(model.mimeData({model.IndexOf(x)}));
    EXPECT_TRUE(model.dropMimeData(data.get(), Qt::MoveAction, 3, 0, {}));
    EXPECT_EQ(x->Position(), 2u);
    // The drop flags: everything can be dragged; the list of roots takes drops.
    EXPECT_TRUE(model.flags(model.IndexOf(x)) & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(model.flags({}) & Qt::ItemIsDropEnabled);

    EXPECT_TRUE(warnings.Messages().isEmpty()) << warnings.Messages().join(u'\n').toStdString();
}

TEST(MenuTreeModel, CaptionChangesReachTheViewAndNothingElseDoes)
{
    MenuTreeModel model;
    MenuItem* item = test::AddItem(model, nullptr, "Untitled1");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.Do(MakeSetText(item, "Home"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>(), model.IndexOf(item));
    EXPECT_EQ(model.Do(MakeSetText(item, "Home")), nullptr); // unchanged: no step, no repaint
    EXPECT_EQ(changed.count(), 1);

    // The tree view edits nothing in place, but setData still renames, as a step that undoes.
    model.SealHistory();
    EXPECT_FALSE(model.flags(model.IndexOf(item)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(model.IndexOf(item), QStringLiteral("Start")));
    EXPECT_EQ(item->Text(), "Start");
    EXPECT_EQ(model.History().UndoDescription(), "Edit Text Start");
    EXPECT_EQ(model.Undo(), item);
    EXPECT_EQ(item->Text(), "Home");
    EXPECT_FALSE(model.setData(QModelIndex(), QStringLiteral("x")));
    EXPECT_EQ(changed.count(), 3);

    // Record fields are not shown: they change without repainting.
    model.Do(MakeSetLink(item, "https://example.org/"));
    model.Do(MakeSetHeight(item, -4));
    model.Do(MakeSetWidth(item, 0));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(item->Rec().Link, "https://example.org/");
    EXPECT_EQ(item->Rec().Height, -4);
    EXPECT_EQ(item->Rec().Width, 0);
}

TEST(MenuTreeModel, DeepAndWideTreesAreAddressedWithoutRecursion)
{
    // 100,000 items: a chain 20,000 levels deep, and 80,000 roots.
    constexpr int kDepth = 20000;
    constexpr int kRoots = 80000;
    MenuTreeModel model;
    MenuItem* deepest = nullptr;
    model.ResetWith([&](MenuTree& tree) {
        MenuItem* item = tree.AppendRoot("level 0");
        for (int level = 1; level < kDepth; ++level)
            item = tree.AppendChild(item, "level " + std::to_string(level));
        deepest = item;
        for (int i = 1; i < kRoots; ++i)
            tree.AppendRoot("root " + std::to_string(i));
    });
    ASSERT_EQ(model.Tree().Count(), static_cast<std::size_t>(kDepth + kRoots - 1));
    EXPECT_EQ(model.rowCount(), kRoots);
    EXPECT_EQ(TextAt(model, model.index(kRoots - 1, 0)), QString(u"root %1"_s).arg(kRoots - 1));

    // Up from the deepest item to its root, one parent at a time.
    int levels = 0;
    for (QModelIndex index = model.IndexOf(deepest); index.isValid(); index = model.parent(index))
        ++levels;
    EXPECT_EQ(levels, kDepth);

    // And down again by row.
    QModelIndex index = model.index(0, 0);
    for (int level = 1; level < kDepth; ++level)
        index = model.index(0, 0, index);
    EXPECT_EQ(model.ItemOf(index), deepest);
    EXPECT_FALSE(model.hasChildren(index));

    // Removing the chain's root takes the whole chain.
    model.Do(MakeDelete(model.ItemOf(model.index(0, 0))));
    EXPECT_EQ(model.Tree().Count(), static_cast<std::size_t>(kRoots - 1));
    EXPECT_EQ(TextAt(model, model.index(0, 0)), u"root 1"_s);
}

} // namespace
} // namespace qv
