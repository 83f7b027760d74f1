#include "app/QuorvaneForm.h"
#include "widgets/SystemColors.h"

#include <QApplication>

// Starts the designer: the application with its title, then the one main window; the program
// ends with exit code 0 once that window has closed. Command-line arguments are not used.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The application's title; not a display name, which the desktop would append to every
    // window caption.
    QApplication::setApplicationName(QString::fromLatin1(qv::kApplicationTitle));
    qv::InstallPaletteSystemColors();

    qv::TfrmQuorvane frmQuorvane;
    frmQuorvane.show();
    QApplication::exec();
    return 0;
}
