#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

// An INI-format profile file held in memory: parsed once, read and written any number of times,
// serialised once. It follows the rules of the desktop profile-file service that users' files
// were written by:
//  - any run of CR and LF ends a line; lines, names and values are trimmed of blanks, tabs,
//    vertical tabs, form feeds and the end-of-file mark 0x1A that old editors leave; blank lines,
//    ';' comment lines and text before the first section never match but are kept;
//  - a section header starts with '[' and holds a ']'; its name runs to the last ']' and is
//    trimmed; a line with '[' but no ']' is a key line;
//  - a key line splits at the first '='; a line without '=' is a key with no value (missing);
//  - names of sections and keys match without regard to letter case, folded for ASCII letters
//    only (accented letters match only themselves); names given to the methods are trimmed like
//    the names in the file; only the first section of a name is searched, and in it only the
//    first key of a name (a key line without '=' shadows later keys of its name);
//  - a value is trimmed, then one pair of enclosing quotes is removed when it starts with ' or ",
//    is at least two characters long and ends with the same quote;
//  - writing an existing key replaces only its value, in place, keeping the key's spelling and
//    the line's break; writing the value the key already holds changes nothing; a new key goes
//    after the last non-blank line of its section (a gap of empty lines after that line stays after
//    the new one); a new section goes at the end; written lines read key=value and end in CR LF;
//  - every line that is not written keeps its text, its line break and its position, so an
//    unchanged UTF-8 file serialises to the same bytes.
// Text is UTF-8; a file that is not valid UTF-8 is read as Windows-1252. A UTF-8 byte-order
// mark is accepted and written back.
// Parsing finds only the sections; a section is split into lines when it is first written and
// its keys are indexed on the first lookup in it, so a large section that is only walked (Keys),
// erased or saved again costs little more than its bytes. Reading builds those indexes, so a
// document, const or not, is used by one thread at a time.
class IniDocument final
{
    struct Impl;

public:
    // The key lines of one section in file order, for reading a large section in one pass:
    //   for (auto keys = document.Keys("Menus"); keys.Next();) use(keys.Name(), keys.Value());
    // Comment and blank lines are passed over. Every key line is visited, also one whose name an
    // earlier line of the section has (which Value() never finds), so a caller that wants
    // Value()'s answers keeps the first line of each name. The walk and the views it gives are
    // valid until the document is changed.
    class KeyLines
    {
    public:
        // Moves to the next key line; false after the last one.
        bool Next();
        // The key's name, trimmed.
        std::string_view Name() const { return m_name; }
        // The value as Value() reads it: trimmed and unquoted; nothing for a line without '='.
        std::optional<std::string_view> Value() const { return m_value; }

    private:
        friend class IniDocument;
        const Impl* m_impl = nullptr;
        std::size_t m_section = 0;
        bool m_inSource = false; // walking the section's range of the parsed text, not its lines
        std::size_t m_next = 0;
        std::size_t m_end = 0;
        std::string_view m_name;
        std::optional<std::string_view> m_value;
    };

    IniDocument();
    ~IniDocument();
    IniDocument(IniDocument&&) noexcept;
    IniDocument& operator=(IniDocument&&) noexcept;
    IniDocument(const IniDocument&);
    IniDocument& operator=(const IniDocument&);

    // Parses file bytes (any encoding the reader accepts).
    static IniDocument Parse(std::string_view bytes);
    // The same for bytes the document may keep: a file of plain ASCII is parsed where it lies
    // instead of being copied.
    static IniDocument Parse(std::string&& bytes);
    static IniDocument Parse(const char* bytes) { return Parse(std::string_view(bytes)); }

    // Parses the file at `path`; a missing or unreadable file gives an empty document. A file that
    // is there but cannot be read is remembered: Save() refuses to replace it with the (empty)
    // document, so a passing read error never wipes a user's file.
    static IniDocument Load(const std::string& path);

    // The key lines of the first section of that name; none when there is no such section.
    KeyLines Keys(std::string_view section) const;

    // The value of a key, trimmed and unquoted; nothing when the section or key is missing or
    // the key line has no '='. Values are returned whole, whatever their length.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // The value, or `defaultValue` when it is missing or empty.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // The value read as an integer (decimal, "0x" or "$" hex), or `defaultValue` when it is
    // missing or not a valid 32-bit integer.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;

    // Sets a key, creating its section and the key as needed. Line breaks in the value (and in the
    // names) become blanks, so that no text can add lines of its own to the file, and a value that
    // would not read back as written (surrounding blanks, or enclosing quotes of its own) is
    // written inside a pair of double quotes. Returns false, changing nothing, when the key
    // already reads as that value. Throws std::invalid_argument for a key name that no key line
    // can hold (one with '=', or starting with '[' or ';').
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

    // Adds a key line as WriteString() does for a key that the section does not hold yet, without
    // looking for the key: it goes after the last non-blank line of the first section of that
    // name, which is created at the end of the file when missing. For writing a large section of
    // keys known to be new at the cost of the line alone. A key that the section holds already is
    // then there twice, and the first line of the name is the one that is read and rewritten.
    // Values and names are written and refused as by WriteString().
    void AppendString(std::string_view section, std::string_view key, std::string_view value);
    void AppendInteger(std::string_view section, std::string_view key, std::int32_t value);

    // Removes the first section of that name: its header and every line up to the next header.
    // Returns whether a section was removed; erasing a missing section changes nothing.
    bool EraseSection(std::string_view section);

    // Removes every section of that name, in one pass over the sections; returns how many.
    std::size_t EraseSections(std::string_view section);

    bool HasSection(std::string_view section) const;

    // The whole file: UTF-8, with the byte-order mark when the parsed file had one.
    std::string Serialise() const;

    // Writes Serialise() to `path` atomically (see WriteFileAtomically); throws FileError
    // "Unable to write to <path>" on failure, leaving the old file untouched; also when `path` is
    // the file that Load() found but could not read.
    void Save(const std::string& path) const;

private:
    Impl& Mutable();
    std::unique_ptr<Impl> m_impl;
};

// One-call routines: each loads the file, does one operation and saves it again.

// The value as an integer, or the default for a missing file, section or key, an empty value or
// a value that is not an integer.
std::int32_t IniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t defaultValue);

// The value, or the default for a missing file, section or key and for an empty value.
std::string IniReadString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue);

// Write one key; false when the file cannot be written or the key name is unusable (nothing is
// shown, the old file stays). A file that is there but cannot be read is not written either. A
// key that already holds the value leaves the file untouched, its time included.
bool IniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int32_t value);
bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

// Erase one section; throws FileError "Unable to write to <path>" when the file cannot be
// written, or is there but cannot be read. Erasing a section that is not there (or from a file
// that is not there) succeeds and writes nothing.
void IniEraseSection(const std::string& path, std::string_view section);

} // namespace qv
