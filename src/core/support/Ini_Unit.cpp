#include "core/support/Ini_Unit.h"

#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>

namespace qv {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// What the desktop's profile-file service trims from lines, names and values besides the line
// breaks: blanks, tabs, vertical tabs, form feeds, and the end-of-file mark 0x1A that old editors
// leave after the last line.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

bool IsTrimmed(char c)
{
    return IsBlank(c) || IsLineBreak(c);
}

// The trimming of lines, names and values, for the short pieces of lines this file trims by the
// million: a plain loop beats a search for a set of characters.
std::string_view Trim(std::string_view text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Whether every byte is ASCII, which makes the text valid UTF-8 as it is. Eight bytes at a time.
bool IsAscii(std::string_view text)
{
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        high |= word;
        if ((i & 1023) == 0 && (high & 0x8080808080808080ull) != 0)
            return false;
    }
    for (; i < n; ++i)
        high |= static_cast<unsigned char>(data[i]);
    return (high & 0x8080808080808080ull) == 0;
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The position of the first CR or LF from `i` on, or `n`. Lines are short and files long, so
// eight bytes are tested at a time: a byte equal to CR or LF makes a zero byte after the XOR, and
// the lowest zero byte of a word is found exactly.
std::size_t FindLineBreak(const char* s, std::size_t i, std::size_t n)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, sizeof word);
        const std::uint64_t lf = word ^ (kOnes * '\n');
        const std::uint64_t cr = word ^ (kOnes * '\r');
        const std::uint64_t found = ((lf - kOnes) & ~lf & kHigh) | ((cr - kOnes) & ~cr & kHigh);
        if (found != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return i + static_cast<std::size_t>(std::countr_zero(found)) / 8;
            else
                break;
        }
    }
    while (i < n && !IsLineBreak(s[i]))
        ++i;
    return i;
}

// Section and key names are hashed with ASCII case folding.
std::uint64_t HashName(std::string_view name)
{
    std::uint64_t h = 14695981039346656037ull;
    for (char c : name) {
        h ^= static_cast<unsigned char>(FoldAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

// The position of the first line (or section) of each name. A slot holds only the name's hash
// and the position; the name itself is read from the line when hashes agree, so indexing a large
// file allocates nothing per key. Open addressing with linear probing, at most half full.
class NameTable
{
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // `nameAt(position)` gives the name stored at a position already in the table.
    template <typename NameAt>
    std::size_t Find(std::string_view name, const NameAt& nameAt) const
    {
        if (slots_.empty())
            return kNone;
        const std::uint64_t hash = HashName(name);
        for (std::size_t i = Home(hash);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[i];
            if (slot.position == kNone)
                return kNone;
            if (slot.hash == hash && EqualsIgnoreCase(nameAt(slot.position), name))
                return slot.position;
        }
    }

    // Adds a name unless the table has one of that name already, which stays the first.
    template <typename NameAt>
    void Insert(std::string_view name, std::size_t position, const NameAt& nameAt)
    {
        if ((count_ + 1) * 2 > slots_.size())
            Grow();
        const std::uint64_t hash = HashName(name);
        for (std::size_t i = Home(hash);; i = (i + 1) & (slots_.size() - 1)) {
            Slot& slot = slots_[i];
            if (slot.position == kNone) {
                slot = Slot{hash, position};
                ++count_;
                return;
            }
            if (slot.hash == hash && EqualsIgnoreCase(nameAt(slot.position), name))
                return;
        }
    }

    void Clear()
    {
        slots_.clear();
        count_ = 0;
    }

    // Room for `count` names without growing.
    void Reserve(std::size_t count)
    {
        while (count * 2 > slots_.size())
            Grow();
    }

private:
    struct Slot
    {
        std::uint64_t hash = 0;
        std::size_t position = kNone;
    };

    // Fibonacci hashing spreads the high bits of the hash over the table.
    std::size_t Home(std::uint64_t hash) const
    {
        return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> shift_);
    }

    void Grow()
    {
        std::vector<Slot> old = std::move(slots_);
        const std::size_t size = old.empty() ? 8 : old.size() * 2;
        slots_.assign(size, Slot{});
        shift_ = 64;
        for (std::size_t s = size; s > 1; s >>= 1)
            --shift_;
        for (const Slot& slot : old) {
            if (slot.position == kNone)
                continue;
            std::size_t i = Home(slot.hash);
            while (slots_[i].position != kNone)
                i = (i + 1) & (size - 1);
            slots_[i] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    int shift_ = 64;
};

bool IsBlankLine(std::string_view trimmed)
{
    return trimmed.empty();
}

bool IsCommentLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == ';';
}

// Whether a trimmed line heads a section: it starts with '[' and holds a ']'. A line with '[' and
// no ']' (a hand-edit typo) is a key line, so it cannot hide the rest of its section.
bool IsHeaderLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == '[' && trimmed.find(']', 1) != trimmed.npos;
}

// "[ name ] rest]" names "name ] rest": the name runs to the last ']'.
std::string_view HeaderName(std::string_view trimmed)
{
    std::string_view rest = trimmed.substr(1);
    return Trim(rest.substr(0, rest.rfind(']')));
}

// The key of a key line: everything before the first '=', or the whole line when it has none.
std::string_view KeyName(std::string_view trimmed)
{
    return Trim(trimmed.substr(0, trimmed.find('=')));
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The value of a key line, trimmed and unquoted; nothing for a line without '='.
std::optional<std::string_view> LineValue(std::string_view trimmed)
{
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return Unquote(Trim(trimmed.substr(equals + 1)));
}

bool HasLineBreak(std::string_view text)
{
    for (char c : text)
        if (IsLineBreak(c))
            return true;
    return false;
}

// Text that goes on one line of the file: UTF-8 (bytes that are not are taken as Windows-1252,
// as the file reader would) with every CR and LF turned into a blank. Returns `text` itself when
// nothing needs to change, else the cleaned copy held in `scratch`.
std::string_view OneLine(std::string_view text, std::string& scratch)
{
    // Most text is ASCII without a line break.
    if (IsAscii(text) && FindLineBreak(text.data(), 0, text.size()) == text.size())
        return text;
    const bool utf8 = IsValidUtf8(text);
    if (utf8 && !HasLineBreak(text))
        return text;
    scratch = utf8 ? std::string(text) : Windows1252ToUtf8(text);
    for (char& c : scratch)
        if (IsLineBreak(c))
            c = ' ';
    return scratch;
}

// A section or key name as the file holds it: on one line, without surrounding blanks.
std::string_view NormaliseName(std::string_view name, std::string& scratch)
{
    return Trim(OneLine(name, scratch));
}

// A value is written inside double quotes when reading it back would otherwise change it:
// surrounding blanks would be trimmed, or an enclosing quote pair of its own would be removed.
bool NeedsQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    return IsTrimmed(value.front()) || IsTrimmed(value.back()) ||
           Unquote(value).size() != value.size();
}

// A key name that cannot be written as the start of a key line: one holding '=' would split
// early, one starting with '[' or ';' would become a section header or a comment.
void CheckWritableKey(std::string_view key)
{
    if (key.find('=') != std::string_view::npos ||
        (!key.empty() && (key.front() == '[' || key.front() == ';')))
        throw std::invalid_argument("Unusable key name for a profile file: " + std::string(key));
}

enum class FileState { Missing, Read, Unreadable };

// Reads a profile file. Only a regular file is opened, so a FIFO or a device never blocks or
// floods the reader. A path that names nothing is missing; one that names something that cannot
// be read is unreadable, which a caller must not take for an empty file when it writes.
FileState ReadProfileFile(const std::string& path, std::string& bytes)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileState::Unreadable;
    try {
        bytes = ReadFileBytes(path);
    } catch (const FileError&) {
        return FileState::Unreadable;
    }
    return FileState::Read;
}

// A section's key index, built on the first lookup in the section (see Impl::KeysOf). A copy
// starts unbuilt and builds its own when it is first needed, so copying never reads a table that
// another thread may be building.
struct LazyKeyIndex
{
    LazyKeyIndex() = default;
    LazyKeyIndex(const LazyKeyIndex&) {}
    LazyKeyIndex& operator=(const LazyKeyIndex&)
    {
        table.Clear();
        built.store(false, std::memory_order_relaxed);
        return *this;
    }
    LazyKeyIndex(LazyKeyIndex&& other) noexcept
        : table(std::move(other.table)), built(other.built.load(std::memory_order_relaxed))
    {
    }
    LazyKeyIndex& operator=(LazyKeyIndex&& other) noexcept
    {
        table = std::move(other.table);
        built.store(other.built.load(std::memory_order_relaxed), std::memory_order_relaxed);
        return *this;
    }

    NameTable table; // first key line of each name -> its position (see Impl::Section)
    std::atomic<bool> built{false};
};

// A mutex that a copied or moved document does not share: each document guards its own indexes.
struct IndexMutex
{
    IndexMutex() = default;
    IndexMutex(const IndexMutex&) {}
    IndexMutex& operator=(const IndexMutex&) { return *this; }
    std::mutex mutex;
};

} // namespace

struct IniDocument::Impl
{
    // A line of the file: its text and the run of CR and LF characters that ends it, stored next
    // to each other in `source` (lines as parsed, block 0) or in a block of `pool` (lines written
    // since, block k in pool[k - 1]).
    struct Line
    {
        std::size_t begin = 0;
        std::size_t textSize = 0;
        std::size_t breakSize = 0;
        std::uint32_t block = 0;
    };

    // A section's lines stay in `source` as one range of bytes until the section is first
    // written: reading, walking, erasing and serialising it need no line list, so a large
    // section that is read once or replaced costs no more than the bytes themselves.
    struct Section
    {
        Line header; // not used by the lines before the first header
        bool inSource = false;
        std::size_t sourceBegin = 0; // the range of the lines while `inSource`
        std::size_t sourceEnd = 0;
        // Once split: the lines up to the last non-blank one, then the blank lines that end the
        // section. New keys go between the two, so adding one never moves a line.
        std::vector<Line> lines;
        std::vector<Line> blankTail;
        // First key line of each name -> its position: the offset of the line in `source` while
        // the section is `inSource`, else its index in `lines`.
        mutable LazyKeyIndex keys;
    };

    std::string source; // the parsed file as UTF-8; a byte-order mark before the lines is unused
    // Text of written lines, in blocks that are never grown beyond what they have room for and
    // never move (a deque keeps its elements in place), so the text of every line stays where it
    // is while others are written. A rewritten line leaves its old text behind.
    std::deque<std::string> pool;
    bool hadBom = false;
    std::vector<Section> sections = std::vector<Section>(1); // [0]: lines before the first header
    NameTable sectionIndex;                                  // first section of each name
    std::optional<std::string> unreadablePath;
    mutable IndexMutex indexMutex;
    // The section of the last append and the name it was asked for by, as given: a run of
    // appends into one section looks it up once.
    std::size_t appendSection = NameTable::kNone;
    std::string appendSectionName;

    const char* Data(const Line& line) const
    {
        return (line.block == 0 ? source.data() : pool[line.block - 1].data()) + line.begin;
    }

    std::string_view Text(const Line& line) const { return {Data(line), line.textSize}; }
    std::string_view Break(const Line& line) const
    {
        return {Data(line) + line.textSize, line.breakSize};
    }
    std::string_view Trimmed(const Line& line) const { return Trim(Text(line)); }

    // The line of `source` that starts at `begin` and ends before `end`.
    Line SourceLine(std::size_t begin, std::size_t end) const
    {
        const char* s = source.data();
        const std::size_t textEnd = FindLineBreak(s, begin, end);
        std::size_t breakEnd = textEnd;
        while (breakEnd < end && IsLineBreak(s[breakEnd]))
            ++breakEnd;
        return Line{begin, textEnd - begin, breakEnd - textEnd, 0};
    }

    // The trimmed text of the key line at a position of the section's key index.
    std::string_view KeyLineAt(const Section& section, std::size_t at) const
    {
        return section.inSource ? Trimmed(SourceLine(at, section.sourceEnd))
                                : Trimmed(section.lines[at]);
    }

    auto KeyAt(const Section& section) const
    {
        return [this, &section](std::size_t at) { return KeyName(KeyLineAt(section, at)); };
    }
    auto SectionAt() const
    {
        return [this](std::size_t at) { return HeaderName(Trimmed(sections[at].header)); };
    }

    std::size_t FindSection(std::string_view name) const
    {
        return sectionIndex.Find(name, SectionAt());
    }

    // The section's key index, built now when this is the first lookup in the section. Lookups
    // in a const document may get here from several threads; the first one builds under the lock.
    NameTable& KeysOf(const Section& section) const
    {
        LazyKeyIndex& keys = section.keys;
        if (!keys.built.load(std::memory_order_acquire)) {
            const std::lock_guard lock(indexMutex.mutex);
            if (!keys.built.load(std::memory_order_relaxed)) {
                keys.table.Clear();
                const auto add = [&](std::string_view trimmed, std::size_t at) {
                    if (!IsBlankLine(trimmed) && !IsCommentLine(trimmed))
                        keys.table.Insert(KeyName(trimmed), at, KeyAt(section));
                };
                if (section.inSource) {
                    for (std::size_t at = section.sourceBegin; at < section.sourceEnd;) {
                        const Line line = SourceLine(at, section.sourceEnd);
                        add(Trimmed(line), at);
                        at += line.textSize + line.breakSize;
                    }
                } else {
                    keys.table.Reserve(section.lines.size());
                    for (std::size_t at = 0; at < section.lines.size(); ++at)
                        add(Trimmed(section.lines[at]), at);
                }
                keys.built.store(true, std::memory_order_release);
            }
        }
        return keys.table;
    }

    // Splits a section's range of `source` into lines, before its first change.
    void SplitLines(Section& section)
    {
        if (!section.inSource)
            return;
        for (std::size_t at = section.sourceBegin; at < section.sourceEnd;) {
            const Line line = SourceLine(at, section.sourceEnd);
            at += line.textSize + line.breakSize;
            if (IsBlankLine(Trimmed(line))) {
                section.blankTail.push_back(line);
            } else {
                // Blank lines followed by this one are inside the section, not at its end.
                section.lines.insert(section.lines.end(), section.blankTail.begin(),
                                     section.blankTail.end());
                section.blankTail.clear();
                section.lines.push_back(line);
            }
        }
        section.inSource = false;
        section.sourceBegin = section.sourceEnd = 0;
        // Positions in the index were offsets in `source`; they are line numbers from now on.
        section.keys.table.Clear();
        section.keys.built.store(false, std::memory_order_relaxed);
    }

    // Finds the sections of `source` from `start` on. Only header lines are looked at: a header
    // is a line whose first character other than a blank is '[' and that holds a ']', so the
    // search goes from one '[' to the next.
    void ParseSource(std::size_t start)
    {
        const char* s = source.data();
        const std::size_t n = source.size();
        sections.back().inSource = true;
        sections.back().sourceBegin = start;
        std::size_t from = start;
        while (from < n) {
            const void* found = std::memchr(s + from, '[', n - from);
            if (found == nullptr)
                break;
            const auto bracket = static_cast<std::size_t>(static_cast<const char*>(found) - s);
            from = bracket + 1;
            std::size_t lineBegin = bracket;
            while (lineBegin > start && IsBlank(s[lineBegin - 1]))
                --lineBegin;
            if (lineBegin > start && !IsLineBreak(s[lineBegin - 1]))
                continue;
            const Line header = SourceLine(lineBegin, n);
            if (!IsHeaderLine(Trimmed(header)))
                continue;
            from = lineBegin + header.textSize + header.breakSize;
            sections.back().sourceEnd = lineBegin;
            Section& section = sections.emplace_back();
            section.header = header;
            section.inSource = true;
            section.sourceBegin = from;
            sectionIndex.Insert(HeaderName(Trimmed(header)), sections.size() - 1, SectionAt());
        }
        sections.back().sourceEnd = n;
    }

    void RebuildSectionIndex()
    {
        appendSection = NameTable::kNone;
        sectionIndex.Clear();
        for (std::size_t i = 1; i < sections.size(); ++i)
            sectionIndex.Insert(HeaderName(Trimmed(sections[i].header)), i, SectionAt());
    }

    // Moves a line into the pool with the pieces of `text` and `lineBreak` in place of its own.
    // The pieces may be taken from any line, this one included: no text moves while they are
    // copied.
    void Rewrite(Line& line, std::initializer_list<std::string_view> text,
                 std::initializer_list<std::string_view> lineBreak)
    {
        std::size_t textSize = 0, breakSize = 0;
        for (std::string_view piece : text)
            textSize += piece.size();
        for (std::string_view piece : lineBreak)
            breakSize += piece.size();
        const std::size_t size = textSize + breakSize;
        if (pool.empty() || pool.back().capacity() - pool.back().size() < size) {
            // Blocks double up to a megabyte: few for a large file, small ones for a small one.
            constexpr std::size_t kFirstBlock = 4096, kLargestBlock = 1 << 20;
            const std::size_t room =
                pool.empty() ? kFirstBlock : std::min(2 * pool.back().capacity(), kLargestBlock);
            pool.emplace_back().reserve(std::max(room, size));
        }
        std::string& block = pool.back();
        const std::size_t begin = block.size();
        for (std::string_view piece : text)
            block.append(piece);
        for (std::string_view piece : lineBreak)
            block.append(piece);
        line = Line{begin, textSize, breakSize, static_cast<std::uint32_t>(pool.size())};
    }

    Line* LastLine()
    {
        for (std::size_t i = sections.size(); i-- > 0;) {
            Section& section = sections[i];
            SplitLines(section);
            if (!section.blankTail.empty())
                return &section.blankTail.back();
            if (!section.lines.empty())
                return &section.lines.back();
            if (i > 0)
                return &section.header;
        }
        return nullptr;
    }

    // Makes room for a line after `line`: it keeps the first line break of its run (CR LF when it
    // had none), and the rest of the run, returned, goes after the new line, so that a gap of
    // empty lines stays where it was.
    std::string_view TakeBreakTail(Line& line)
    {
        const std::string_view run = Break(line);
        if (run.empty()) {
            Rewrite(line, {Text(line)}, {kCrLf});
            return {};
        }
        const std::size_t first = run.substr(0, 2) == kCrLf ? 2 : 1;
        line.breakSize = first;
        return run.substr(first);
    }

    // The first section of the name, split into lines; created at the end of the file when
    // missing.
    Section& SectionForWrite(std::string_view name)
    {
        if (const std::size_t at = FindSection(name); at != NameTable::kNone) {
            SplitLines(sections[at]);
            return sections[at];
        }
        if (Line* last = LastLine(); last != nullptr && last->breakSize == 0)
            Rewrite(*last, {Text(*last)}, {kCrLf});
        Section& section = sections.emplace_back();
        Rewrite(section.header, {"[", name, "]"}, {kCrLf});
        sectionIndex.Insert(name, sections.size() - 1, SectionAt());
        return section;
    }

    // A new key line after the last non-blank line of the section, that is before the blank
    // lines that end it.
    void AddKeyLine(Section& section, std::string_view key, std::string_view value)
    {
        std::string valueScratch;
        value = OneLine(value, valueScratch);
        const std::string_view quote = NeedsQuotes(value) ? "\"" : "";
        Line& previous = section.lines.empty() ? section.header : section.lines.back();
        const std::string_view tail = TakeBreakTail(previous);
        Line& line = section.lines.emplace_back();
        Rewrite(line, {key, "=", quote, value, quote}, {kCrLf, tail});
        if (section.keys.built.load(std::memory_order_relaxed))
            section.keys.table.Insert(key, section.lines.size() - 1, KeyAt(section));
    }

    // Returns false when the key already held the value: then nothing changes, not even the
    // spelling of its line.
    bool Write(std::string_view sectionName, std::string_view key, std::string_view value)
    {
        std::string valueScratch;
        value = OneLine(value, valueScratch);
        const std::size_t at = FindSection(sectionName);
        if (at == NameTable::kNone) {
            AddKeyLine(SectionForWrite(sectionName), key, value);
            return true;
        }
        Section& section = sections[at];
        std::size_t found = KeysOf(section).Find(key, KeyAt(section));
        if (found != NameTable::kNone && LineValue(KeyLineAt(section, found)) == value)
            return false;
        if (section.inSource) {
            // Split before its first change; the key's position becomes a line number.
            SplitLines(section);
            if (found != NameTable::kNone)
                found = KeysOf(section).Find(key, KeyAt(section));
        }
        if (found == NameTable::kNone) {
            AddKeyLine(section, key, value);
            return true;
        }
        const std::string_view quote = NeedsQuotes(value) ? "\"" : "";
        Line& line = section.lines[found];
        Rewrite(line, {KeyName(Trimmed(line)), "=", quote, value, quote}, {Break(line)});
        return true;
    }
};

IniDocument::IniDocument() : impl_(std::make_unique<Impl>()) {}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;

IniDocument::IniDocument(const IniDocument& other)
    : impl_(other.impl_ ? std::make_unique<Impl>(*other.impl_) : std::make_unique<Impl>())
{
}

IniDocument& IniDocument::operator=(const IniDocument& other)
{
    if (this != &other) {
        IniDocument copy(other);
        std::swap(impl_, copy.impl_);
    }
    return *this;
}

IniDocument::Impl& IniDocument::Mutable()
{
    // A moved-from document is empty and usable again.
    if (!impl_)
        impl_ = std::make_unique<Impl>();
    return *impl_;
}

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument document;
    Impl& impl = *document.impl_;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        // The mark says UTF-8 even when a stray byte later makes the rest read as Windows-1252;
        // it must not become text in front of the first header.
        impl.hadBom = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    // Decoded without looking for a mark again: a second one is text and stays.
    impl.source =
        IsAscii(bytes) || IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
    impl.ParseSource(0);
    return document;
}

IniDocument IniDocument::Parse(std::string&& bytes)
{
    const bool bom = std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom;
    const std::size_t start = bom ? kUtf8Bom.size() : 0;
    // Other text is decoded into a new string anyway.
    if (!IsAscii(std::string_view(bytes).substr(start)))
        return Parse(std::string_view(bytes));
    IniDocument document;
    Impl& impl = *document.impl_;
    impl.hadBom = bom;
    impl.source = std::move(bytes);
    impl.ParseSource(start); // the mark stays in front of the first line, unused
    return document;
}

IniDocument IniDocument::Load(const std::string& path)
{
    std::string bytes;
    const FileState state = ReadProfileFile(path, bytes);
    IniDocument document = Parse(std::move(bytes));
    if (state == FileState::Unreadable)
        document.impl_->unreadablePath = path;
    return document;
}

IniDocument::KeyLines IniDocument::Keys(std::string_view section) const
{
    KeyLines keys;
    if (!impl_)
        return keys;
    std::string scratch;
    const std::size_t at = impl_->FindSection(NormaliseName(section, scratch));
    if (at != NameTable::kNone) {
        const Impl::Section& s = impl_->sections[at];
        keys.impl_ = impl_.get();
        keys.inSource_ = s.inSource;
        keys.next_ = s.inSource ? s.sourceBegin : 0;
        keys.end_ = s.inSource ? s.sourceEnd : s.lines.size();
        keys.section_ = at;
    }
    return keys;
}

bool IniDocument::KeyLines::Next()
{
    while (next_ < end_) {
        std::string_view trimmed;
        if (inSource_) {
            const Impl::Line line = impl_->SourceLine(next_, end_);
            next_ += line.textSize + line.breakSize;
            trimmed = impl_->Trimmed(line);
        } else {
            trimmed = impl_->Trimmed(impl_->sections[section_].lines[next_++]);
        }
        if (IsBlankLine(trimmed) || IsCommentLine(trimmed))
            continue;
        const auto equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            name_ = trimmed;
            value_.reset();
        } else {
            name_ = Trim(trimmed.substr(0, equals));
            value_ = Unquote(Trim(trimmed.substr(equals + 1)));
        }
        return true;
    }
    return false;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    if (!impl_)
        return std::nullopt;
    std::string sectionScratch, keyScratch;
    const std::size_t sectionAt = impl_->FindSection(NormaliseName(section, sectionScratch));
    if (sectionAt == NameTable::kNone)
        return std::nullopt;
    const Impl::Section& s = impl_->sections[sectionAt];
    const std::size_t at = impl_->KeysOf(s).Find(NormaliseName(key, keyScratch), impl_->KeyAt(s));
    if (at == NameTable::kNone)
        return std::nullopt;
    const auto value = LineValue(impl_->KeyLineAt(s, at));
    if (!value)
        return std::nullopt;
    return std::string(*value);
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const
{
    auto value = Value(section, key);
    if (!value || value->empty())
        return std::string(defaultValue);
    return std::move(*value);
}

std::int32_t IniDocument::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const
{
    const auto value = Value(section, key);
    if (!value)
        return defaultValue;
    return ParseProfileInteger(*value).value_or(defaultValue);
}

bool IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    std::string sectionScratch, keyScratch;
    const std::string_view sectionName = NormaliseName(section, sectionScratch);
    const std::string_view keyName = NormaliseName(key, keyScratch);
    CheckWritableKey(keyName);
    return Mutable().Write(sectionName, keyName, value);
}

namespace {

// The decimal text of an integer, in a buffer that needs no allocation.
class IntegerText
{
public:
    explicit IntegerText(std::int32_t value)
        : size_(static_cast<std::size_t>(std::to_chars(text_, text_ + sizeof text_, value).ptr -
                                         text_))
    {
    }
    operator std::string_view() const { return {text_, size_}; }

private:
    char text_[12];
    std::size_t size_;
};

} // namespace

bool IniDocument::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    return WriteString(section, key, IntegerText(value));
}

void IniDocument::AppendString(std::string_view section, std::string_view key,
                               std::string_view value)
{
    std::string keyScratch;
    const std::string_view keyName = NormaliseName(key, keyScratch);
    CheckWritableKey(keyName);
    Impl& impl = Mutable();
    if (impl.appendSection == NameTable::kNone || section != impl.appendSectionName) {
        std::string sectionScratch;
        Impl::Section& found = impl.SectionForWrite(NormaliseName(section, sectionScratch));
        impl.appendSection = static_cast<std::size_t>(&found - impl.sections.data());
        impl.appendSectionName.assign(section);
    }
    impl.AddKeyLine(impl.sections[impl.appendSection], keyName, value);
}

void IniDocument::AppendInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    AppendString(section, key, IntegerText(value));
}

bool IniDocument::EraseSection(std::string_view section)
{
    if (!impl_)
        return false;
    std::string scratch;
    const std::size_t at = impl_->FindSection(NormaliseName(section, scratch));
    if (at == NameTable::kNone)
        return false;
    impl_->sections.erase(impl_->sections.begin() + static_cast<std::ptrdiff_t>(at));
    // Positions after it moved, and a later section of the same name is now the first.
    impl_->RebuildSectionIndex();
    return true;
}

std::size_t IniDocument::EraseSections(std::string_view section)
{
    if (!impl_)
        return 0;
    std::string scratch;
    const std::string_view name = NormaliseName(section, scratch);
    if (impl_->FindSection(name) == NameTable::kNone)
        return 0;
    Impl& impl = *impl_;
    // The lines before the first header are no section and always stay.
    const auto erased =
        std::remove_if(impl.sections.begin() + 1, impl.sections.end(), [&](const Impl::Section& s) {
            return EqualsIgnoreCase(HeaderName(impl.Trimmed(s.header)), name);
        });
    const auto count = static_cast<std::size_t>(impl.sections.end() - erased);
    impl.sections.erase(erased, impl.sections.end());
    impl.RebuildSectionIndex();
    return count;
}

bool IniDocument::HasSection(std::string_view section) const
{
    if (!impl_)
        return false;
    std::string scratch;
    return impl_->FindSection(NormaliseName(section, scratch)) != NameTable::kNone;
}

std::string IniDocument::Serialise() const
{
    std::string out;
    if (!impl_)
        return out;
    const Impl& impl = *impl_;
    const auto size = [](const Impl::Line& line) { return line.textSize + line.breakSize; };
    std::size_t total = impl.hadBom ? kUtf8Bom.size() : 0;
    for (std::size_t i = 0; i < impl.sections.size(); ++i) {
        const Impl::Section& section = impl.sections[i];
        if (i > 0)
            total += size(section.header);
        if (section.inSource)
            total += section.sourceEnd - section.sourceBegin;
        for (const Impl::Line& line : section.lines)
            total += size(line);
        for (const Impl::Line& line : section.blankTail)
            total += size(line);
    }
    out.reserve(total);
    if (impl.hadBom)
        out.append(kUtf8Bom);
    const auto append = [&](const Impl::Line& line) { out.append(impl.Data(line), size(line)); };
    for (std::size_t i = 0; i < impl.sections.size(); ++i) {
        const Impl::Section& section = impl.sections[i];
        if (i > 0)
            append(section.header);
        if (section.inSource) {
            out.append(impl.source, section.sourceBegin, section.sourceEnd - section.sourceBegin);
            continue;
        }
        for (const Impl::Line& line : section.lines)
            append(line);
        for (const Impl::Line& line : section.blankTail)
            append(line);
    }
    return out;
}

void IniDocument::Save(const std::string& path) const
{
    if (impl_ && impl_->unreadablePath == path)
        throw FileError(FormatMessage(kUnableToWrite, path));
    WriteFileAtomically(path, Serialise(), kUnableToWrite);
}

std::int32_t IniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t defaultValue)
{
    return IniDocument::Load(path).ReadInteger(section, key, defaultValue);
}

std::string IniReadString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue)
{
    return IniDocument::Load(path).ReadString(section, key, defaultValue);
}

namespace {

// `operation` returns whether it changed the document. A key that already holds the value leaves
// the file as it was, not even written again, as the desktop's service does.
template <typename Operation>
bool WriteOneKey(const std::string& path, Operation&& operation)
{
    try {
        IniDocument document = IniDocument::Load(path);
        if (operation(document))
            document.Save(path);
        return true;
    } catch (const std::exception&) {
        // The callers go on with their next key; the old file is untouched.
        return false;
    }
}

} // namespace

bool IniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int32_t value)
{
    return WriteOneKey(path, [&](IniDocument& d) { return d.WriteInteger(section, key, value); });
}

bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value)
{
    return WriteOneKey(path, [&](IniDocument& d) { return d.WriteString(section, key, value); });
}

void IniEraseSection(const std::string& path, std::string_view section)
{
    std::string bytes;
    // A file that is there but cannot be read may hold the section: that is a failure, not a
    // missing section.
    if (ReadProfileFile(path, bytes) == FileState::Unreadable)
        throw FileError(FormatMessage(kUnableToWrite, path));
    IniDocument document = IniDocument::Parse(std::move(bytes));
    if (!document.EraseSection(section))
        return;
    document.Save(path);
}

} // namespace qv
