#include "UiTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Shell, FailuresAreReportedInTheShellsWords)
{
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    QWidget owner;

    shell.result = 31;
    OpenWithAssociatedApp("/tmp/page.html", &owner);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].owner, &owner);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(dialogs.messages[0].text,
              "Unable to execute file:\n\nThere is no application associated with the given "
              "filename extension.");

    shell.result = 33;
    OpenWithAssociatedApp("/tmp/page.html", nullptr);
    EXPECT_EQ(dialogs.messages.size(), 1u) << "a result above 32 shows nothing";
    EXPECT_EQ(shell.opened.size(), 2);
}

TEST(Shell, APathOverTheLimitShowsTwoBoxesAndStartsNothing)
{
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    const QString exactly255 = "/" + QString(254, QChar('a'));
    OpenWithAssociatedApp(exactly255, nullptr);
    EXPECT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(dialogs.messages.empty());

    OpenWithAssociatedApp(exactly255 + "b", nullptr);
    EXPECT_EQ(shell.opened.size(), 1) << "nothing started";
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].caption, "Information");
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Information);
    EXPECT_EQ(dialogs.messages[0].text, "The path to the file is too long, please ensure the "
                                        "path is less than 255 characters.");
    EXPECT_EQ(dialogs.messages[1].caption, "Error");
    EXPECT_EQ(dialogs.messages[1].text,
              "Unable to execute file:\n\nThe specified file was not found.");
}

TEST(Shell, DesktopShellReportsMissingFilesAndFolders)
{
    QTemporaryDir dir;
    DesktopShell shell;
    EXPECT_EQ(shell.OpenDocument(dir.filePath("missing.html")), 2u);
    EXPECT_EQ(shell.OpenDocument(dir.filePath("no/such/folder/page.html")), 3u);
    EXPECT_EQ(shell.OpenDocument(dir.path()), 2u) << "a folder is not a document";
}

} // namespace
} // namespace qv
