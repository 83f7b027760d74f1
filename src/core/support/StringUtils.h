#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The folder of an executable, from its full path: everything up to and including the last '/',
// always ending in exactly one '/', so that folder + file name is a valid path. A bare file name
// gives "./".
std::string AppFolder(std::string_view executablePath);

// A folder path ending in exactly one '/': "/usr/bin" and "/usr/bin//" give "/usr/bin/", "/"
// stays "/", and an empty folder is the current one, "./".
std::string FolderWithSeparator(std::string_view folder);

// How many times `pattern` occurs in `text`, scanning left to right without overlaps and
// case-sensitively. An empty pattern counts 0.
int CountSubstring(std::string_view text, std::string_view pattern);

// A whole decimal number with an optional sign that fits 32 bits ("-25", "+7", "007");
// nothing for anything else (empty, a lone sign, a decimal separator, blanks, overflow).
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

// An integer as profile files hold it: "0x"/"0X" followed by hex digits (when longer than two
// characters), "$" followed by hex digits, or a whole decimal number. Hex values of up to eight
// digits wrap into 32 bits as the desktop service reads them ("0xFFFFFFFF" is -1). Blanks before
// the number are passed over, as that service does: a value written " 12" inside its quotes
// reads as 12.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

// The value of a hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// ASCII-only case folding and comparison, used for section and key names: only A to Z change,
// so accented letters match only themselves.
constexpr char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Blanks and tabs removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// Replaces every "%s" in `format` by `argument`.
std::string FormatMessage(std::string_view format, std::string_view argument);

// A size as the program's messages give it: "500 bytes", else in kB, MB, GB, ... of 1024 each
// with one decimal, rounded half up ("1.3 kB" for 1280 bytes, "64.0 MB"). The desktop's own
// size texts read the same. Sizes above the largest signed 64-bit number count as that number.
std::string DataSizeText(std::uint64_t bytes);

// The shell's result codes when opening a document: above 32 is success.
constexpr std::uint32_t kShellSuccessThreshold = 32;
bool IsShellError(std::uint32_t code);

// The reason for a shell result code of 32 or less, in the words the error box shows.
std::string ShellErrorReason(std::uint32_t code);

// The whole text of the error box for a failed shell open: "Unable to execute file:", two line
// feeds, then the reason. Empty for a successful code.
std::string ShellErrorMessage(std::uint32_t code);

// Paths longer than this are refused before the shell is asked.
constexpr std::size_t kMaxShellPathLength = 255;
inline constexpr std::string_view kPathTooLongMessage =
    "The path to the file is too long, please ensure the path is less than 255 characters.";

} // namespace qv
