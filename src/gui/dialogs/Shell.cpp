#include "gui/dialogs/Shell.h"

#include "core/support/StringUtils.h"
#include "gui/dialogs/Dialogs.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace qv {

namespace {

Shell*& Installed()
{
    static Shell* installed = nullptr;
    return installed;
}

} // namespace

Shell& CurrentShell()
{
    static DesktopShell desktop;
    return Installed() ? *Installed() : desktop;
}

void InstallShell(Shell* shell)
{
    Installed() = shell;
}

std::uint32_t DesktopShell::OpenDocument(const QString& path)
{
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return 3;
    if (!info.exists() || info.isDir())
        return 2;
    if (!info.isReadable())
        return 5;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? 42 : 31;
}

std::uint32_t ShellOpenFile(const QString& path)
{
    if (static_cast<std::size_t>(path.toUcs4().size()) > kMaxShellPathLength) {
        CurrentDialogs().Message(
            nullptr, QString::fromUtf8(kPathTooLongMessage.data(), kPathTooLongMessage.size()),
            QStringLiteral("Information"), Dialogs::Icon::Information);
        return 2;
    }
    return CurrentShell().OpenDocument(path);
}

void ReportShellError(std::uint32_t code, QWidget* owner)
{
    if (!IsShellError(code))
        return;
    CurrentDialogs().Message(owner, QString::fromStdString(ShellErrorMessage(code)),
                             QStringLiteral("Error"), Dialogs::Icon::Warning);
}

void OpenWithAssociatedApp(const QString& path, QWidget* owner)
{
    ReportShellError(ShellOpenFile(path), owner);
}

} // namespace qv
