// The command line: `quorvane site.mnu` opens the design at start exactly as Open Menu would;
// help, version and wrong arguments end the program before a window system is needed.

#include "core/project/MenuFile.h"
#include "core/support/CommandLine.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/QuorvaneForm.h"

#include "UiTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The program run without a display, as over SSH or from a script, on the desktop's own window
// system: its exit code (-1 for a crash) and its two outputs.
struct ProgramRun
{
    int code = -1;
    QString out;
    QString err;
};
ProgramRun RunWithoutDisplay(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVANE_PROGRAM), arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.code = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TEST(CommandLine, HelpVersionAndMistakesNeedNoDisplay)
{
    const ProgramRun help = RunWithoutDisplay({u"--help"_s});
    EXPECT_EQ(help.code, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith(u"Usage: quorvane [options] [design]\n"_s))
        << help.out.toStdString();
    EXPECT_EQ(help.err, u""_s);
    const ProgramRun version = RunWithoutDisplay({u"-style"_s, u"fusion"_s, u"--version"_s});
    EXPECT_EQ(version.code, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, u"Tarnwick Quorvane Wizard " QUORVANE_VERSION "\n"_s);

    for (const QStringList& wrong :
         {QStringList{u"--frobnicate"_s}, QStringList{u"a.mnu"_s, u"b.mnu"_s}}) {
        const ProgramRun run = RunWithoutDisplay(wrong);
        EXPECT_EQ(run.code, 2) << run.err.toStdString();
        EXPECT_EQ(run.out, u""_s);
        EXPECT_TRUE(run.err.contains(u"Usage:"_s)) << run.err.toStdString();
    }
    EXPECT_TRUE(RunWithoutDisplay({u"-x"_s}).err.startsWith(u"Unknown option '-x'."_s));

    // The toolkit's own options still reach the toolkit: a platform that does not exist is its
    // failure, not a wrong argument.
    const ProgramRun platform = RunWithoutDisplay({u"-platform"_s, u"no-such-platform"_s});
    EXPECT_NE(platform.code, 0);
    EXPECT_NE(platform.code, 2);
    EXPECT_TRUE(platform.err.contains(u"no-such-platform"_s)) << platform.err.toStdString();
}

// Windows of their own, on the shared folder and fakes.
class Startup : public test::WindowTest
{
protected:
    std::unique_ptr<TfrmQuorvane> NewWindow()
    {
        auto window = std::make_unique<TfrmQuorvane>(m_dir.path());
        window->show();
        return window;
    }
    // The items' levels, texts and links in pre-order.
    static std::string Items(const TfrmQuorvane& window)
    {
        QStringList items;
        const MenuTree& tree = window.MenuModel().Tree();
        for (std::size_t i = 0; i < tree.Count(); ++i) {
            const MenuItem* item = tree.At(i);
            items << QString(u"%1 %2 %3"_s)
                         .arg(item->Level())
                         .arg(QString::fromStdString(item->Text()),
                              QString::fromStdString(item->Rec().Link));
        }
        return items.join(u" | "_s).toStdString();
    }
};

TEST_F(Startup, ADesignNamedOnTheCommandLineOpensAsOpenMenuOpensIt)
{
    MenuTree tree;
    MenuItem* products = tree.AppendRoot("Products");
    tree.AppendChild(products, "Tools");
    TMyRec contact;
    contact.Link = "contact.html";
    tree.AppendRoot("Contact", contact);
    MenuStyle style;
    style.MainBG = RgbColor(1, 2, 3);
    style.MenuFont = "Verdana";
    style.FontSize = 14;
    const QString path = m_dir.filePath(u"site.mnu"_s);
    WriteMenuFile(path.toStdString(), tree, style);

    // As main() does with `quorvane site.mnu`.
    const auto fromCommandLine = NewWindow();
    EXPECT_TRUE(fromCommandLine->OpenStartFile(QString::fromStdString(
        ParseCommandLine({"quorvane", path.toStdString()}, "", "").designFile)));
    // The same file through Open Menu.
    const auto fromOpen = NewWindow();
    m_dialogs.openAnswers.push_back(path);
    fromOpen->btnOpenClick();

    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_EQ(Items(*fromCommandLine),
              "0 Products http:// | 1 Tools http:// | 0 Contact contact.html");
    EXPECT_EQ(Items(*fromCommandLine), Items(*fromOpen));
    EXPECT_EQ(fromCommandLine->GetMenuStyle(), fromOpen->GetMenuStyle());
    EXPECT_EQ(fromCommandLine->GetMenuStyle().MainBG, RgbColor(1, 2, 3));
    EXPECT_EQ(fromCommandLine->GetMenuStyle().FontSize, 14);
    EXPECT_EQ(fromCommandLine->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + path);
    EXPECT_EQ(fromCommandLine->ProjectFile(), path);

    // The next save proposes the opened file.
    m_dialogs.saveAnswers.push_back(std::nullopt);
    fromCommandLine->btnSaveClick();
    ASSERT_EQ(m_dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(m_dialogs.saveRequests[0].fileName, path);
}

TEST_F(Startup, ADesignThatCannotBeReadGivesOpensMessageAndAnEmptyDesign)
{
    // A folder given as the design cannot be read, as root too.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"folder.mnu"_s));
    const QString folder = m_dir.filePath(u"folder.mnu"_s);
    const auto window = NewWindow();
    EXPECT_FALSE(window->OpenProjectFile(folder));
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].text, u"Cannot open file "_s + folder);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Tarnwick Quorvane Wizard"_s);
    EXPECT_TRUE(window->MenuModel().Tree().Empty());
    EXPECT_EQ(window->windowTitle(), u"Tarnwick Free Quorvane Builder"_s);
    EXPECT_TRUE(window->ProjectFile().isEmpty());

    // A name that does not exist opens as Open Menu opens it: empty, and named in the caption,
    // so that the first save creates it.
    const QString fresh = m_dir.filePath(u"new-site.mnu"_s);
    EXPECT_TRUE(window->OpenProjectFile(fresh));
    EXPECT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_TRUE(window->MenuModel().Tree().Empty());
    EXPECT_EQ(window->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + fresh);
}

TEST_F(Startup, ANameWhereNoFileIsStartsTheStartUpDesignUnderIt)
{
    const MenuStyle startup = NewWindow()->GetMenuStyle();
    EXPECT_EQ(startup, StyleAsShown(MenuStyle{}));
    const QString caption = u"Tarnwick Free Quorvane Builder - "_s;
    const QString path = m_dir.filePath(u"new.mnu"_s);

    const auto window = NewWindow();
    EXPECT_TRUE(window->OpenStartFile(path));
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_TRUE(window->MenuModel().Tree().Empty());
    EXPECT_EQ(window->GetMenuStyle(), startup);
    EXPECT_EQ(window->ProjectFile(), path);
    EXPECT_EQ(window->windowTitle(), caption + path + u" (new file)"_s);
    EXPECT_FALSE(QFileInfo::exists(path));

    // The first save proposes the name and creates the file in that style.
    window->btnAddRootItemClick();
    m_dialogs.saveAnswers.push_back(path);
    window->btnSaveClick();
    ASSERT_EQ(m_dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(m_dialogs.saveRequests[0].fileName, path);
    MenuTree saved;
    EXPECT_EQ(ReadMenuFile(path.toStdString(), saved), startup);
    EXPECT_EQ(saved.Count(), 1u);
    EXPECT_EQ(window->windowTitle(), caption + path);

    // A name under a folder that is missing is new as well; one that names a folder is read,
    // and refused, as Open Menu reads it.
    const QString deeper = m_dir.filePath(u"missing/site.mnu"_s);
    EXPECT_TRUE(NewWindow()->OpenStartFile(deeper));
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_FALSE(NewWindow()->OpenStartFile(m_dir.path()));
    EXPECT_EQ(m_dialogs.messages.size(), 1u);
}

} // namespace
} // namespace qv
