#include "gui/app/AppPaths.h"

#include "core/codegen/DataFiles.h"
#include "core/codegen/Template.h"
#include "core/support/FileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qv {

namespace {

const QString kPreviewFileName = QStringLiteral("~dhtml.htm");
const QString kSettingsFileName = QStringLiteral("quorvane.ini");
// The program's folder among the user's cache and configuration folders.
const QString kUserFolderName = QStringLiteral("/quorvane/");

QString DataFile(const QString& appFolderPath, std::string_view name)
{
    return QString::fromStdString(DataFilePath(appFolderPath.toStdString(), name));
}

QString WithSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The user's documents folder, or the home folder when there is none.
QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return WithSeparator(!documents.isEmpty() && QFileInfo(documents).isDir() ? documents
                                                                              : QDir::homePath());
}

} // namespace

AppPaths ResolveAppPaths(const QString& appFolderPath)
{
    AppPaths paths;
    paths.dataFile = DataFile(appFolderPath, kTemplateFileName);
    paths.helpFile = DataFile(appFolderPath, kHelpFileName);
    paths.besideProgram = KeepsFilesBesideProgram(appFolderPath.toStdString());
    const QString besideSettings = appFolderPath + kSettingsFileName;
    if (paths.besideProgram) {
        paths.previewFile = appFolderPath + kPreviewFileName;
        paths.settingsFile = besideSettings;
        paths.documentsFolder = appFolderPath;
        return paths;
    }
    paths.previewFile = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        kUserFolderName + kPreviewFileName;
    paths.userSettingsFile =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kUserFolderName +
        kSettingsFileName;
    const bool readBeside = !FileExists(paths.userSettingsFile.toStdString()) &&
                            FileExists(besideSettings.toStdString());
    paths.settingsFile = readBeside ? besideSettings : paths.userSettingsFile;
    paths.documentsFolder = DocumentsFolder();
    return paths;
}

} // namespace qv
