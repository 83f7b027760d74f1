#include "core/project/MenuFile.h"
#include "core/support/Ini_Unit.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/PublishForm.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using test::ReadAll;
using test::WriteAll;

const QByteArray kPage = "<html><body>\n<p>x</p></body></html>\n";

class PublishDialog : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        WriteAll(FilePath("dhtml.dat"), "<script>%menu%</script>");
        MenuTree tree;
        TMyRec rec;
        rec.Link = "index.html";
        tree.AppendRoot("Home", rec);
        WriteMenuFile(FilePath("site.mnu").toStdString(), tree, MenuStyle{});
        m_site = FilePath("www");
        OpenWindow();
    }

    void Page(const QString& path, const QByteArray& bytes = kPage)
    {
        QDir().mkpath(QFileInfo(m_site + u'/' + path).absolutePath());
        WriteAll(m_site + u'/' + path, bytes);
    }

    // Runs the dialog from the button with `work` done in it; returns the dialog's settings.
    PublishSettings Publish(const std::function<void(TfrmPublish&)>& work)
    {
        PublishSettings settings;
        m_dialogs.execActions.push_back([&](QDialog& dialog) {
            auto& publish = dynamic_cast<TfrmPublish&>(dialog);
            work(publish);
            settings = publish.Settings();
            return int(QDialog::Accepted);
        });
        Click("btnPublish");
        return settings;
    }

    static QStringList Rows(const TfrmPublish& dialog)
    {
        QStringList rows;
        for (int i = 0; i < dialog.lstPages()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = dialog.lstPages()->topLevelItem(i);
            rows << (item->checkState(0) == Qt::Checked ? u"[x] "_s : u"[ ] "_s) + item->text(0) +
                        u" | "_s + item->text(1);
        }
        return rows;
    }

    QString m_site;
};

// The button sits in the free space of the row, has its own access key and comes last.
TEST_F(PublishDialog, TheButtonInTheRow)
{
    auto* button = Get<QPushButton>("btnPublish");
    EXPECT_EQ(button->text(), u"Pu&blish..."_s);
    EXPECT_EQ(button->geometry(), QRect(224, 360, 100, 25));
    EXPECT_GT(button->x(), Get<QPushButton>("btnOpen")->geometry().right());
    EXPECT_LT(button->geometry().right(), Get<QPushButton>("btnPreview")->x());
    for (const QAbstractButton* other : m_window->findChildren<QAbstractButton*>()) {
        if (other == button)
            continue;
        EXPECT_FALSE(other->text().contains(u"&b"_s, Qt::CaseInsensitive))
            << other->text().toStdString();
    }
    for (const QLabel* label : m_window->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(u"&b"_s, Qt::CaseInsensitive));
    EXPECT_EQ(Get<QPushButton>("btnOpen")->nextInFocusChain(), button);

    // An empty design is refused as Preview refuses it; Alt+B opens the dialog.
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_B, Qt::AltModifier); // clicks after a short delay
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialogs.messages.size() == 1; }));
    EXPECT_EQ(m_dialogs.messages[0].text,
              u"You have not defined any menu items, please do so before publishing."_s);
    Open(FilePath("site.mnu"));
    QTest::keyClick(m_window.get(), Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialogs.execs.isEmpty(); }));
    EXPECT_EQ(m_dialogs.execs, QStringList{u"frmPublish"_s});
}

// A dry run lists the pages; unticked pages are left out; Publish and Unpublish write only the
// ticked pages; the settings go into the design's file and come back with it.
TEST_F(PublishDialog, PublishesTheTickedPagesAndKeepsTheSettings)
{
    Page(u"index.html"_s);
    Page(u"blog/a.html"_s);
    Page(u"ro.html"_s);
    QFile::setPermissions(m_site + u"/ro.html"_s, QFile::ReadOwner);
    Open(FilePath("site.mnu"));
    const QByteArray designBefore = ReadAll(FilePath("site.mnu"));

    // Looking into the dialog without a site folder changes nothing.
    Publish([&](TfrmPublish& dialog) {
        EXPECT_EQ(dialog.lstPages()->topLevelItemCount(), 0);
        EXPECT_FALSE(dialog.btnPublish()->isEnabled());
        EXPECT_TRUE(dialog.lblSummary()->text().startsWith(u"Choose the site folder"_s));
        EXPECT_EQ(dialog.txtMenuFolder()->text(), u"menu"_s);
        EXPECT_EQ(dialog.txtMenuName()->text(), u"site"_s);
    });
    EXPECT_EQ(ReadAll(FilePath("site.mnu")), designBefore);

    const PublishSettings settings = Publish([&](TfrmPublish& dialog) {
        m_dialogs.folderAnswers.push_back(m_site);
        QTest::mouseClick(dialog.btnBrowse(), Qt::LeftButton);
        EXPECT_EQ(Rows(dialog),
                  (QStringList{u"[x] blog/a.html | insert"_s, u"[x] index.html | insert"_s,
                               u"[x] ro.html | skip: the page is read-only"_s}));
        dialog.lstPages()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        EXPECT_EQ(dialog.lstPages()->topLevelItem(0)->text(1), u"left out"_s);
        EXPECT_EQ(dialog.lblSummary()->text(),
                  u"Dry run, nothing written: 2 pages: 1 to insert, 0 to update, 0 unchanged, 1 "
                  "to skip. 1 left out."_s);

        QTest::mouseClick(dialog.btnPublish(), Qt::LeftButton);
        EXPECT_EQ(Rows(dialog),
                  (QStringList{u"[ ] blog/a.html | left out"_s, u"[x] index.html | inserted"_s,
                               u"[x] ro.html | skipped: the page is read-only"_s}));
        EXPECT_TRUE(ReadAll(m_site + u"/index.html"_s).contains("<!--quorvane-menu site begin"));
        EXPECT_EQ(ReadAll(m_site + u"/blog/a.html"_s), kPage);
        EXPECT_TRUE(QFile::exists(m_site + u"/menu/site.js"_s));
        EXPECT_TRUE(dialog.lblSummary()->text().startsWith(u"Published the menu site in 2 pages"_s))
            << dialog.lblSummary()->text().toStdString();

        QTest::mouseClick(dialog.btnUnpublish(), Qt::LeftButton);
        EXPECT_EQ(ReadAll(m_site + u"/index.html"_s), kPage);
        EXPECT_EQ(dialog.lstPages()->topLevelItem(1)->text(1), u"removed"_s);
        EXPECT_FALSE(QFile::exists(m_site + u"/menu"_s));
    });
    EXPECT_EQ(settings.leftOut, std::vector<std::string>{"blog/a.html"});

    // Kept in the design's file, and shown again from it.
    const auto kept = ReadPublishSettings(LoadMenuDocument(FilePath("site.mnu").toStdString()),
                                          FilePath("site.mnu").toStdString());
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, settings);
    EXPECT_TRUE(ReadAll(FilePath("site.mnu")).contains("\r\nSiteFolder=www\r\n"));
    Open(FilePath("site.mnu"));
    Publish([&](TfrmPublish& dialog) {
        EXPECT_EQ(dialog.txtSiteFolder()->text().toStdString(), settings.siteFolder);
        EXPECT_EQ(Rows(dialog)[0], u"[ ] blog/a.html | left out"_s);
        // Another name is a dry run of its own.
        dialog.txtMenuName()->setText(u"a b"_s);
        emit dialog.txtMenuName()->editingFinished();
        EXPECT_EQ(dialog.lstPages()->topLevelItemCount(), 0);
        EXPECT_TRUE(dialog.lblSummary()->text().startsWith(u"The menu name \"a b\" cannot"_s));
    });
    // Saved under another name, the design keeps its settings.
    m_dialogs.saveAnswers.push_back(FilePath("copy.mnu"));
    Click("btnSave");
    EXPECT_TRUE(ReadAll(FilePath("copy.mnu"))
                    .contains("\r\nSiteFolder=www\r\nMenuFolder=menu\r\n"
                              "MenuName=a b\r\n"));
}

// On a large site the work shows its progress, and cancelling it writes nothing.
TEST_F(PublishDialog, ALargeSiteCanBeCancelled)
{
    for (int i = 0; i < TfrmPublish::kProgressPages + 20; ++i)
        Page(u"p%1.html"_s.arg(i));
    Open(FilePath("site.mnu"));
    PublishSettings settings;
    settings.siteFolder = m_site.toStdString();
    SavePublishSettings(FilePath("site.mnu").toStdString(), settings);
    Open(FilePath("site.mnu"));
    Publish([&](TfrmPublish& dialog) {
        EXPECT_EQ(dialog.lstPages()->topLevelItemCount(), TfrmPublish::kProgressPages + 20);
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (auto* progress = dialog.findChild<QProgressDialog*>(u"dlgProgress"_s)) {
                shown = true;
                progress->cancel();
            }
        });
        QTest::mouseClick(dialog.btnPublish(), Qt::LeftButton);
        EXPECT_TRUE(shown);
        EXPECT_EQ(dialog.lblSummary()->text(), u"Cancelled: nothing was written."_s);
        EXPECT_TRUE(dialog.btnPublish()->isEnabled());
    });
    EXPECT_EQ(ReadAll(m_site + u"/p7.html"_s), kPage);
}

} // namespace
} // namespace qv
