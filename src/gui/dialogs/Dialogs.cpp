#include "gui/dialogs/Dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QMessageBox>

namespace qv {

namespace {

Dialogs*& Installed()
{
    static Dialogs* installed = nullptr;
    return installed;
}

std::optional<QString> RunFileDialog(QWidget* owner, const Dialogs::FileOptions& options,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, options.caption, options.initialFolder, options.filter);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!options.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

Dialogs& CurrentDialogs()
{
    static QtDialogs qtDialogs;
    return Installed() ? *Installed() : qtDialogs;
}

void InstallDialogs(Dialogs* dialogs)
{
    Installed() = dialogs;
}

void QtDialogs::Message(QWidget* owner, const QString& text, const QString& caption, Icon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case Icon::None:
        break;
    }
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

std::optional<QString> QtDialogs::SaveFileName(QWidget* owner, const FileOptions& options)
{
    return RunFileDialog(owner, options, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::OpenFileName(QWidget* owner, const FileOptions& options)
{
    return RunFileDialog(owner, options, QFileDialog::AcceptOpen);
}

std::optional<QFont> QtDialogs::ChooseFont(QWidget* owner, const QFont& initial)
{
    QFontDialog dialog(owner);
    // The options first: they decide which families the lists offer the initial font among.
    dialog.setOptions(QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
    dialog.setCurrentFont(initial);
    // Only face, style and size are asked for: the group of effects (underline, strike-out) is
    // left out. It is the one group box of the dialog with check boxes in it.
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
        if (!group->findChildren<QCheckBox*>().isEmpty())
            group->hide();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont();
}

std::optional<QString> QtDialogs::FolderName(QWidget* owner, const QString& caption,
                                             const QString& initialFolder)
{
    QFileDialog dialog(owner, caption, initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

int QtDialogs::Exec(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace qv
