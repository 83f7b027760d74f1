#include "core/support/StringUtils.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace qv {

std::string FolderWithSeparator(std::string_view folder)
{
    std::string out(folder);
    while (out.size() > 1 && out.back() == '/' && out[out.size() - 2] == '/')
        out.pop_back();
    if (out.empty())
        return "./";
    if (out.back() != '/')
        out.push_back('/');
    return out;
}

std::string AppFolder(std::string_view executablePath)
{
    const auto slash = executablePath.find_last_of('/');
    if (slash == std::string_view::npos)
        return "./";
    return FolderWithSeparator(executablePath.substr(0, slash + 1));
}

int CountSubstring(std::string_view text, std::string_view pattern)
{
    if (pattern.empty())
        return 0;
    int count = 0;
    for (auto pos = text.find(pattern); pos != std::string_view::npos;
         pos = text.find(pattern, pos + pattern.size()))
        ++count;
    return count;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

std::optional<std::int32_t> ParseHexDigits(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

std::optional<std::int32_t> ParseWholeNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseProfileInteger(std::string_view text)
{
    const auto start = text.find_first_not_of(" \t\v\f\r\n");
    text.remove_prefix(start == std::string_view::npos ? text.size() : start);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHexDigits(text.substr(2));
    if (!text.empty() && text[0] == '$')
        return ParseHexDigits(text.substr(1));
    return ParseWholeNumber(text);
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = FoldAscii(c);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string FormatMessage(std::string_view format, std::string_view argument)
{
    std::string out;
    out.reserve(format.size() + argument.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            out.append(argument);
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

std::string DataSizeText(std::uint64_t bytes)
{
    bytes = std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max());
    const int power = bytes == 0 ? 0 : (63 - std::countl_zero(bytes)) / 10;
    if (power == 0)
        return std::to_string(bytes) + " bytes";
    // The size is taken as a double, as the desktop's texts take it, and that value is rounded
    // exactly: above 2^53 bytes the double is not the size itself.
    const auto value = static_cast<std::uint64_t>(static_cast<double>(bytes));
    const int shift = 10 * power;
    const std::uint64_t fraction = value & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t tenths =
        (value >> shift) * 10 + ((fraction * 10 + (std::uint64_t{1} << (shift - 1))) >> shift);
    static constexpr std::array<const char*, 6> kUnits = {"kB", "MB", "GB", "TB", "PB", "EB"};
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " +
           kUnits[static_cast<std::size_t>(power - 1)];
}

bool IsShellError(std::uint32_t code)
{
    return code <= kShellSuccessThreshold;
}

std::string ShellErrorReason(std::uint32_t code)
{
    switch (code) {
    case 0:
        return "The operating system is out of memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied access to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred.";
    case 27:
        return "The filename association is incomplete or invalid.";
    case 28:
        return "The DDE transaction could not be completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not be completed because other DDE transactions were "
               "being processed.";
    case 31:
        return "There is no application associated with the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return "An unknown error occurred when trying to load file in associated application.";
    }
}

std::string ShellErrorMessage(std::uint32_t code)
{
    if (!IsShellError(code))
        return {};
    return "Unable to execute file:\n\n" + ShellErrorReason(code);
}

} // namespace qv
