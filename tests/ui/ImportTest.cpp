#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/ImportForm.h"
#include "gui/dialogs/PromptChoiceForm.h"

#include "LocalHttpServer.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

class Import : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenWindow(true));
    }

    // Reads a source in the dialog as the user does, and waits until the read has ended.
    static void ReadIn(TfrmImport& dialog, const QString& source)
    {
        dialog.txtSource()->setText(source);
        QTest::mouseClick(dialog.btnRead(), Qt::LeftButton);
        for (QElapsedTimer waited; dialog.IsReading() && waited.elapsed() < 20000;)
            QTest::qWait(20);
        ASSERT_FALSE(dialog.IsReading());
    }

    // What the dialog lists: each candidate's columns.
    static QStringList Candidates(const TfrmImport& dialog)
    {
        QStringList rows;
        for (int i = 0; i < dialog.lstCandidates()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = dialog.lstCandidates()->topLevelItem(i);
            rows << row->text(0) + u" | "_s + row->text(1) + u" | "_s + row->text(2) + u" | "_s +
                        row->text(3);
        }
        return rows;
    }

    std::string Texts()
    {
        std::string texts;
        for (const MenuItem* item : Tree().PreOrder())
            texts += std::string(static_cast<std::size_t>(item->Level()), '-') + item->Text() +
                     (item->Rec().Link.empty() ? "" : "=" + item->Rec().Link) + " ";
        return texts;
    }
};

TEST_F(Import, TheButtonImportsTheChosenNavigationAsOneStep)
{
    const QString page = FilePath("site.html");
    test::WriteAll(page, "<nav aria-label=Top><a href=/>Home</a><a href=help.html>Help</a></nav>"
                         "<nav><ul><li><a href=shop.html>Shop</a><ul><li><a href=a.html>A</a>"
                         "<li><a href='javascript:buy()'>Buy</a></ul><li><a href=b.html><img "
                         "src=b.png></a></ul></nav>");
    auto* button = Get<QPushButton>("btnImport");
    EXPECT_EQ(button->text(), u"I&mport..."_s);
    EXPECT_EQ(button->geometry(), QRect(384, 28, 121, 25));
    EXPECT_EQ(button->size(), Get<QPushButton>("btnAddRootItem")->size());

    Click("btnAddRootItem");
    ASSERT_EQ(m_window->ItemCounter(), 1);
    m_dialogs.execActions.push_back([&](QDialog& shown) {
        auto& dialog = static_cast<TfrmImport&>(shown);
        EXPECT_EQ(dialog.lblTarget()->text(),
                  u"The items will be added as sub items of \"Untitled1\"."_s);
        EXPECT_FALSE(dialog.btnImport()->isEnabled());
        ReadIn(dialog, page);
        EXPECT_EQ(Candidates(dialog),
                  (QStringList{u"Top | navigation | 2 | 1"_s, u"Shop, A | navigation | 3 | 2"_s}));
        // The largest is chosen.
        EXPECT_EQ(dialog.lstCandidates()->currentItem(), dialog.lstCandidates()->topLevelItem(1));
        EXPECT_EQ(dialog.tvPreview()->topLevelItemCount(), 2);
        EXPECT_EQ(dialog.tvPreview()->topLevelItem(0)->child(0)->text(1), u"a.html"_s);
        EXPECT_TRUE(
            dialog.lblStatus()->text().endsWith(u"1 link that runs a script left out: Buy."_s))
            << dialog.lblStatus()->text().toStdString();
        QTest::mouseClick(dialog.btnImport(), Qt::LeftButton);
        return dialog.result();
    });
    // Alt+M, which no other control of the window uses.
    QTest::keyClick(m_window.get(), Qt::Key_M, Qt::AltModifier); // clicks after a short delay
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialogs.execs.isEmpty(); }));
    ASSERT_EQ(m_dialogs.execs, QStringList{u"frmImport"_s});
    EXPECT_EQ(Texts(), "Untitled1=http:// -Shop=shop.html --A=a.html -Untitled4=b.html ");
    EXPECT_EQ(m_window->ItemCounter(), 4);
    EXPECT_EQ(m_window->SelectedItem(), Tree().At(1));
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text(), u"Shop"_s);

    // One Undo takes the whole import back; Redo brings it again.
    EXPECT_EQ(Get<QAction>("actUndo")->text(), u"&Undo Import"_s);
    TreeView()->setFocus();
    QTest::keyClick(TreeView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Texts(), "Untitled1=http:// ");
    EXPECT_EQ(m_window->SelectedItem(), Tree().At(0));
    QTest::keyClick(TreeView(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Texts(), "Untitled1=http:// -Shop=shop.html --A=a.html -Untitled4=b.html ");

    // Without a selection the items are new roots; Cancel changes nothing.
    TreeView()->clearSelection();
    TreeView()->setCurrentIndex({});
    m_dialogs.execActions.push_back([&](QDialog& shown) {
        auto& dialog = static_cast<TfrmImport&>(shown);
        EXPECT_EQ(dialog.lblTarget()->text(),
                  u"The items will be added to the menu as new root items."_s);
        ReadIn(dialog, page);
        QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
        return dialog.result();
    });
    Click("btnImport");
    EXPECT_EQ(Tree().Count(), 4u);
    EXPECT_EQ(m_window->ItemCounter(), 4);
}

// Reading from the network leaves the window free: it shows how far it got, and Stop ends it
// at once. Failures are told in the dialog and import nothing.
TEST_F(Import, ANetworkReadCanBeWatchedAndStopped)
{
    test::LocalHttpServer server;
    test::LocalHttpServer::Response slow;
    slow.delay = std::chrono::milliseconds(5000);
    server.Set("/slow", slow);
    server.Set("/page", "text/html", "<nav><a href=x>X</a><a href=y>Y</a></nav>");
    server.Set("/picture", "image/png", "\x89PNG");

    m_dialogs.execActions.push_back([&](QDialog& shown) {
        auto& dialog = static_cast<TfrmImport&>(shown);
        dialog.txtSource()->setText(QString::fromStdString(server.Address("/slow")));
        QTest::mouseClick(dialog.btnRead(), Qt::LeftButton);
        EXPECT_TRUE(dialog.IsReading());
        EXPECT_EQ(dialog.btnRead()->text(), u"&Stop"_s);
        EXPECT_FALSE(dialog.barProgress()->isHidden());
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(300); // the event loop runs while the address does not answer
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_TRUE(dialog.IsReading());
        clock.restart();
        QTest::mouseClick(dialog.btnRead(), Qt::LeftButton);
        EXPECT_FALSE(dialog.IsReading());
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_TRUE(dialog.barProgress()->isHidden());
        EXPECT_TRUE(dialog.lblStatus()->text().endsWith(u"/slow was stopped."_s));

        for (const char* path : {"/missing", "/picture"}) {
            ReadIn(dialog, QString::fromStdString(server.Address(path)));
            EXPECT_EQ(dialog.lstCandidates()->topLevelItemCount(), 0);
            EXPECT_FALSE(dialog.btnImport()->isEnabled());
        }
        EXPECT_TRUE(dialog.lblStatus()->text().endsWith(u"the server sends it as image/png."_s));
        ReadIn(dialog, QString::fromStdString(server.Address("/page")));
        EXPECT_TRUE(dialog.btnImport()->isEnabled());
        // A read under way when the dialog goes is ended with it.
        dialog.txtSource()->setText(QString::fromStdString(server.Address("/slow")));
        QTest::mouseClick(dialog.btnRead(), Qt::LeftButton);
        QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
        EXPECT_FALSE(dialog.IsReading());
        return dialog.result();
    });
    Click("btnImport");
    EXPECT_TRUE(Tree().Empty());
    EXPECT_EQ(m_window->ItemCounter(), 0);
}

// Beyond 10,000 links the dialog asks; what the design could not hold is refused whole.
TEST_F(Import, LargeImportsAskFirstAndTooLargeOnesAreRefused)
{
    std::string many = "<urlset>";
    for (int i = 0; i < 10001; ++i)
        many += "<url><loc>https://e.org/p" + std::to_string(i) + "</loc></url>";
    test::WriteAll(FilePath("many.xml"), QByteArray::fromStdString(many + "</urlset>"));
    std::string deep = "<urlset><url><loc>https://e.org/b</loc></url><url><loc>https://e.org";
    for (int i = 0; i < 10000; ++i)
        deep += "/a";
    test::WriteAll(FilePath("deep.xml"), QByteArray::fromStdString(deep + "</loc></url></urlset>"));

    int asked = 0;
    m_dialogs.execActions.push_back([&](QDialog& shown) {
        auto& dialog = static_cast<TfrmImport&>(shown);
        ReadIn(dialog, FilePath("many.xml"));
        EXPECT_EQ(Candidates(dialog), QStringList{u"10001 addresses | sitemap | 10001 | 1"_s});
        EXPECT_EQ(dialog.tvPreview()->topLevelItemCount(), TfrmImport::kPreviewItems + 1);
        // The question: Cancel keeps the dialog open, Import goes on.
        for (const int answer : {int(TfrmPromptChoice::Cancel), int(TfrmPromptChoice::Yes)}) {
            m_dialogs.execActions.push_front([&, answer](QDialog& question) {
                ++asked;
                EXPECT_TRUE(static_cast<TfrmPromptChoice&>(question).lblPrompt()->text().startsWith(
                    u"This navigation has 10001 links, more than 10000."_s));
                return answer;
            });
            QTest::mouseClick(dialog.btnImport(), Qt::LeftButton);
        }
        return dialog.result();
    });
    Click("btnImport");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Tree().Count(), 10001u);
    EXPECT_EQ(Tree().Root(10000)->Text(), "P10000");

    m_dialogs.execActions.push_back([&](QDialog& shown) {
        auto& dialog = static_cast<TfrmImport&>(shown);
        ReadIn(dialog, FilePath("deep.xml"));
        QTest::mouseClick(dialog.btnImport(), Qt::LeftButton);
        return dialog.result();
    });
    const std::int32_t counter = m_window->ItemCounter();
    Click("btnImport");
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_TRUE(m_dialogs.messages[0].text.startsWith(
        u"These items cannot be imported: the code for the menu would then take"_s));
    EXPECT_EQ(Tree().Count(), 10001u);
    EXPECT_EQ(m_window->ItemCounter(), counter);
}

} // namespace
} // namespace qv
