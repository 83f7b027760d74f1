#pragma once

// Project files of huge and hostile designs, shared by the window's tests and benchmarks.

#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::test {

// The wide design: kWideRoots roots, each with kWideSubs sub items, each of those with kWideLeaves
// items below it; 100,000 items in all, three levels deep.
inline constexpr std::size_t kWideRoots = 10;
inline constexpr std::size_t kWideSubs = 99;
inline constexpr std::size_t kWideLeaves = 100;
inline constexpr std::size_t kWideCount = kWideRoots * (1 + kWideSubs * (1 + kWideLeaves));

inline TMyRec WideRecord(std::string link, std::int32_t height, std::int32_t width)
{
    TMyRec rec;
    rec.Link = std::move(link);
    rec.Height = height;
    rec.Width = width;
    return rec;
}

inline void BuildWideDesign(MenuTree& tree)
{
    for (std::size_t r = 0; r < kWideRoots; ++r) {
        const std::string root = "Section " + std::to_string(r + 1);
        MenuItem* section =
            tree.AppendRoot(root, WideRecord("http://example.com/" + root, 24, 120));
        for (std::size_t s = 0; s < kWideSubs; ++s) {
            const std::string sub = root + "." + std::to_string(s + 1);
            MenuItem* group = tree.AppendChild(section, "Group " + sub,
                                               WideRecord("http://example.com/" + sub, 22, 140));
            for (std::size_t l = 0; l < kWideLeaves; ++l) {
                const std::string leaf = sub + "." + std::to_string(l + 1);
                tree.AppendChild(group, "Page " + leaf,
                                 WideRecord("http://example.com/" + leaf, 20, 160));
            }
        }
    }
}

// Saves the wide design as the program saves it.
inline void WriteWideDesignFile(const std::string& path)
{
    MenuTree tree;
    BuildWideDesign(tree);
    WriteMenuFile(path, tree, MenuStyle{});
}

// A chain `depth` levels deep, written by hand: every entry's path names its parent by the
// parent's own name, which the reader finds at any level, so the file grows only linearly with
// the depth (a saved file lists every ancestor in each path). Item i is called a<i> and its
// caption is "Level <i>".
inline std::string DeepChainFileText(std::size_t depth)
{
    // Built by appending only (gcc 12 warns falsely about concatenated temporaries at -O3).
    std::string menus = "[Menus]\r\nMenuCount=";
    menus += std::to_string(depth);
    menus += "\r\n";
    std::string data = "[MenuData]\r\n";
    for (std::size_t i = 0; i < depth; ++i) {
        const std::string n = std::to_string(i);
        menus += "Menu_";
        menus += n;
        menus += '=';
        if (i > 0) {
            menus += 'a';
            menus += std::to_string(i - 1);
            menus += '\\';
        }
        menus += 'a';
        menus += n;
        menus += "\r\n";
        for (const char* key : {"MenuName_", "MenuText_", "MenuLink_", "MenuHeight", "MenuWidth"}) {
            data += key;
            data += n;
            data += '=';
            switch (key[4]) {
            case 'N':
                data += 'a';
                data += n;
                break;
            case 'T':
                data += "Level ";
                data += n;
                break;
            case 'L':
                data += "http://example.com/";
                data += n;
                break;
            case 'H':
                data += "20";
                break;
            default:
                data += "80";
            }
            data += "\r\n";
        }
    }
    menus += data;
    return menus;
}

inline void WriteDeepChainFile(const std::string& path, std::size_t depth)
{
    WriteFileAtomically(path, DeepChainFileText(depth));
}

} // namespace qv::test
