// Project files from arbitrary bytes. The items read are held against a plain reading of the
// entries by the documented rules (also a second time into the same tree); then the design is
// written into a fresh document and into the one it came from, and must read back unchanged,
// and a second write of what was read back must give the same bytes.
//
// Everything runs on a thread with a small stack (SmallStack.h).

#include "FuzzCheck.h"
#include "SmallStack.h"

#include "core/codegen/MenuArrays.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/support/Ini_Unit.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using qv::IniDocument;
using qv::MenuItem;
using qv::MenuStyle;
using qv::MenuTree;

// A design's file may grow with the square of its depth (every path names all its ancestors,
// and names grow with depth too); designs whose file would be larger are read but not written.
constexpr std::size_t kMaxWrittenBytes = std::size_t{4} << 20;

// ---- The reading rules, written out plainly -------------------------------------------------

struct Node
{
    std::string text;
    qv::TMyRec rec;
    int parent = -1;
    std::vector<int> children;
};

struct PlainTree
{
    std::vector<Node> nodes;
    std::vector<int> roots;

    std::vector<int> PreOrder() const
    {
        std::vector<int> order;
        std::vector<int> stack(roots.rbegin(), roots.rend());
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            order.push_back(at);
            const auto& children = nodes[static_cast<std::size_t>(at)].children;
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
        return order;
    }

    int Append(int parent, const std::string& text, qv::TMyRec rec)
    {
        const int at = static_cast<int>(nodes.size());
        nodes.push_back(Node{text, std::move(rec), parent, {}});
        (parent < 0 ? roots : nodes[static_cast<std::size_t>(parent)].children).push_back(at);
        return at;
    }
};

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    const auto fold = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

void PlainRead(const IniDocument& d, PlainTree& tree)
{
    const std::int32_t count = d.ReadInteger("Menus", "MenuCount", 0);
    if (count <= 0)
        return;
    // The entries: "Menu_" and an index in plain decimal below the count.
    std::vector<std::uint32_t> indices;
    for (auto keys = d.Keys("Menus"); keys.Next();) {
        const std::string_view name = keys.Name();
        if (name.size() <= 5 || !SameNameIgnoringCase(name.substr(0, 5), "Menu_"))
            continue;
        const std::string_view digits = name.substr(5);
        std::uint64_t index = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (error != std::errc() || end != digits.data() + digits.size() ||
            std::to_string(index) != digits || index >= static_cast<std::uint64_t>(count))
            continue;
        indices.push_back(static_cast<std::uint32_t>(index));
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());

    for (const std::uint32_t index : indices) {
        const std::string i = std::to_string(index);
        const std::string path = d.Value("Menus", "Menu_" + i).value_or("");
        const std::string name = d.ReadString("MenuData", "MenuName_" + i, "");
        const std::string text = d.ReadString("MenuData", "MenuText_" + i, "");
        qv::TMyRec rec;
        rec.Link = d.ReadString("MenuData", "MenuLink_" + i, "");
        rec.Height = d.ReadInteger("MenuData", "MenuHeight" + i, 0);
        rec.Width = d.ReadInteger("MenuData", "MenuWidth" + i, 0);

        std::vector<std::string> segments;
        std::size_t begin = 0;
        for (std::size_t at = 0; at < path.size(); ++at) {
            if (path[at] == '\\') {
                segments.push_back(path.substr(begin, at - begin));
                begin = at + 1;
            }
        }
        if (begin < path.size())
            segments.push_back(path.substr(begin));

        int current = -1;
        for (std::size_t s = 0; s < segments.size(); ++s) {
            const std::string& segment = segments[s];
            int found = -1;
            if (s == 0) {
                for (const int at : tree.PreOrder())
                    if (tree.nodes[static_cast<std::size_t>(at)].rec.MenuName == segment)
                        found = at;
            } else {
                for (const int at : tree.nodes[static_cast<std::size_t>(current)].children)
                    if (tree.nodes[static_cast<std::size_t>(at)].rec.MenuName == segment)
                        found = at;
            }
            if (found < 0) {
                qv::TMyRec added = rec;
                added.MenuName = s == 0 ? name : segment;
                found = tree.Append(current, text, std::move(added));
            }
            current = found;
        }
    }
}

void CheckSameItems(const MenuTree& tree, const PlainTree& plain)
{
    const std::vector<int> order = plain.PreOrder();
    FUZZ_CHECK(tree.Count() == order.size(), "the file's items, no more and no fewer");
    const auto& items = tree.PreOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem& item = *items[i];
        const Node& node = plain.nodes[static_cast<std::size_t>(order[i])];
        FUZZ_CHECK(item.ChildCount() == node.children.size(), "the item's sub items");
        FUZZ_CHECK(item.Text() == node.text, "the item's text");
        FUZZ_CHECK(item.Rec().Link == node.rec.Link && item.Rec().Height == node.rec.Height &&
                       item.Rec().Width == node.rec.Width &&
                       item.Rec().MenuName == node.rec.MenuName,
                   "the item's link, size and name");
    }
}

// ---- Round trip ----------------------------------------------------------------------------

void CheckSameDesign(const MenuTree& a, const MenuTree& b)
{
    FUZZ_CHECK(a.Count() == b.Count(), "the design keeps its number of items");
    const auto& x = a.PreOrder();
    const auto& y = b.PreOrder();
    for (std::size_t i = 0; i < x.size(); ++i) {
        FUZZ_CHECK(x[i]->Level() == y[i]->Level() && x[i]->ChildCount() == y[i]->ChildCount(),
                   "the design keeps its shape");
        FUZZ_CHECK(x[i]->Text() == y[i]->Text(), "an item keeps its text");
        FUZZ_CHECK(x[i]->Rec().Link == y[i]->Rec().Link, "an item keeps its link");
        FUZZ_CHECK(x[i]->Rec().Height == y[i]->Rec().Height &&
                       x[i]->Rec().Width == y[i]->Rec().Width,
                   "an item keeps its size");
        FUZZ_CHECK(x[i]->Rec().MenuName == y[i]->Rec().MenuName, "an item keeps its name");
    }
}

std::size_t Digits(std::size_t n)
{
    std::size_t digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// The size of the file that would hold the design once its items are named, estimated before
// naming them (naming alone takes memory of the square of the depth).
std::size_t WrittenSize(const MenuTree& tree)
{
    std::size_t total = 0;
    std::vector<std::size_t> nameLength;
    std::vector<std::size_t> pathLength;
    for (const MenuItem* item : tree.PreOrder()) {
        const auto level = static_cast<std::size_t>(item->Level());
        nameLength.resize(level + 1);
        pathLength.resize(level + 1);
        const std::size_t own = 1 + Digits(item->Position() + 1);
        nameLength[level] = level == 0 ? 3 + own : nameLength[level - 1] + own;
        pathLength[level] = (level == 0 ? 0 : pathLength[level - 1] + 1) + nameLength[level];
        total += pathLength[level] + 2 * nameLength[level] + item->Text().size() +
                 item->Rec().Link.size() + 96;
        if (total > kMaxWrittenBytes)
            break;
    }
    return total;
}

void RoundTrip(const IniDocument& document, MenuTree& tree, const MenuStyle& stored)
{
    if (WrittenSize(tree) > kMaxWrittenBytes)
        return;
    const MenuStyle shown = StyleAsShown(stored);

    // Into a new file.
    IniDocument fresh;
    qv::WriteMenuDocument(fresh, tree, shown);
    const std::string written = fresh.Serialise();
    MenuTree back;
    const MenuStyle backStyle = qv::ReadMenuDocument(IniDocument::Parse(written), back);
    CheckSameDesign(tree, back);
    MenuStyle expected = shown;
    if (expected.Arrows == qv::kNoChoice)
        expected.Arrows = qv::kArrowsNone; // the key is not written, and reads as none
    FUZZ_CHECK(backStyle == expected, "the style reads back as written");

    // What was read back writes the same bytes.
    IniDocument again;
    qv::WriteMenuDocument(again, back, StyleAsShown(backStyle));
    const std::string rewritten = again.Serialise();
    if (shown.Arrows != qv::kNoChoice)
        FUZZ_CHECK(rewritten == written, "a design read back writes the same file");
    MenuTree third;
    const MenuStyle thirdStyle = qv::ReadMenuDocument(IniDocument::Parse(rewritten), third);
    IniDocument onceMore;
    qv::WriteMenuDocument(onceMore, third, StyleAsShown(thirdStyle));
    FUZZ_CHECK(onceMore.Serialise() == rewritten, "a design read back writes the same file");

    // Into the file it came from, as saving over it does: its other content stays, and an arrow
    // code without a choice stays as the file had it.
    IniDocument same = document;
    qv::WriteMenuDocument(same, tree, shown);
    const std::string saved = same.Serialise();
    MenuTree reopened;
    const MenuStyle reopenedStyle = qv::ReadMenuDocument(IniDocument::Parse(saved), reopened);
    CheckSameDesign(tree, reopened);
    FUZZ_CHECK(StyleAsShown(reopenedStyle) == shown, "the style shows the same after saving");
    qv::WriteMenuDocument(same, reopened, StyleAsShown(reopenedStyle));
    FUZZ_CHECK(same.Serialise() == saved, "saving the reopened design again changes nothing");
}

void Run(std::string_view bytes)
{
    const IniDocument document = IniDocument::Parse(bytes);

    MenuTree tree;
    const MenuStyle stored = qv::ReadMenuDocument(document, tree);
    PlainTree plain;
    PlainRead(document, plain);
    CheckSameItems(tree, plain);

    // Reading into a tree that holds items already finds them by their names.
    const MenuStyle storedAgain = qv::ReadMenuDocument(document, tree);
    FUZZ_CHECK(storedAgain == stored, "reading the style twice gives the same");
    PlainRead(document, plain);
    CheckSameItems(tree, plain);

    RoundTrip(document, tree, stored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] { Run(std::string_view(reinterpret_cast<const char*>(data), size)); };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
