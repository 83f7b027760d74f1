#pragma once

#include <QString>

namespace qv {

// The files of the window, from the program's folder. Where the program keeps its files beside
// itself (KeepsFilesBesideProgram) every path is in that folder. Otherwise the preview page goes
// to the user's cache folder, the settings file to the user's configuration folder, and the save
// and open dialogs start in the user's documents folder; the template and the help page are
// read from the program's data files wherever they lie.
struct AppPaths
{
    bool besideProgram = true;
    QString dataFile;     // the template
    QString helpFile;     // the help page
    QString previewFile;  // the page that Preview writes
    QString settingsFile; // the settings file that is read
    // Where the settings are written when they are not beside the program; empty beside it.
    // Until the user has one, a settings file beside the program is the one read.
    QString userSettingsFile;
    QString documentsFolder; // the dialogs' initial folder, ending in '/'
};

// `appFolderPath` ends in '/'. Looks at the disk (which folders can be written, which files are
// there) and at the user's standard locations; creates nothing.
AppPaths ResolveAppPaths(const QString& appFolderPath);

} // namespace qv
