#pragma once

#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/Shell.h"

#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the widget tests share: fakes for the dialogs and the shell, and a fixture that drives the
// real main window with the user's clicks and keys.
namespace qv::test {

// Records every message box and answers file, font and modal dialogs from scripted queues.
// Installed for its lifetime.
class FakeDialogs final : public Dialogs
{
public:
    struct Shown
    {
        QWidget* owner;
        QString text;
        QString caption;
        Icon icon;
    };

    FakeDialogs() { InstallDialogs(this); }
    ~FakeDialogs() override { InstallDialogs(nullptr); }

    void Message(QWidget* owner, const QString& text, const QString& caption, Icon icon) override
    {
        messages.push_back({owner, text, caption, icon});
    }
    std::optional<QString> SaveFileName(QWidget*, const FileOptions& options) override
    {
        saveRequests.push_back(options);
        return Next(saveAnswers);
    }
    std::optional<QString> OpenFileName(QWidget*, const FileOptions& options) override
    {
        openRequests.push_back(options);
        return Next(openAnswers);
    }
    std::optional<QString> FolderName(QWidget*, const QString&, const QString& initial) override
    {
        folderRequests.push_back(initial);
        return Next(folderAnswers);
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override
    {
        fontRequests.push_back(initial);
        return Next(fontAnswers);
    }
    // Runs the next scripted action on the dialog as if the user worked in it, and returns its
    // result; without a script the dialog is closed by its system menu (rejected).
    int Exec(QDialog& dialog) override
    {
        execs.push_back(dialog.objectName());
        if (execActions.empty())
            return QDialog::Rejected;
        auto action = std::move(execActions.front());
        execActions.pop_front();
        return action(dialog);
    }

    std::vector<Shown> messages;
    std::vector<FileOptions> saveRequests;
    std::vector<FileOptions> openRequests;
    std::vector<QFont> fontRequests;
    QStringList folderRequests;
    QStringList execs;

    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    std::deque<std::optional<QString>> folderAnswers;
    std::deque<std::function<int(QDialog&)>> execActions;

private:
    template <class T>
    static std::optional<T> Next(std::deque<std::optional<T>>& queue)
    {
        std::optional<T> answer;
        if (!queue.empty()) {
            answer.swap(queue.front());
            queue.pop_front();
        }
        return answer;
    }
};

// Records the documents the program asked to open and answers with a scripted result code.
class FakeShell final : public Shell
{
public:
    FakeShell() { InstallShell(this); }
    ~FakeShell() override { InstallShell(nullptr); }

    std::uint32_t OpenDocument(const QString& path) override
    {
        opened.push_back(path);
        return result;
    }

    QStringList opened;
    std::uint32_t result = 42;
};

// The descendant of `parent` with the given object name and type, or null when there is none.
template <class T>
T* Child(const QObject& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// Puts a new item with `text` and `rec` at the end of the sub items of `parent` (the roots when
// null), as a step of the model's history; returns it.
MenuItem* AddItem(MenuTreeModel& model, MenuItem* parent, std::string text, TMyRec rec = {});

// The bytes of a file; "<missing>" when it cannot be read.
QByteArray ReadAll(const QString& path);
// Replaces a file's bytes.
void WriteAll(const QString& path, const QByteArray& bytes);

// A test of the main window: a window whose data files lie in a folder of the test's own, shown
// on the offscreen platform, with the dialogs and the shell answered by the fakes. SetUp makes
// the folder; a fixture puts its files there and then calls OpenWindow.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;

    // Makes the window on the folder and shows it; active, as after a user's click, when asked.
    void OpenWindow(bool activate = false);
    // A file of the window's folder.
    QString FilePath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A control of the window by its name; a test fails when there is none.
    template <class T>
    T* Get(const char* name) const
    {
        T* widget = Child<T>(*m_window, name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    template <class T>
    T* Get(const QString& name) const
    {
        return Get<T>(name.toLatin1().constData());
    }

    void Click(const char* name);
    // Clicks the tab of a page, as the user changes pages.
    void ShowPage(int page);
    // Replaces the whole text of a box by typing into it.
    void TypeInto(QWidget* box, const QString& text);
    // Clicks an item's row on its text, or at the right end of the row when the text is indented
    // past the tree's width (left of the text would hit an expand arrow).
    void ClickItem(const MenuItem* item, Qt::KeyboardModifiers modifiers = {});
    // Open Menu with the file chosen in its dialog.
    void Open(const QString& path);

    MenuTreeModel& Model() { return m_window->MenuModel(); }
    // A new item, as AddItem puts it into the window's model: the window then selects it.
    MenuItem* Add(MenuItem* parent, std::string text, TMyRec rec = {})
    {
        return AddItem(Model(), parent, std::move(text), std::move(rec));
    }
    const MenuTree& Tree() { return Model().Tree(); }
    MenuTreeView* TreeView() const { return Get<MenuTreeView>("tvMenu"); }

    QTemporaryDir m_dir;
    FakeDialogs m_dialogs;
    FakeShell m_shell;
    std::unique_ptr<TfrmQuorvane> m_window; // goes before the fakes
};

} // namespace qv::test
