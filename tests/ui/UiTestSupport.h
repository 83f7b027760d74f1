#pragma once

#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/Shell.h"

#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

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
    QStringList execs;

    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
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

} // namespace qv::test

#include <QObject>

namespace qv::test {

// The descendant of `parent` with the given object name and type, or null when there is none.
template <class T>
T* Child(const QObject& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

} // namespace qv::test
