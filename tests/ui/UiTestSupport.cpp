#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

namespace qv::test {

MenuItem* AddItem(MenuTreeModel& model, MenuItem* parent, std::string text, TMyRec rec)
{
    const std::size_t end = parent ? parent->ChildCount() : model.Tree().RootCount();
    return model.Do(
        MakeInsert(parent, end, MenuTree::NewItem(std::move(text), std::move(rec)), "Add"));
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

void WindowTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
}

void WindowTest::OpenWindow(bool activate)
{
    m_window = std::make_unique<TfrmQuorvane>(m_dir.path());
    m_window->show();
    if (activate) {
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
}

void WindowTest::Click(const char* name)
{
    QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton);
}

void WindowTest::ShowPage(int page)
{
    QTabBar* bar = Get<QTabWidget>("PageControl1")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
}

void WindowTest::TypeInto(QWidget* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void WindowTest::ClickItem(const MenuItem* item, Qt::KeyboardModifiers modifiers)
{
    MenuTreeView* tree = TreeView();
    const QModelIndex index = Model().IndexOf(item);
    tree->scrollTo(index);
    const QRect row = tree->visualRect(index);
    ASSERT_GT(row.height(), 0) << item->Text();
    const int x = std::min(row.left() + 4, tree->viewport()->width() - 4);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, QPoint(x, row.center().y()));
}

void WindowTest::Open(const QString& path)
{
    m_dialogs.openAnswers.push_back(path);
    Click("btnOpen");
}

} // namespace qv::test
