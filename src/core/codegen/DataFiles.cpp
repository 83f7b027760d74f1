#include "core/codegen/DataFiles.h"

#include "core/codegen/Template.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <filesystem>
#include <system_error>

namespace qv {

namespace {

namespace fs = std::filesystem;

// The data folder relative to the programs' folder, as the build installs them.
#ifndef QUORVANE_DATA_FROM_BIN
#define QUORVANE_DATA_FROM_BIN "../share/quorvane"
#endif
constexpr std::string_view kInstalledDataFolder = QUORVANE_DATA_FROM_BIN "/";

std::string Joined(std::string_view folder, std::string_view fileName)
{
    return FolderWithSeparator(folder) + std::string(fileName);
}

// Whether the file at `path` holds exactly `bytes`; one that cannot be read does not.
bool SameContent(const std::string& path, const std::string& bytes)
{
    try {
        return ReadFileBytes(path) == bytes;
    } catch (const FileError&) {
        return false;
    }
}

} // namespace

std::string InstalledDataFolder(std::string_view programFolder)
{
    const fs::path folder = fs::path(FolderWithSeparator(programFolder)) / kInstalledDataFolder;
    return FolderWithSeparator(folder.lexically_normal().string());
}

std::string DataFilePath(std::string_view programFolder, std::string_view fileName)
{
    std::string beside = Joined(programFolder, fileName);
    if (FileExists(beside))
        return beside;
    std::string installed = InstalledDataFolder(programFolder) + std::string(fileName);
    return FileExists(installed) ? installed : beside;
}

bool KeepsFilesBesideProgram(std::string_view programFolder)
{
    const std::string folder = FolderWithSeparator(programFolder);
    const bool installed = !FileExists(folder + std::string(kTemplateFileName)) &&
                           FileExists(InstalledDataFolder(folder) + std::string(kTemplateFileName));
    return !installed && FolderCanBeWritten(folder);
}

void PreparePreviewFolder(std::string_view programFolder, const std::string& pagePath)
{
    const auto slash = pagePath.find_last_of('/');
    const std::string pageFolder =
        slash == std::string::npos ? "./" : pagePath.substr(0, slash + 1);
    std::error_code error;
    fs::create_directories(pageFolder, error);
    if (error || !FolderCanBeWritten(pageFolder))
        throw FileError(FormatMessage(kCannotCreateFile, pagePath));
    for (const std::string_view name : kArrowImageFiles) {
        const std::string source = DataFilePath(programFolder, name);
        if (!FileExists(source))
            continue;
        const std::string target = pageFolder + std::string(name);
        const std::string bytes = ReadFileBytes(source);
        if (FileExists(target) && SameContent(target, bytes))
            continue;
        WriteFileAtomically(target, bytes, kCannotCreateFile);
    }
}

} // namespace qv
