// Saving a project never leaves a half-written or lost file: every step of the atomic write is
// made to fail in turn, and the real ways a save can fail are tried on disk.
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;

class SaveFailure : public test::FolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FolderTest::SetUp());
        m_tree.AppendChild(m_tree.AppendRoot("Home"), "News");
        m_tree.AppendRoot("Contact");
    }

    // Saves and returns the error text, or "" when the save succeeded.
    std::string Save(const fs::path& path)
    {
        try {
            WriteMenuFile(path.string(), m_tree, MenuStyle{});
            return "";
        } catch (const FileError& e) {
            return e.what();
        }
    }
    std::size_t Entries(const fs::path& dir) const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    MenuTree m_tree;
};

TEST_F(SaveFailure, EachFailingStepKeepsTheOldFileByteForByte)
{
    const fs::path file = m_dir / "site.mnu";
    const std::string old = "; my notes\r\n[Menus]\r\nMenuCount=7\r\n[Other]\r\nkeep=1\r\n";
    for (WriteStep step : {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::Flush,
                           WriteStep::KeepPermissions, WriteStep::Rename}) {
        std::ofstream(file, std::ios::binary) << old;
        SetWriteFaultHook([step](WriteStep s) { return s == step; });
        EXPECT_EQ(Save(file), "Unable to write to " + file.string()) << static_cast<int>(step);
        EXPECT_EQ(ReadAll(file), old) << static_cast<int>(step);
        EXPECT_EQ(Entries(m_dir), 1u) << "no temporary file is left behind";
    }
    SetWriteFaultHook({});
    EXPECT_EQ(Save(file), "");
    const std::string saved = ReadAll(file);
    EXPECT_EQ(saved.rfind("; my notes\r\n", 0), 0u) << "foreign lines are kept";
    EXPECT_NE(saved.find("[Other]\r\nkeep=1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("MenuCount=3\r\n"), std::string::npos);
}

TEST_F(SaveFailure, RealFailuresOnDiskReportThePathAndChangeNothing)
{
    // A read-only file.
    const fs::path locked = m_dir / "locked.mnu";
    std::ofstream(locked, std::ios::binary) << "[Menus]\r\nMenuCount=0\r\n";
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(Save(locked), "Unable to write to " + locked.string());
    EXPECT_EQ(ReadAll(locked), "[Menus]\r\nMenuCount=0\r\n");

    // A read-only folder: neither a new file nor a replaced one.
    const fs::path shut = m_dir / "shut";
    fs::create_directories(shut);
    std::ofstream(shut / "in.mnu", std::ios::binary) << "old";
    fs::permissions(shut, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Save(shut / "new.mnu"), "Unable to write to " + (shut / "new.mnu").string());
    EXPECT_EQ(Save(shut / "in.mnu"), "Unable to write to " + (shut / "in.mnu").string());
    fs::permissions(shut, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(shut / "in.mnu"), "old");
    EXPECT_EQ(Entries(shut), 1u);

    // A path that is a folder, and a folder that does not exist.
    const fs::path folder = m_dir / "folder.mnu";
    fs::create_directories(folder);
    EXPECT_EQ(Save(folder), "Unable to write to " + folder.string());
    EXPECT_TRUE(fs::is_directory(folder));
    const fs::path missing = m_dir / "no" / "such" / "site.mnu";
    EXPECT_EQ(Save(missing), "Unable to write to " + missing.string());
    EXPECT_FALSE(fs::exists(m_dir / "no"));
}

TEST_F(SaveFailure, ASymbolicLinkStaysALinkAndItsTargetGetsTheDesign)
{
    fs::create_directories(m_dir / "real");
    const fs::path target = m_dir / "real" / "site.mnu";
    std::ofstream(target, std::ios::binary) << "[Menus]\r\nMenuCount=0\r\n";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = m_dir / "site-link.mnu";
    fs::create_symlink(fs::path("real") / "site.mnu", link);

    EXPECT_EQ(Save(link), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), fs::path("real") / "site.mnu");
    EXPECT_NE(ReadAll(target).find("MenuCount=3\r\n"), std::string::npos);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    MenuTree reread;
    ReadMenuFile(link.string(), reread);
    ASSERT_EQ(reread.Count(), 3u);
    EXPECT_EQ(reread.At(1)->Text(), "News");
}

} // namespace
} // namespace qv
