#pragma once

#include <QString>

#include <cstdint>

class QWidget;

namespace qv {

// Opens documents with the desktop's associated application (the default browser for a page).
// Result codes follow the classic shell: above 32 is success; 2 missing file, 3 missing folder,
// 5 not readable, 31 no application would open it.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual std::uint32_t OpenDocument(const QString& path) = 0;
};

// The shell in use: the desktop one unless a test installed another.
Shell& CurrentShell();
// Installs `shell` (not owned); nullptr restores the desktop one.
void InstallShell(Shell* shell);

// The desktop shell, through QDesktopServices.
class DesktopShell final : public Shell
{
public:
    std::uint32_t OpenDocument(const QString& path) override;
};

// Asks the shell to open the document and returns its result code. A path longer than 255
// characters is refused first with an "Information" box, and gives 2.
std::uint32_t ShellOpenFile(const QString& path);

// Shows the "Error" box for a failed result code (32 or less), owned by `owner`; nothing for a
// success.
void ReportShellError(std::uint32_t code, QWidget* owner);

// ShellOpenFile then ReportShellError: a failure is reported in the shell's own words.
void OpenWithAssociatedApp(const QString& path, QWidget* owner);

} // namespace qv
