// The programs installed into a prefix that is then made read-only (QUORVANE_TEST_PREFIX, made
// by the install_prefix_setup test), as a system install is for its users: quorvane-gen finds
// its template in share/quorvane, and the window keeps its preview page, settings and documents
// in the user's folders. A read-only unpacked copy does the same; a writable one keeps them
// beside itself.

#include "core/codegen/DataFiles.h"
#include "core/codegen/Template.h"
#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"
#include "core/support/Ini_Unit.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/PromptChoiceForm.h"

#include "UiTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class Installed : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_prefix = qEnvironmentVariable("QUORVANE_TEST_PREFIX");
        ASSERT_FALSE(m_prefix.isEmpty()) << "run through ctest, which installs the prefix";
        ASSERT_TRUE(QFileInfo(m_prefix + u"/bin"_s).isDir());
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(QDir(m_home.path()).mkpath(u"Documents"_s));
        // The user's folders, as the desktop sets them.
        for (const char* name : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            m_savedEnvironment.emplace_back(name, qgetenv(name));
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home.filePath(u".cache"_s)));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u".config"_s)));
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_savedEnvironment) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    QString Bin() const { return m_prefix + u"/bin/"_s; }
    QString Share() const { return m_prefix + u"/share/quorvane/"_s; }
    QString Cache() const { return m_home.filePath(u".cache/quorvane/"_s); }
    QString UserSettings() const { return m_home.filePath(u".config/quorvane/quorvane.ini"_s); }
    QString Documents() const { return m_home.filePath(u"Documents/"_s); }

    // Get Code once; `tickNote` answers the note (when it comes) with its box ticked. Returns
    // the dialogs shown.
    QStringList GetCode(TfrmQuorvane& window, bool tickNote)
    {
        m_dialogs.execs.clear();
        m_dialogs.execActions.push_back([tickNote](QDialog& dialog) {
            if (auto* note = dynamic_cast<TfrmPromptChoice*>(&dialog))
                note->chkDontShow()->setChecked(tickNote);
            return int(QDialog::Rejected);
        });
        m_dialogs.execActions.push_back([](QDialog&) { return int(QDialog::Rejected); });
        window.btnOkClick();
        m_dialogs.execActions.clear();
        return m_dialogs.execs;
    }

    // Preview writes the page into the user's cache folder with the program's arrow images
    // beside it and opens it; Save and Open start in the documents folder; help opens the page
    // among the data files.
    void ExpectUsersFolders(TfrmQuorvane& window, const QString& dataFolder)
    {
        EXPECT_FALSE(window.FilesBesideProgram());
        EXPECT_EQ(window.DataFilePath(), dataFolder + u"dhtml.dat"_s);
        EXPECT_EQ(window.PreviewFilePath(), Cache() + u"~dhtml.htm"_s);
        EXPECT_EQ(window.DocumentsFolder(), Documents());

        window.btnAddRootItemClick();
        m_shell.opened.clear();
        window.btnPreviewClick();
        for (const auto& message : m_dialogs.messages)
            ADD_FAILURE() << message.text.toStdString();
        EXPECT_EQ(m_shell.opened, QStringList{Cache() + u"~dhtml.htm"_s});
        EXPECT_TRUE(ReadAll(Cache() + u"~dhtml.htm"_s).contains("Untitled1"));
        for (const std::string_view name : kArrowImageFiles) {
            const QString image = QString::fromUtf8(name.data(), qsizetype(name.size()));
            EXPECT_EQ(ReadAll(Cache() + image), ReadAll(dataFolder + image)) << name;
        }

        window.btnHelpClick();
        EXPECT_EQ(m_shell.opened.last(), dataFolder + u"quorvane.html"_s);

        m_dialogs.saveRequests.clear();
        m_dialogs.openRequests.clear();
        m_dialogs.saveAnswers.push_back(std::nullopt);
        window.btnSaveClick();
        m_dialogs.openAnswers.push_back(std::nullopt);
        window.btnOpenClick();
        ASSERT_EQ(m_dialogs.saveRequests.size(), 1u);
        ASSERT_EQ(m_dialogs.openRequests.size(), 1u);
        EXPECT_EQ(m_dialogs.saveRequests[0].fileName, Documents() + u"Untitled.mnu"_s);
        EXPECT_EQ(m_dialogs.saveRequests[0].initialFolder, Documents());
        EXPECT_EQ(m_dialogs.openRequests[0].initialFolder, Documents());
    }

    QString m_prefix;
    QTemporaryDir m_home;
    std::vector<std::pair<const char*, QByteArray>> m_savedEnvironment;
    test::FakeDialogs m_dialogs;
    test::FakeShell m_shell;
};

TEST_F(Installed, QuorvaneGenFindsItsTemplateInShare)
{
    EXPECT_FALSE(FolderCanBeWritten((Bin()).toStdString()));
    MenuTree tree;
    tree.AppendChild(tree.AppendRoot("Home"), "News");
    const QString design = m_home.filePath(u"site.mnu"_s);
    WriteMenuFile(design.toStdString(), tree, MenuStyle{});

    QProcess gen;
    gen.setWorkingDirectory(m_home.path()); // neither the program's folder nor the data's
    gen.start(Bin() + u"quorvane-gen"_s, {design, u"-o"_s, m_home.filePath(u"menu.html"_s)});
    ASSERT_TRUE(gen.waitForFinished(30000));
    EXPECT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();

    MenuTree read;
    const MenuStyle style = StyleAsShown(ReadMenuFile(design.toStdString(), read));
    const std::string installedTemplate =
        ReadFileBytes(QString(Share() + u"dhtml.dat"_s).toStdString());
    EXPECT_EQ(ReadAll(m_home.filePath(u"menu.html"_s)).toStdString(),
              FillTemplate(installedTemplate, read, style));
}

TEST_F(Installed, TheWindowUsesTheUsersFoldersAndKeepsTheNotesAnswerAcrossStarts)
{
    {
        TfrmQuorvane window(Bin());
        ExpectUsersFolders(window, Share());
        EXPECT_EQ(window.HelpFilePath(), Share() + u"quorvane.html"_s);
        EXPECT_EQ(GetCode(window, true), (QStringList{u"frmPromptChoice"_s, u"FrmQuorvaneCopy"_s}));
        EXPECT_EQ(window.IniFilePath(), UserSettings());
    }
    EXPECT_EQ(IniReadInteger(UserSettings().toStdString(), "Prompts", "QuorvaneNote", 0), 1);
    // The next start reads the answer: no note.
    TfrmQuorvane again(Bin());
    EXPECT_EQ(GetCode(again, false), QStringList{u"FrmQuorvaneCopy"_s});
}

TEST_F(Installed, AReadOnlyUnpackedCopyUsesTheUsersFoldersAndAWritableOneItsOwn)
{
    // The programs and their data files together in one folder, as an unpacked copy has them,
    // with a settings file that already answers the note.
    QTemporaryDir copy;
    ASSERT_TRUE(copy.isValid());
    const QString folder = copy.path() + u"/"_s;
    for (const QString& name : QDir(Share()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(Share() + name, folder + name)) << name.toStdString();
    ASSERT_TRUE(QFile::copy(Bin() + u"quorvane"_s, folder + u"quorvane"_s));
    ASSERT_TRUE(IniWriteInteger(QString(folder + u"quorvane.ini"_s).toStdString(), "Prompts",
                                "QuorvaneNote", 1));

    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    {
        TfrmQuorvane window(folder);
        ExpectUsersFolders(window, folder);
        // The settings beside the program are read while the user has none of their own.
        EXPECT_EQ(window.IniFilePath(), folder + u"quorvane.ini"_s);
        EXPECT_EQ(GetCode(window, false), QStringList{u"FrmQuorvaneCopy"_s});
    }

    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    TfrmQuorvane window(folder);
    EXPECT_TRUE(window.FilesBesideProgram());
    EXPECT_EQ(window.PreviewFilePath(), folder + u"~dhtml.htm"_s);
    EXPECT_EQ(window.IniFilePath(), folder + u"quorvane.ini"_s);
    EXPECT_EQ(window.DocumentsFolder(), folder);
}

TEST_F(Installed, TheInstalledProgramStartsFromTheReadOnlyPrefix)
{
    QProcess version;
    version.start(Bin() + u"quorvane"_s, {u"--version"_s});
    ASSERT_TRUE(version.waitForFinished(30000));
    EXPECT_EQ(version.exitCode(), 0);
    EXPECT_TRUE(version.readAllStandardOutput().startsWith("Tarnwick Quorvane Wizard "));

    // With a design on its command line it shows its window and runs until it is closed.
    MenuTree tree;
    tree.AppendRoot("Home");
    const QString design = m_home.filePath(u"site.mnu"_s);
    WriteMenuFile(design.toStdString(), tree, MenuStyle{});
    QProcess program;
    program.start(Bin() + u"quorvane"_s, {design});
    ASSERT_TRUE(program.waitForStarted(30000));
    EXPECT_FALSE(program.waitForFinished(3000))
        << "ended early: " << program.readAllStandardError().toStdString();
    program.terminate();
    program.waitForFinished(30000);
}

} // namespace
} // namespace qv
