#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qv {

// The program's data files besides the template (kTemplateFileName): the help page and the
// arrow images that the template's menus name.
inline constexpr std::string_view kHelpFileName = "quorvane.html";
inline constexpr std::array<std::string_view, 6> kArrowImageFiles = {
    "tri.gif", "tridown.gif", "trileft.gif", "tridark.gif", "tridarkdown.gif", "tridarkleft.gif"};

// The installed data folder of a program folder, without "..": installed under a prefix, the
// programs lie in <prefix>/bin and their data files in <prefix>/share/quorvane (unless the build
// was told of other install folders), so "/usr/bin/" gives "/usr/share/quorvane/". Ends in '/'.
std::string InstalledDataFolder(std::string_view programFolder);

// Where a data file of the program is read: beside the program when it is there (a build folder,
// an unpacked copy), else in the installed data folder when it is there, else beside the program,
// the path that a "not found" message then names.
std::string DataFilePath(std::string_view programFolder, std::string_view fileName);

// Whether the preview page and the settings file live beside the program, as they do in a build
// folder or an unpacked copy. Not when the program's folder cannot be written
// (FolderCanBeWritten), nor when the program is installed, that is, when its template lies in the
// installed data folder and not beside it: an installed program's folder (/usr/bin, ~/.local/bin)
// is shared with other programs even where this user may write in it. Then the user's own
// folders take them.
bool KeepsFilesBesideProgram(std::string_view programFolder);

// Makes the folder of the preview page `pagePath` (with its parents) and puts there the arrow
// images found among the program's data files, so that a page written away from the program
// shows them. An image already there with the same content is left alone; one missing from the
// data files is skipped (the menu then draws its arrows itself). Throws FileError ("Cannot create
// file" with the page's or the image's path) when the folder or an image cannot be made, and
// ("Cannot open file") when an image is there but cannot be read.
void PreparePreviewFolder(std::string_view programFolder, const std::string& pagePath);

} // namespace qv
