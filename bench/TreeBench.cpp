#include "core/model/MenuTree.h"

#include <benchmark/benchmark.h>

namespace {

// A realistic design: 10 roots, each with sub menus three levels deep, `items` items in all.
void BuildRealistic(qv::MenuTree& tree, std::int64_t items)
{
    const std::int64_t perRoot = items / 10;
    // Branching b per level so that 1 + b + b^2 + b^3 is about perRoot.
    std::int64_t b = 1;
    while (1 + (b + 1) + (b + 1) * (b + 1) + (b + 1) * (b + 1) * (b + 1) <= perRoot)
        ++b;
    std::int64_t made = 0;
    for (int r = 0; r < 10 && made < items; ++r) {
        qv::MenuItem* root = tree.AppendRoot("Root");
        ++made;
        for (std::int64_t i = 0; i < b && made < items; ++i) {
            qv::MenuItem* l1 = tree.AppendChild(root, "Level one");
            ++made;
            for (std::int64_t j = 0; j < b && made < items; ++j) {
                qv::MenuItem* l2 = tree.AppendChild(l1, "Level two");
                ++made;
                for (std::int64_t k = 0; k < b && made < items; ++k, ++made)
                    tree.AppendChild(l2, "Level three");
            }
        }
    }
    while (made++ < items)
        tree.AppendRoot("Extra");
}

void BM_BuildAndDestroy(benchmark::State& state)
{
    for (auto _ : state) {
        qv::MenuTree tree;
        BuildRealistic(tree, state.range(0));
        benchmark::DoNotOptimize(tree.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildAndDestroy)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_BuildAndDestroyDeepChain(benchmark::State& state)
{
    for (auto _ : state) {
        qv::MenuTree tree;
        qv::MenuItem* item = tree.AppendRoot("0");
        for (std::int64_t i = 1; i < state.range(0); ++i)
            item = tree.AppendChild(item, "deeper");
        benchmark::DoNotOptimize(tree.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildAndDestroyDeepChain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PreOrderWalk(benchmark::State& state)
{
    qv::MenuTree tree;
    BuildRealistic(tree, state.range(0));
    for (auto _ : state) {
        // Drop the cached order so every iteration walks the tree afresh.
        tree.Remove(tree.AppendRoot("scratch"));
        std::int64_t sum = 0;
        for (const qv::MenuItem* item : tree.PreOrder())
            sum += item->Level();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PreOrderWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One Delete in a flat list of 100,000 roots: the removed item's later siblings are renumbered,
// so a single delete is linear in the size of its list.
void BM_DeleteOneRoot(benchmark::State& state)
{
    qv::MenuTree tree;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        tree.AppendRoot("root");
    for (auto _ : state) {
        tree.Remove(tree.Root(tree.RootCount() / 2));
        state.PauseTiming();
        tree.AppendRoot("root");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteOneRoot)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
