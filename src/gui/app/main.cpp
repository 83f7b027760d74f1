#include "core/support/CommandLine.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/app/WindowFonts.h"
#include "gui/widgets/SystemColors.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

// Starts the designer: help, version and wrong arguments are told before the window system is
// started, so that they need no display; then the application with its title, then the one main
// window, which opens the design named on the command line, if any; the program ends with exit
// code 0 once that window has closed.
int main(int argc, char** argv)
{
    const qv::CommandLine commandLine = qv::ParseCommandLine(
        std::vector<std::string>(argv, argv + argc), qv::kApplicationTitle, QUORVANE_VERSION);
    if (commandLine.exitCode) {
        std::fputs(commandLine.text.c_str(), *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }

    // The toolkit takes its own options out of the arguments.
    QApplication app(argc, argv);
    // The application's title; not a display name, which the desktop would append to every
    // window caption.
    QApplication::setApplicationName(QString::fromLatin1(qv::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    // The desktop entry that the window belongs to, for its icon and name on the desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));

    qv::InstallPaletteSystemColors();
    qv::PreferFittingFonts();

    qv::TfrmQuorvane frmQuorvane;
    frmQuorvane.show();
    if (!commandLine.designFile.empty())
        frmQuorvane.OpenStartFile(QFile::decodeName(commandLine.designFile.c_str()));
    QApplication::exec();
    return 0;
}
