#pragma once

#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/support/Ini_Unit.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The project file of a design: an INI file with the sections "Main Colors", "Sub Colors",
// "Options" (the 27 style settings), "Menus" (the item count and each item's path) and
// "MenuData" (each item's name, text, link, height and width, keyed by its index in tree order).

// The item's path: the names of its root, of every item on the way down and its own, joined by
// "\" (Menu3\Menu3_2\Menu3_2_1).
std::string ItemPath(const MenuItem& item);

// Writes a design into a document: erases "Menus" and "MenuData", sets every style key (the
// style sections' other keys, other sections and comments stay), names the items and writes
// them. "Arrows" is written only for the codes 0 to 2; any other code leaves the key as it is.
void WriteMenuDocument(IniDocument& document, MenuTree& tree, const MenuStyle& style);

struct PublishSettings;

// Saves a design into a project file, keeping whatever else an existing file holds, in one
// atomic replacement: on any failure the old file stays as it was and FileError
// "Unable to write to <path>" is thrown. Names every item of the tree. With `publish`, the file's
// "Publish" section becomes those settings in the same replacement (WritePublishSettings).
void WriteMenuFile(const std::string& path, MenuTree& tree, const MenuStyle& style,
                   const PublishSettings* publish = nullptr);

// The design file's document: a path naming nothing gives an empty document (an empty design
// with the read defaults); something that is there but cannot be read as a file throws
// FileError "Cannot open file <path>". Load first and clear the window's design afterwards, so
// that a failed open loses nothing.
IniDocument LoadMenuDocument(const std::string& path);

// Whether nothing is at `path` yet, so that a design started under that name is new and its first
// save creates the file: the name or a folder on its way is missing (what LoadMenuDocument reads
// as an empty document). A path that names something, readable or not, is not new.
bool IsNewDesignFile(const std::string& path);

// Adds the document's items to the tree and returns its style as stored: missing keys give the
// read defaults (colours black, codes and numbers 0, font size 10, empty font name, the four
// flags on), a flag is on exactly when it reads 1, and codes outside a field's list are returned
// as they are (StyleAsShown gives what the window then shows). Never fails.
MenuStyle ReadMenuDocument(const IniDocument& document, MenuTree& tree);

// LoadMenuDocument and ReadMenuDocument in one.
MenuStyle ReadMenuFile(const std::string& path, MenuTree& tree);

// Where and how a design is published into a site, kept in the section "Publish" of its project
// file (programs that do not know the section pass it over):
//   SiteFolder=site          the site folder, relative to the project file's folder
//   MenuFolder=menu          the menu folder, relative to the site folder
//   MenuName=main            the menu's name
//   LeftOutCount=1           the pages left out, relative to the site folder
//   LeftOut_0=drafts/old.html
struct PublishSettings
{
    std::string siteFolder; // absolute in memory
    std::string menuFolder;
    std::string menuName;
    std::vector<std::string> leftOut;

    friend bool operator==(const PublishSettings&, const PublishSettings&) = default;
};

// The settings of a project file's document; nothing when it has no "Publish" section. A relative
// site folder is taken from the folder of `projectPath`.
std::optional<PublishSettings> ReadPublishSettings(const IniDocument& document,
                                                   const std::string& projectPath);

// Replaces the document's "Publish" section by the settings, the site folder written relative to
// the folder of `projectPath`. Returns false, changing nothing, when the section already reads
// as these settings.
bool WritePublishSettings(IniDocument& document, const PublishSettings& settings,
                          const std::string& projectPath);

// The same for the project file on disk, which is written (atomically, keeping every other line)
// only when its settings change. Throws FileError "Unable to write to <path>" on failure.
void SavePublishSettings(const std::string& projectPath, const PublishSettings& settings);

} // namespace qv
