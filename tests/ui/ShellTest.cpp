#include "UiTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

TEST(Shell, FailuresAreReportedInTheShellsWords)
{
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    QWidget owner;

    shell.result = 31;
    OpenWithAssociatedApp(u"/tmp/page.html"_s, &owner);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].owner, &owner);
    EXPECT_EQ(dialogs.messages[0].caption, u"Error"_s);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(dialogs.messages[0].text,
              u"Unable to execute file:\n\nThere is no application associated with the given "
              "filename extension."_s);

    shell.result = 33;
    OpenWithAssociatedApp(u"/tmp/page.html"_s, nullptr);
    EXPECT_EQ(dialogs.messages.size(), 1u) << "a result above 32 shows nothing";
    EXPECT_EQ(shell.opened.size(), 2);
}

TEST(Shell, APathOverTheLimitShowsTwoBoxesAndStartsNothing)
{
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    const QString exactly255 = u"/"_s + QString(254, u'a');
    OpenWithAssociatedApp(exactly255, nullptr);
    EXPECT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(dialogs.messages.empty());

    OpenWithAssociatedApp(exactly255 + u"b"_s, nullptr);
    EXPECT_EQ(shell.opened.size(), 1) << "nothing started";
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].caption, u"Information"_s);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Information);
    EXPECT_EQ(dialogs.messages[0].text, u"The path to the file is too long, please ensure the "_s
                                        "path is less than 255 characters.");
    EXPECT_EQ(dialogs.messages[1].caption, u"Error"_s);
    EXPECT_EQ(dialogs.messages[1].text,
              u"Unable to execute file:\n\nThe specified file was not found."_s);
}

TEST(Shell, DesktopShellReportsMissingFilesAndFolders)
{
    QTemporaryDir dir;
    DesktopShell shell;
    EXPECT_EQ(shell.OpenDocument(dir.filePath(u"missing.html"_s)), 2u);
    EXPECT_EQ(shell.OpenDocument(dir.filePath(u"no/such/folder/page.html"_s)), 3u);
    EXPECT_EQ(shell.OpenDocument(dir.path()), 2u) << "a folder is not a document";
}

} // namespace
} // namespace qv
