#include "gui/app/CommandLine.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/app/WindowFonts.h"
#include "gui/widgets/SystemColors.h"

#include <QApplication>

#include <cstdio>

// Starts the designer: the application with its title, then the one main window, which opens the
// design named on the command line, if any; the program ends with exit code 0 once that window
// has closed.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The application's title; not a display name, which the desktop would append to every
    // window caption.
    QApplication::setApplicationName(QString::fromLatin1(qv::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    // The desktop entry that the window belongs to, for its icon and name on the desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));

    const qv::CommandLine commandLine = qv::ParseCommandLine(QApplication::arguments());
    if (commandLine.exitCode) {
        std::fputs(commandLine.text.toLocal8Bit().constData(),
                   *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }

    qv::InstallPaletteSystemColors();
    qv::PreferFittingFonts();

    qv::TfrmQuorvane frmQuorvane;
    frmQuorvane.show();
    if (!commandLine.designFile.isEmpty())
        frmQuorvane.OpenProjectFile(commandLine.designFile);
    QApplication::exec();
    return 0;
}
