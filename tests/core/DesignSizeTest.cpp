#include "core/project/DesignSize.h"
#include "core/codegen/MenuArrays.h"
#include "core/project/MenuFile.h"
#include "core/support/Ini_Unit.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace qv {
namespace {

TMyRec Record(std::string link, std::int32_t height, std::int32_t width)
{
    TMyRec rec;
    rec.Link = std::move(link);
    rec.Height = height;
    rec.Width = width;
    return rec;
}

// Everything that changes the length of a line: ten and more roots and siblings (two-digit
// numbers), a branch a dozen levels deep, sub item counts of several digits, signs and the
// extremes of the numbers, and texts that the script literal escapes or widens.
void BuildAwkwardDesign(MenuTree& tree)
{
    for (int r = 0; r < 11; ++r) {
        MenuItem* root = tree.AppendRoot("Root " + std::to_string(r), Record("http://", 20, 80));
        if (r == 3) {
            for (int k = 0; k < 123; ++k)
                tree.AppendChild(root, "", Record("", -k, k * 1000));
        }
    }
    MenuItem* item = tree.Root(10);
    for (int level = 1; level <= 12; ++level) {
        item =
            tree.AppendChild(item, "Level " + std::to_string(level),
                             Record("page.html?a=1&b=2", std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max()));
        tree.AppendChild(item->Parent(), "sibling");
    }
    MenuItem* texts = tree.AppendChild(tree.Root(0), "He said \"hi\" \\ back");
    tree.AppendChild(texts, "</script><!-- tab\there\r\nline", Record("a\"b", 0, 0));
    tree.AppendChild(texts, "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x80\xA8");
    tree.AppendChild(texts, "old \xE9\x80 bytes", Record("\x93quoted\x94", 1, 1));
}

void BuildChain(MenuTree& tree, int depth)
{
    MenuItem* item = tree.AppendRoot("Level 0");
    for (int level = 1; level < depth; ++level)
        item = tree.AppendChild(item, "Level " + std::to_string(level));
}

// The bytes of the item sections in a document written from scratch: they come last.
std::uint64_t WrittenSections(MenuTree& tree)
{
    IniDocument document;
    WriteMenuDocument(document, tree, MenuStyle{});
    const std::string text = document.Serialise();
    const std::size_t at = text.find("[Menus]");
    EXPECT_NE(at, std::string::npos);
    return text.size() - at;
}

TEST(DesignSize, TheCodeSizeIsTheLengthOfTheMenuArrays)
{
    MenuTree empty;
    EXPECT_EQ(MenuArraysSize(empty), 0u);

    MenuTree tree;
    BuildAwkwardDesign(tree);
    const std::uint64_t predicted = MenuArraysSize(tree);
    // Measuring names nothing: the names are the naming pass's to give.
    for (const MenuItem* item : tree.PreOrder())
        ASSERT_TRUE(item->Rec().MenuName.empty());
    EXPECT_EQ(predicted, BuildMenuArrays(tree).size());
    // The names given by an earlier pass do not count, only the ones the next pass gives.
    tree.Root(0)->Rec().MenuName = "a much longer name than the pass gives";
    EXPECT_EQ(MenuArraysSize(tree), predicted);

    MenuTree chain;
    BuildChain(chain, 300);
    EXPECT_EQ(MenuArraysSize(chain), BuildMenuArrays(chain).size());
}

TEST(DesignSize, TheFileSizeIsTheLengthOfTheItemSections)
{
    MenuTree empty;
    EXPECT_EQ(MenuSectionsSize(empty), WrittenSections(empty));

    MenuTree tree;
    BuildAwkwardDesign(tree);
    MenuTree plain;
    BuildChain(plain, 40);
    EXPECT_EQ(MenuSectionsSize(plain), WrittenSections(plain));
    const std::uint64_t predicted = MenuSectionsSize(tree);
    EXPECT_EQ(predicted, WrittenSections(tree));

    // Texts that keep their blanks at the ends are written in quotes: two bytes more each.
    tree.AppendRoot(" padded ", Record("\"quoted\"", 20, 80));
    const std::uint64_t quoted = MenuSectionsSize(tree);
    const std::uint64_t written = WrittenSections(tree);
    EXPECT_LE(quoted, written);
    EXPECT_GE(quoted + 4, written);

    MenuTree chain;
    BuildChain(chain, 300);
    EXPECT_EQ(MenuSectionsSize(chain), WrittenSections(chain));
}

// Items appended under any item are measured as they would be once in the tree: their names,
// the parent's sub item count and the file indexes of every item after them.
TEST(DesignSize, AppendedSubtreesAreMeasuredAsIfInTheTree)
{
    const auto pickers = {
        +[](MenuTree&) -> MenuItem* { return nullptr; },
        +[](MenuTree& tree) -> MenuItem* { return tree.Root(3); },
        +[](MenuTree& tree) -> MenuItem* { return tree.At(tree.Count() - 1); },
        +[](MenuTree& tree) -> MenuItem* { return tree.Root(10)->Child(0)->Child(0); },
        +[](MenuTree& tree) -> MenuItem* { return tree.Root(5); },
    };
    for (const auto pick : pickers) {
        MenuTree tree;
        BuildAwkwardDesign(tree);
        MenuItem* parent = pick(tree);
        MenuTree scratch;
        for (int k = 0; k < 12; ++k) {
            MenuItem* item = scratch.AppendRoot("New " + std::to_string(k), Record("/n", 20, 80));
            for (int level = 0; level < k % 4; ++level)
                item = scratch.AppendChild(item, "deeper", Record("", -1, 1));
        }
        std::vector<std::unique_ptr<MenuItem>> subtrees;
        while (scratch.RootCount() > 0)
            subtrees.insert(subtrees.begin(),
                            scratch.Detach(scratch.Root(scratch.RootCount() - 1)));

        const DesignSizes predicted = DesignSizesWithAppended(tree, parent, subtrees);
        for (auto& subtree : subtrees)
            tree.Insert(parent, static_cast<std::size_t>(-1), std::move(subtree));
        EXPECT_EQ(predicted.arrays, MenuArraysSize(tree));
        EXPECT_EQ(predicted.sections, MenuSectionsSize(tree));
    }
}

TEST(DesignSize, ADeepChainIsMeasuredWithoutBuildingIt)
{
    // 10,000 levels: the names alone would take some 100 MB and the file's paths hundreds of
    // gigabytes; measuring takes one pass.
    MenuTree chain;
    BuildChain(chain, 10000);
    const std::uint64_t code = MenuArraysSize(chain);
    const std::uint64_t file = MenuSectionsSize(chain);
    EXPECT_GT(code, std::uint64_t{140} << 20);
    EXPECT_LT(code, std::uint64_t{160} << 20);
    EXPECT_GT(file, std::uint64_t{300} << 30);
    EXPECT_LT(file, std::uint64_t{400} << 30);
    for (const MenuItem* item : chain.PreOrder())
        ASSERT_TRUE(item->Rec().MenuName.empty());
}

} // namespace
} // namespace qv
