// The designer window on huge and hostile designs: each command as the user runs it, timed until
// the window is ready again (the command has returned, the events it posted have run and the
// whole window has been painted). Runs on the offscreen platform; medians over repetitions:
//
//   bin/window_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true

#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"

#include "HugeDesignFiles.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace qv {
namespace {

constexpr std::size_t kDeepLevels = 10000;
constexpr std::size_t kHostileLevels = 30000;

const char kTemplate[] = "<script>\n%menu%\nvar roots=%NoOffFirstLineMenus%;\n</script>\n";

// The files the benchmarks open, made once.
struct Files
{
    Files()
    {
        if (!dir.isValid())
            std::abort();
        test::WriteWideDesignFile(wide.toStdString());
        test::WriteDeepChainFile(deep.toStdString(), kDeepLevels);
        test::WriteDeepChainFile(hostile.toStdString(), kHostileLevels);
        QFile data(dir.filePath(QStringLiteral("dhtml.dat")));
        if (!data.open(QIODevice::WriteOnly) || data.write(kTemplate) < 0)
            std::abort();
        // The one-time note of Get Code is answered already.
        QFile ini(dir.filePath(QStringLiteral("quorvane.ini")));
        if (!ini.open(QIODevice::WriteOnly) || ini.write("[Prompts]\r\nQuorvaneNote=1\r\n") < 0)
            std::abort();
    }
    QTemporaryDir dir;
    QString wide = dir.filePath(QStringLiteral("wide.mnu"));
    QString deep = dir.filePath(QStringLiteral("deep.mnu"));
    QString hostile = dir.filePath(QStringLiteral("hostile.mnu"));
};

Files& TheFiles()
{
    static Files files;
    return files;
}

// Lets the window finish what the command started, and paints the whole window (into a
// pixmap: the offscreen platform does not paint a window that it has not exposed).
void Settle(TfrmQuorvane& window)
{
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(window.grab());
}

// A shown window, with a design opened through the Open command.
class Session
{
public:
    Session() : window(std::make_unique<TfrmQuorvane>(TheFiles().dir.path()))
    {
        window->show();
        Settle(*window);
        tree = window->findChild<QTreeView*>(QStringLiteral("tvMenu"));
    }
    explicit Session(const QString& file) : Session() { Open(file); }

    void Open(const QString& file)
    {
        dialogs.openAnswers.push_back(file);
        window->btnOpenClick();
        Settle(*window);
    }
    const MenuTree& Design() const { return window->MenuModel().Tree(); }
    void Select(const MenuItem* item)
    {
        tree->setCurrentIndex(window->MenuModel().IndexOf(item));
        Settle(*window);
    }
    void Key(Qt::Key key)
    {
        QTest::keyClick(tree, key);
        Settle(*window);
    }

    test::FakeDialogs dialogs;
    std::unique_ptr<TfrmQuorvane> window;
    QTreeView* tree = nullptr;
};

// ---- 100,000 items: 10 roots, 99 groups each, 100 pages in each group ------------------------

void BM_WideOpen(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>();
        state.ResumeTiming();

        session->Open(TheFiles().wide);

        state.PauseTiming();
        if (session->Design().Count() != test::kWideCount)
            state.SkipWithError("the design did not open whole");
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WideOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WideSelect(benchmark::State& state)
{
    Session session(TheFiles().wide);
    const MenuItem* items[] = {session.Design().Root(2)->Child(10)->Child(5),
                               session.Design().Root(7)->Child(90)->Child(99)};
    int turn = 0;
    for (auto _ : state)
        session.Select(items[++turn % 2]);
}
BENCHMARK(BM_WideSelect)->Unit(benchmark::kMillisecond)->Iterations(10);

// Add Sub Item under a group in the middle of the design, whose list is open.
void BM_WideAddSubItem(benchmark::State& state)
{
    Session session(TheFiles().wide);
    const MenuItem* group = session.Design().Root(4)->Child(50);
    for (auto _ : state) {
        state.PauseTiming();
        session.Select(group);
        state.ResumeTiming();

        session.window->btnAddSubItemClick();
        Settle(*session.window);
    }
}
BENCHMARK(BM_WideAddSubItem)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WideAddRootItem(benchmark::State& state)
{
    Session session(TheFiles().wide);
    for (auto _ : state) {
        session.window->btnAddRootItemClick();
        Settle(*session.window);
    }
}
BENCHMARK(BM_WideAddRootItem)->Unit(benchmark::kMillisecond)->Iterations(10);

// Deletes a group of 101 items from the middle of the design.
void BM_WideDeleteGroup(benchmark::State& state)
{
    Session session(TheFiles().wide);
    for (auto _ : state) {
        state.PauseTiming();
        session.Select(session.Design().Root(4)->Child(20));
        state.ResumeTiming();

        session.window->btnDeleteItemClick();
        Settle(*session.window);
    }
}
BENCHMARK(BM_WideDeleteGroup)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WideApplyToAll(benchmark::State& state)
{
    Session session(TheFiles().wide);
    session.Select(session.Design().Root(0));
    for (auto _ : state) {
        session.window->btnApplyToAllHClick();
        Settle(*session.window);
    }
}
BENCHMARK(BM_WideApplyToAll)->Unit(benchmark::kMillisecond)->Iterations(10);

// Get Code until the code window has been filled (the fake dialogs close it at once).
void BM_WideGetCode(benchmark::State& state)
{
    Session session(TheFiles().wide);
    for (auto _ : state) {
        session.window->btnOkClick();
        Settle(*session.window);
    }
    state.counters["bytes"] = static_cast<double>(session.window->GeneratedCode().size());
}
BENCHMARK(BM_WideGetCode)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WideSave(benchmark::State& state)
{
    Session session(TheFiles().wide);
    const QString path = TheFiles().dir.filePath(QStringLiteral("saved-wide.mnu"));
    for (auto _ : state) {
        session.dialogs.saveAnswers.push_back(path);
        session.window->btnSaveClick();
        Settle(*session.window);
    }
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
}
BENCHMARK(BM_WideSave)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- A chain 10,000 levels deep, as opened (1,000 levels open) -------------------------------

void BM_DeepOpen(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>();
        state.ResumeTiming();

        session->Open(TheFiles().deep);

        state.PauseTiming();
        if (session->Design().Count() != kDeepLevels)
            state.SkipWithError("the design did not open whole");
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// Between the root and the deepest item that opening showed.
void BM_DeepSelect(benchmark::State& state)
{
    Session session(TheFiles().deep);
    const MenuItem* items[] = {session.Design().At(0),
                               session.Design().At(MenuTreeView::kAutoExpandDepth - 1)};
    int turn = 0;
    for (auto _ : state)
        session.Select(items[++turn % 2]);
}
BENCHMARK(BM_DeepSelect)->Unit(benchmark::kMillisecond)->Iterations(10);

// Deletes the second item of the chain, with everything below it.
void BM_DeepDeleteSecond(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Session session(TheFiles().deep);
        session.Select(session.Design().At(1));
        state.ResumeTiming();

        session.window->btnDeleteItemClick();
        Settle(*session.window);

        state.PauseTiming();
        if (session.Design().Count() != 1)
            state.SkipWithError("the chain was not cut");
        session.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepDeleteSecond)->Unit(benchmark::kMillisecond)->Iterations(3);

// Refusals: measuring the code (150 MB) and the file (hundreds of GB).
void BM_DeepGetCodeRefused(benchmark::State& state)
{
    Session session(TheFiles().deep);
    for (auto _ : state) {
        session.window->btnOkClick();
        Settle(*session.window);
    }
    if (static_cast<benchmark::IterationCount>(session.dialogs.messages.size()) !=
        state.iterations())
        state.SkipWithError("Get Code was not refused");
}
BENCHMARK(BM_DeepGetCodeRefused)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeepSaveRefused(benchmark::State& state)
{
    Session session(TheFiles().deep);
    for (auto _ : state) {
        session.window->btnSaveClick();
        Settle(*session.window);
    }
    if (static_cast<benchmark::IterationCount>(session.dialogs.messages.size()) !=
        state.iterations())
        state.SkipWithError("Save was not refused");
}
BENCHMARK(BM_DeepSaveRefused)->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- The same chain with all its 10,000 levels open ('*' on the root) -----------------------

void BM_DeepOpenEveryLevel(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Session session(TheFiles().deep);
        session.Select(session.Design().Root(0));
        state.ResumeTiming();

        session.Key(Qt::Key_Asterisk);

        state.PauseTiming();
        session.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepOpenEveryLevel)->Unit(benchmark::kMillisecond)->Iterations(3);

// A fully open chain, with its last item selected by the End key.
class OpenChain
{
public:
    explicit OpenChain(const QString& file) : session(file)
    {
        session.Select(session.Design().Root(0));
        session.Key(Qt::Key_Asterisk);
        session.Key(Qt::Key_End);
    }
    Session session;
};

void BM_DeepSelectLast(benchmark::State& state)
{
    OpenChain chain(TheFiles().deep);
    const MenuItem* items[] = {chain.session.Design().At(kDeepLevels - 2),
                               chain.session.Design().At(kDeepLevels - 1)};
    int turn = 0;
    for (auto _ : state)
        chain.session.Select(items[++turn % 2]);
}
BENCHMARK(BM_DeepSelectLast)->Unit(benchmark::kMillisecond)->Iterations(10);

// Add Sibling at the last level, then Delete of the new item.
void BM_DeepAddSiblingOfLast(benchmark::State& state)
{
    OpenChain chain(TheFiles().deep);
    const MenuItem* last = chain.session.Design().At(kDeepLevels - 1);
    for (auto _ : state) {
        state.PauseTiming();
        chain.session.Select(last);
        state.ResumeTiming();

        chain.session.window->btnAddSiblingClick();
        Settle(*chain.session.window);

        state.PauseTiming();
        chain.session.window->btnDeleteItemClick();
        Settle(*chain.session.window);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepAddSiblingOfLast)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeepDeleteAtLastLevel(benchmark::State& state)
{
    OpenChain chain(TheFiles().deep);
    const MenuItem* last = chain.session.Design().At(kDeepLevels - 1);
    for (auto _ : state) {
        state.PauseTiming();
        chain.session.Select(last);
        chain.session.window->btnAddSiblingClick();
        Settle(*chain.session.window);
        state.ResumeTiming();

        chain.session.window->btnDeleteItemClick();
        Settle(*chain.session.window);
    }
}
BENCHMARK(BM_DeepDeleteAtLastLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeepDeleteSecondWhenOpen(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        OpenChain chain(TheFiles().deep);
        chain.session.Select(chain.session.Design().At(1));
        state.ResumeTiming();

        chain.session.window->btnDeleteItemClick();
        Settle(*chain.session.window);

        state.PauseTiming();
        chain.session.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepDeleteSecondWhenOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- 30,000 levels, more than the tree shows: '*' on the root, then Delete of the second item

void BM_HostileOpenEveryLevelAndDelete(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Session session(TheFiles().hostile);
        session.Select(session.Design().Root(0));
        state.ResumeTiming();

        session.Key(Qt::Key_Asterisk);
        session.Select(session.Design().At(1));
        session.window->btnDeleteItemClick();
        Settle(*session.window);

        state.PauseTiming();
        if (session.Design().Count() != 1)
            state.SkipWithError("the chain was not cut");
        session.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HostileOpenEveryLevelAndDelete)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- Rearranging and undo on the 100,000-item design -----------------------------------------

// Move Down and Move Up in turn of a group in the middle of the design, whose list is open.
void BM_WideMove(benchmark::State& state)
{
    Session session(TheFiles().wide);
    MenuItem* group = session.Design().Root(4)->Child(50);
    session.Select(group);
    int turn = 0;
    for (auto _ : state) {
        session.window->MoveSelected(++turn % 2 ? MoveDirection::Down : MoveDirection::Up);
        Settle(*session.window);
    }
    if (session.window->SelectedItem() != group)
        state.SkipWithError("the moved group is not selected");
}
BENCHMARK(BM_WideMove)->Unit(benchmark::kMillisecond)->Iterations(10);

// A group dropped onto another root, and back onto its own in the next turn.
void BM_WideDrop(benchmark::State& state)
{
    Session session(TheFiles().wide);
    MenuTreeModel& model = session.window->MenuModel();
    MenuItem* group = session.Design().Root(4)->Child(50);
    MenuItem* roots[] = {session.Design().Root(4), session.Design().Root(6)};
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::unique_ptr<QMimeData> drag(model.mimeData({model.IndexOf(group)}));
        const QModelIndex onto = model.IndexOf(roots[++turn % 2]);
        state.ResumeTiming();

        if (!model.dropMimeData(drag.get(), Qt::MoveAction, -1, 0, onto))
            state.SkipWithError("the drop was refused");
        Settle(*session.window);
    }
}
BENCHMARK(BM_WideDrop)->Unit(benchmark::kMillisecond)->Iterations(10);

// Undo of the Delete of a branch of 1,000 items (a root's last group of 999 pages), which
// comes back open.
void BM_WideUndoDeleteOf1000(benchmark::State& state)
{
    Session session(TheFiles().wide);
    MenuTreeModel& model = session.window->MenuModel();
    // The branch is made apart and put in as one step.
    MenuTree scratch;
    MenuItem* branch = scratch.AppendRoot("Branch");
    for (int i = 1; i < 1000; ++i)
        scratch.AppendChild(branch, "Page " + std::to_string(i));
    MenuItem* root = session.Design().Root(5);
    model.Do(MakeInsert(root, root->ChildCount(), scratch.Detach(branch), "Add"));
    session.tree->expand(model.IndexOf(branch));
    const std::size_t whole = session.Design().Count();
    for (auto _ : state) {
        state.PauseTiming();
        session.Select(branch);
        session.window->btnDeleteItemClick();
        Settle(*session.window);
        if (session.Design().Count() != whole - 1000)
            state.SkipWithError("the branch was not deleted");
        session.tree->setFocus();
        state.ResumeTiming();

        session.window->EditUndo();
        Settle(*session.window);

        state.PauseTiming();
        if (session.Design().Count() != whole || session.window->SelectedItem() != branch)
            state.SkipWithError("the branch did not come back");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WideUndoDeleteOf1000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
