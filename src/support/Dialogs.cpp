#include "support/Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
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
    QMessageBox box(icon == Icon::Information ? QMessageBox::Information
                    : icon == Icon::Warning   ? QMessageBox::Warning
                                              : QMessageBox::NoIcon,
                    caption, text, QMessageBox::Ok, owner);
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
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, initial, owner, QString(),
                             QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
    if (!ok)
        return std::nullopt;
    return font;
}

int QtDialogs::Exec(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace qv
