// The command line: `quorvane site.mnu` opens the design at start exactly as Open Menu would;
// help, version and wrong arguments end the program before a window is made.

#include "core/project/MenuFile.h"
#include "gui/app/CommandLine.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/QuorvaneForm.h"

#include "UiTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

TEST(CommandLine, NamesOneDesignAsAnAbsolutePath)
{
    EXPECT_EQ(ParseCommandLine({u"quorvane"_s}).designFile, u""_s);
    EXPECT_FALSE(ParseCommandLine({u"quorvane"_s}).exitCode.has_value());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const CommandLine relative = ParseCommandLine({u"quorvane"_s, u"sites/site.mnu"_s});
    const CommandLine dashed = ParseCommandLine({u"quorvane"_s, u"--"_s, u"-odd name.mnu"_s});
    QDir::setCurrent(before);
    EXPECT_FALSE(relative.exitCode.has_value());
    EXPECT_EQ(relative.designFile, QDir(dir.path()).filePath(u"sites/site.mnu"_s));
    EXPECT_EQ(dashed.designFile, QDir(dir.path()).filePath(u"-odd name.mnu"_s));

    const CommandLine help = ParseCommandLine({u"quorvane"_s, u"--help"_s});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.text.contains(u"[design]"_s)) << help.text.toStdString();
    EXPECT_EQ(ParseCommandLine({u"quorvane"_s, u"-v"_s}).exitCode, 0);

    // Wrong arguments: exit code 2 and the reason, then the usage.
    for (const QStringList& wrong :
         {QStringList{u"quorvane"_s, u"a.mnu"_s, u"b.mnu"_s},
          QStringList{u"quorvane"_s, u"--frobnicate"_s}, QStringList{u"quorvane"_s, u""_s}}) {
        const CommandLine result = ParseCommandLine(wrong);
        EXPECT_EQ(result.exitCode, 2) << wrong.join(u' ').toStdString();
        EXPECT_TRUE(result.text.contains(u"Usage:"_s)) << result.text.toStdString();
        EXPECT_TRUE(result.designFile.isEmpty());
    }
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
    EXPECT_TRUE(
        fromCommandLine->OpenProjectFile(ParseCommandLine({u"quorvane"_s, path}).designFile));
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

} // namespace
} // namespace qv
