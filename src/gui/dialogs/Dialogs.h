#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace qv {

// Every modal box and common dialog of the program goes through this interface, so that tests
// answer them in advance and nothing ever blocks on a modal window.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Error };

    struct FileOptions
    {
        QString caption;
        QString initialFolder;
        QString fileName;      // proposed name (a full path, or empty)
        QString filter;        // Qt form: "Description (*.ext)"
        QString defaultSuffix; // appended when the name has no extension
        bool confirmOverwrite = false;
        bool mustExist = false;
    };

    virtual ~Dialogs() = default;

    // A message box with an OK button.
    virtual void Message(QWidget* owner, const QString& text, const QString& caption,
                         Icon icon) = 0;

    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> SaveFileName(QWidget* owner, const FileOptions& options) = 0;
    virtual std::optional<QString> OpenFileName(QWidget* owner, const FileOptions& options) = 0;

    // The chosen folder, or nothing when the user cancelled.
    virtual std::optional<QString> FolderName(QWidget* owner, const QString& caption,
                                              const QString& initialFolder) = 0;

    // The chosen font, or nothing when cancelled. Only scalable fonts are offered.
    virtual std::optional<QFont> ChooseFont(QWidget* owner, const QFont& initial) = 0;

    // Runs a dialog of ours modally and returns its result code.
    virtual int Exec(QDialog& dialog) = 0;
};

// The dialogs in use: the Qt ones unless a test installed others.
Dialogs& CurrentDialogs();
// Installs `dialogs` (not owned) for as long as it lives; nullptr restores the Qt ones.
void InstallDialogs(Dialogs* dialogs);

// The production dialogs: QMessageBox, QFileDialog, QFontDialog.
class QtDialogs final : public Dialogs
{
public:
    void Message(QWidget* owner, const QString& text, const QString& caption, Icon icon) override;
    std::optional<QString> SaveFileName(QWidget* owner, const FileOptions& options) override;
    std::optional<QString> OpenFileName(QWidget* owner, const FileOptions& options) override;
    std::optional<QString> FolderName(QWidget* owner, const QString& caption,
                                      const QString& initialFolder) override;
    std::optional<QFont> ChooseFont(QWidget* owner, const QFont& initial) override;
    int Exec(QDialog& dialog) override;
};

} // namespace qv
