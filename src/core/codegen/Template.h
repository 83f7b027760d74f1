#pragma once

#include "core/model/Colors.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The tokens of the template, in the order in which they are replaced. The last, %menulist%, is
// the menu as a plain nested list of links (MenuListHtml) for visitors without script; a template
// without it is filled as before it existed.
inline constexpr std::array<std::string_view, 46> kTemplateTokens = {"%menu%",
                                                                     "%NoOffFirstLineMenus%",
                                                                     "%LowBgColor%",
                                                                     "%LowSubBgColor%",
                                                                     "%HighBgColor%",
                                                                     "%HighSubBgColor%",
                                                                     "%FontLowColor%",
                                                                     "%FontSubLowColor%",
                                                                     "%FontHighColor%",
                                                                     "%FontSubHighColor%",
                                                                     "%BorderColor%",
                                                                     "%BorderSubColor%",
                                                                     "%BorderWidth%",
                                                                     "%BorderBtwnElmnts%",
                                                                     "%FontFamily%",
                                                                     "%FontSize%",
                                                                     "%FontBold%",
                                                                     "%FontItalic%",
                                                                     "%MenuTextCentered%",
                                                                     "%MenuCentered%",
                                                                     "%MenuVerticalCentered%",
                                                                     "%ChildOverlap%",
                                                                     "%ChildVerticalOverlap%",
                                                                     "%StartTop%",
                                                                     "%StartLeft%",
                                                                     "%VerCorrect%",
                                                                     "%HorCorrect%",
                                                                     "%LeftPaddng%",
                                                                     "%TopPaddng%",
                                                                     "%FirstLineHorizontal%",
                                                                     "%MenuFramesVertical%",
                                                                     "%DissapearDelay%",
                                                                     "%TakeOverBgColor%",
                                                                     "%FirstLineFrame%",
                                                                     "%SecLineFrame%",
                                                                     "%DocTargetFrame%",
                                                                     "%TargetLoc%",
                                                                     "%HideTop%",
                                                                     "%MenuWrap%",
                                                                     "%RightToLeft%",
                                                                     "%UnfoldsOnClick%",
                                                                     "%WebMasterCheck%",
                                                                     "%ShowArrow%",
                                                                     "%arrows%",
                                                                     "%KeepHilite%",
                                                                     "%menulist%"};

inline constexpr std::string_view kLightArrows =
    "var Arrws=['tri.gif',5,10,'tridown.gif',10,5,'trileft.gif',5,10];";
inline constexpr std::string_view kDarkArrows =
    "var Arrws=['tridark.gif',5,10,'tridarkdown.gif',10,5,'tridarkleft.gif',5,10];";

// The file name of the template, looked for beside the executable.
inline constexpr std::string_view kTemplateFileName = "dhtml.dat";

// The values of the tokens for a design, in the order of kTemplateTokens. Names every item of
// the tree (the menu arrays are built here). `style` is taken as given: alignment codes without
// a list entry give the empty text, a menu type other than 0 counts as vertical, and so on.
std::vector<std::string> TemplateValues(MenuTree& tree, const MenuStyle& style,
                                        const SystemColorResolver& resolver);

// Replaces, for each token in order, its first occurrence in `text` by the value of the same
// position. Only the text itself is searched: an occurrence that overlaps one replaced earlier
// is passed over, and inserted values are never searched, so a value holding a token's name
// stays as it is. Tokens missing from the text are skipped. Each token must have the form
// %name% with no '%' inside the name. Linear in the size of the text and the values.
std::string ReplaceTokens(std::string_view text, std::span<const std::string_view> tokens,
                          std::span<const std::string> values);

// The code for a design: the template's lines (split at CR LF, CR and LF, cut at a NUL) joined
// with CR LF after every line, with the tokens replaced. Names every item of the tree.
std::string FillTemplate(std::string_view templateText, MenuTree& tree, const MenuStyle& style,
                         const SystemColorResolver& resolver);
// The same with the current system colour resolver.
std::string FillTemplate(std::string_view templateText, MenuTree& tree, const MenuStyle& style);

// The preview page around the code: "<html><head></head><body>" directly before the code's first
// line, "</body></html>" on a last line of its own, every line ending in CR LF.
std::string PreviewPage(std::string_view code);

// The text shown when the template is missing: "Data File not found", two line feeds, the path.
std::string DataFileNotFoundMessage(std::string_view templatePath);

// The longest code that is made. A deeply nested design can make more code than memory holds
// (see MenuArraysSize), so it is measured first, by its arrays, and refused beyond this. (The
// plain list grows with the items and their texts alone.)
inline constexpr std::uint64_t kMaxCodeBytes = std::uint64_t{64} << 20;

// The text shown when a design's code would take `bytes`, more than kMaxCodeBytes.
std::string CodeTooLargeMessage(std::uint64_t bytes);

// No template file at the path; the text is DataFileNotFoundMessage.
class TemplateNotFound : public std::runtime_error
{
public:
    explicit TemplateNotFound(std::string path);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// The design's code would be longer than kMaxCodeBytes; the text is CodeTooLargeMessage.
class CodeTooLarge : public std::length_error
{
public:
    explicit CodeTooLarge(std::uint64_t bytes);
    std::uint64_t Bytes() const { return m_bytes; }

private:
    std::uint64_t m_bytes;
};

enum class CodeForm { Code, PreviewPage };

// The one way code is made, for Get Code, Preview and quorvane-gen: reads the template file at
// `templatePath` afresh, decodes it (a byte-order mark removed, a file that is not UTF-8 read as
// Windows-1252), measures the design, fills the template (naming every item) and returns the
// code, or the preview page around it. Throws TemplateNotFound when no file is at the path,
// FileError "Cannot open file <path>" when it cannot be read, and CodeTooLarge, before anything
// is built, for a design beyond kMaxCodeBytes.
std::string GenerateCode(const std::string& templatePath, MenuTree& tree, const MenuStyle& style,
                         CodeForm form, const SystemColorResolver& resolver);
// GenerateCode for the bytes of a template file already read: decodes them, measures the design
// (CodeTooLarge beyond kMaxCodeBytes), fills the template and returns the code or the page.
std::string GenerateCodeFromTemplate(std::string_view templateBytes, MenuTree& tree,
                                     const MenuStyle& style, CodeForm form,
                                     const SystemColorResolver& resolver);
std::string GenerateCode(const std::string& templatePath, MenuTree& tree, const MenuStyle& style,
                         CodeForm form = CodeForm::Code);

} // namespace qv
