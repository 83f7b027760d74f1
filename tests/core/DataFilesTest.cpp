// Where the programs find their data files and where the window keeps its own: beside the
// program in a build folder or an unpacked copy, in share/quorvane and the user's folders once
// installed or when the program's folder cannot be written.

#include "core/codegen/DataFiles.h"
#include "core/codegen/Template.h"
#include "core/support/FileIo.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

class DataFiles : public test::FolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FolderTest::SetUp());
        fs::create_directories(m_dir / "bin");
        fs::create_directories(m_dir / "share/quorvane");
    }

    std::string Folder(const std::string& relative) const
    {
        return (m_dir / relative).string() + "/";
    }
    void Write(const std::string& relative, const std::string& bytes) const
    {
        test::WriteAll(m_dir / relative, bytes);
    }
    static std::string Read(const std::string& path) { return test::ReadAll(path); }
    static void MakeReadOnly(const std::string& folder)
    {
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    }
};

TEST_F(DataFiles, AFolderWithoutWriteBitsCannotBeWrittenByAnyone)
{
    EXPECT_TRUE(FolderCanBeWritten(Folder("bin")));
    EXPECT_TRUE(FolderCanBeWritten(m_dir.string()));
    // Read-only by its bits: also for the superuser, who could write there all the same.
    MakeReadOnly(Folder("bin"));
    EXPECT_FALSE(FolderCanBeWritten(Folder("bin")));
    EXPECT_FALSE(FolderCanBeWritten(Folder("nowhere")));
    Write("file", "x");
    EXPECT_FALSE(FolderCanBeWritten((m_dir / "file").string()));
}

TEST_F(DataFiles, DataFilesAreReadBesideTheProgramFirstThenFromTheInstalledFolder)
{
    EXPECT_EQ(InstalledDataFolder("/usr/bin/"), "/usr/share/quorvane/");
    EXPECT_EQ(InstalledDataFolder("/opt/quorvane/bin"), "/opt/quorvane/share/quorvane/");

    const std::string bin = Folder("bin");
    // Nowhere: the path beside the program, which the "not found" message names.
    EXPECT_EQ(DataFilePath(bin, kTemplateFileName), bin + "dhtml.dat");
    Write("share/quorvane/dhtml.dat", "installed");
    EXPECT_EQ(DataFilePath(bin, kTemplateFileName), Folder("share/quorvane") + "dhtml.dat");
    Write("bin/dhtml.dat", "beside");
    EXPECT_EQ(DataFilePath(bin, kTemplateFileName), bin + "dhtml.dat");
    // Each file is looked for on its own.
    Write("share/quorvane/quorvane.html", "help");
    EXPECT_EQ(DataFilePath(bin, kHelpFileName), Folder("share/quorvane") + "quorvane.html");
}

TEST_F(DataFiles, FilesStayBesideAWritableProgramUnlessItIsInstalled)
{
    const std::string bin = Folder("bin");
    // A build folder or an unpacked copy, also one that has lost its template.
    EXPECT_TRUE(KeepsFilesBesideProgram(bin));
    Write("bin/dhtml.dat", "t");
    EXPECT_TRUE(KeepsFilesBesideProgram(bin));
    // Installed: the template is in share/quorvane only; the bin folder is not the program's
    // own even where this user may write in it.
    fs::remove(m_dir / "bin/dhtml.dat");
    Write("share/quorvane/dhtml.dat", "t");
    EXPECT_FALSE(KeepsFilesBesideProgram(bin));
    // A copy with its template beside it, in a folder that cannot be written.
    Write("bin/dhtml.dat", "t");
    EXPECT_TRUE(KeepsFilesBesideProgram(bin));
    MakeReadOnly(bin);
    EXPECT_FALSE(KeepsFilesBesideProgram(bin));
}

TEST_F(DataFiles, ThePreviewFolderGetsTheArrowImagesOfTheProgram)
{
    // The images placed are exactly those that the template's arrow settings name.
    std::size_t named = 0;
    for (const std::string_view arrows : {kLightArrows, kDarkArrows})
        for (std::size_t at = arrows.find(".gif'"); at != std::string_view::npos;
             at = arrows.find(".gif'", at + 1))
            ++named;
    EXPECT_EQ(named, kArrowImageFiles.size());
    for (const std::string_view name : kArrowImageFiles) {
        std::string quoted(1, '\'');
        (quoted += name) += '\'';
        EXPECT_TRUE(kLightArrows.find(quoted) != std::string_view::npos ||
                    kDarkArrows.find(quoted) != std::string_view::npos)
            << name;
    }

    const std::string bin = Folder("bin");
    Write("share/quorvane/dhtml.dat", "t");
    for (const std::string_view name : kArrowImageFiles)
        if (name != "trileft.gif")
            Write("share/quorvane/" + std::string(name), "GIF " + std::string(name));
    const std::string page = (m_dir / "home/.cache/quorvane/~dhtml.htm").string();
    PreparePreviewFolder(bin, page);
    const std::string cache = Folder("home/.cache/quorvane");
    EXPECT_EQ(Read(cache + "tri.gif"), "GIF tri.gif");
    EXPECT_EQ(Read(cache + "tridarkleft.gif"), "GIF tridarkleft.gif");
    // An image the program does not have is skipped: the menu draws that arrow itself.
    EXPECT_FALSE(fs::exists(cache + "trileft.gif"));

    // A newer program's images replace older copies; the same ones are left alone (this one,
    // made read-only, would fail the command if it were written again).
    Write("share/quorvane/tri.gif", "GIF new");
    fs::permissions(cache + "tridark.gif", fs::perms::owner_read);
    PreparePreviewFolder(bin, page);
    EXPECT_EQ(Read(cache + "tri.gif"), "GIF new");
    EXPECT_EQ(Read(cache + "tridark.gif"), "GIF tridark.gif");

    // A folder that cannot be made abandons Preview with the page's path.
    Write("file", "x");
    const std::string lostPage = (m_dir / "file/cache/~dhtml.htm").string();
    try {
        PreparePreviewFolder(bin, lostPage);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + lostPage);
    }
}

} // namespace
} // namespace qv
