#include "CoreTestSupport.h"

#include "core/model/Colors.h"
#include "core/support/FileIo.h"

#include <fstream>
#include <iterator>
#include <stdlib.h>

namespace qv::test {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string Outline(const std::vector<ImportedItem>& items)
{
    std::string out;
    for (const ImportedItem& item : items) {
        out.append(static_cast<std::size_t>(item.level) * 2, ' ');
        out += item.text;
        if (!item.link.empty())
            out += " -> " + item.link;
        out += '\n';
    }
    return out;
}

MenuStyle DistinctStyle()
{
    MenuStyle s;
    s.MainBG = RgbColor(0x01, 0x02, 0x03);
    s.MainMOBG = RgbColor(0x04, 0x05, 0x06);
    s.MainFont = RgbColor(0x07, 0x08, 0x09);
    s.MainFontMO = RgbColor(0x0A, 0x0B, 0x0C);
    s.MainBorder = RgbColor(0x0D, 0x0E, 0x0F);
    s.SubBG = RgbColor(0x10, 0x11, 0x12);
    s.SubMOBG = RgbColor(0x13, 0x14, 0x15);
    s.SubFont = RgbColor(0x16, 0x17, 0x18);
    s.SubFontMO = RgbColor(0x19, 0x1A, 0x1B);
    s.SubBorder = SystemColorRef(kWindow);
    s.MenuType = kMenuHorizontal;
    s.TextAlign = 1;
    s.HorzAlign = 2;
    s.VertAlign = 3;
    s.MenuTop = -40;
    s.MenuLeft = 7;
    s.LeftPadding = 4;
    s.TopPadding = 6;
    s.BorderWidth = 5;
    s.OnMouseOver = kUnfoldOnClick;
    s.MenuFont = "Verdana, sans-serif";
    s.FontSize = 12;
    s.FontBold = true;
    s.FontItalic = false;
    s.Arrows = kArrowsLight;
    s.KeepHighlighted = false;
    s.BorderBetween = true;
    return s;
}

void FolderTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "qv_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
}

void FolderTest::TearDown()
{
    SetWriteFaultHook({});
    if (m_dir.empty())
        return;
    // What the test made read-only is opened again, so that it can be removed.
    std::error_code ignored;
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(m_dir, ignored))
        if (!entry.is_symlink(ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_dir, ignored);
}

} // namespace qv::test
