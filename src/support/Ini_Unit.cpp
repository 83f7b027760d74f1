#include "support/Ini_Unit.h"

#include "support/Encoding.h"
#include "support/FileIo.h"
#include "support/StringUtils.h"

#include <cerrno>
#include <initializer_list>
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

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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

bool IsHeaderLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == '[';
}

bool IsCommentLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == ';';
}

// "[ name ] rest]" names "name ] rest": the name runs to the last ']'; a header without ']'
// takes the rest of the line.
std::string_view HeaderName(std::string_view trimmed)
{
    std::string_view rest = trimmed.substr(1);
    const auto close = rest.rfind(']');
    if (close != std::string_view::npos)
        rest = rest.substr(0, close);
    return TrimBlanks(rest);
}

// The key of a key line: everything before the first '=', or the whole line when it has none.
std::string_view KeyName(std::string_view trimmed)
{
    return TrimBlanks(trimmed.substr(0, trimmed.find('=')));
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
    return Unquote(TrimBlanks(trimmed.substr(equals + 1)));
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
    return TrimBlanks(OneLine(name, scratch));
}

// A value is written inside double quotes when reading it back would otherwise change it:
// surrounding blanks would be trimmed, or an enclosing quote pair of its own would be removed.
bool NeedsQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return blank(value.front()) || blank(value.back()) || Unquote(value).size() != value.size();
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

} // namespace

struct IniDocument::Impl
{
    // A line of the file: its text and the run of CR and LF characters that ends it, stored next
    // to each other in `source` (lines as parsed) or in `pool` (lines written since).
    struct Line
    {
        std::size_t begin = 0;
        std::size_t textSize = 0;
        std::size_t breakSize = 0;
        bool pooled = false;
    };

    struct Section
    {
        Line header; // not used by the lines before the first header
        std::vector<Line> lines;
        NameTable keys; // first key line of each name -> its position in `lines`
    };

    std::string source; // the parsed file, as UTF-8 without a byte-order mark
    std::string pool;   // text of written lines; a rewritten line leaves its old text behind
    bool hadBom = false;
    std::vector<Section> sections = std::vector<Section>(1); // [0]: lines before the first header
    NameTable sectionIndex;                                  // first section of each name
    std::optional<std::string> unreadablePath;

    const char* Data(const Line& line) const
    {
        return (line.pooled ? pool.data() : source.data()) + line.begin;
    }

    std::string_view Text(const Line& line) const { return {Data(line), line.textSize}; }
    std::string_view Break(const Line& line) const
    {
        return {Data(line) + line.textSize, line.breakSize};
    }
    std::string_view Trimmed(const Line& line) const { return TrimBlanks(Text(line)); }

    auto KeyAt(const Section& section) const
    {
        return [this, &section](std::size_t at) { return KeyName(Trimmed(section.lines[at])); };
    }
    auto SectionAt() const
    {
        return [this](std::size_t at) { return HeaderName(Trimmed(sections[at].header)); };
    }

    const Section* FindSection(std::string_view name) const
    {
        const std::size_t at = sectionIndex.Find(name, SectionAt());
        return at == NameTable::kNone ? nullptr : &sections[at];
    }

    bool InPool(std::string_view piece) const
    {
        return !piece.empty() && piece.data() >= pool.data() &&
               piece.data() < pool.data() + pool.size();
    }

    void AddParsedLine(const Line& line)
    {
        const std::string_view trimmed = Trimmed(line);
        if (IsHeaderLine(trimmed)) {
            Section section;
            section.header = line;
            sections.push_back(std::move(section));
            sectionIndex.Insert(HeaderName(trimmed), sections.size() - 1, SectionAt());
            return;
        }
        Section& current = sections.back();
        current.lines.push_back(line);
        // Keys before the first header are kept but never searched.
        if (sections.size() > 1 && !IsBlankLine(trimmed) && !IsCommentLine(trimmed))
            current.keys.Insert(KeyName(trimmed), current.lines.size() - 1, KeyAt(current));
    }

    void ParseSource()
    {
        const char* s = source.data();
        const std::size_t n = source.size();
        std::size_t i = 0;
        while (i < n) {
            const std::size_t begin = i;
            while (i < n && !IsLineBreak(s[i]))
                ++i;
            const std::size_t textEnd = i;
            while (i < n && IsLineBreak(s[i]))
                ++i;
            AddParsedLine(Line{begin, textEnd - begin, i - textEnd, false});
        }
    }

    void RebuildSectionIndex()
    {
        sectionIndex.Clear();
        for (std::size_t i = 1; i < sections.size(); ++i)
            sectionIndex.Insert(HeaderName(Trimmed(sections[i].header)), i, SectionAt());
    }

    // Moves a line into the pool with the pieces of `text` and `lineBreak` in place of its own.
    void Rewrite(Line& line, std::initializer_list<std::string_view> text,
                 std::string_view lineBreak)
    {
        std::size_t textSize = 0;
        bool aliased = InPool(lineBreak);
        for (std::string_view piece : text) {
            textSize += piece.size();
            aliased = aliased || InPool(piece);
        }
        const std::size_t begin = pool.size();
        if (aliased) {
            // Growing the pool may move it, so pieces taken from it are copied out first.
            std::string joined;
            joined.reserve(textSize + lineBreak.size());
            for (std::string_view piece : text)
                joined.append(piece);
            joined.append(lineBreak);
            pool.append(joined);
        } else {
            for (std::string_view piece : text)
                pool.append(piece);
            pool.append(lineBreak);
        }
        line = Line{begin, textSize, lineBreak.size(), true};
    }

    Line* LastLine()
    {
        for (std::size_t i = sections.size(); i-- > 0;) {
            if (!sections[i].lines.empty())
                return &sections[i].lines.back();
            if (i > 0)
                return &sections[i].header;
        }
        return nullptr;
    }

    // Makes room for a line after `line`: it keeps the first line break of its run (CR LF when it
    // had none), and the rest of the run, returned, goes after the new line, so that a gap of
    // empty lines stays where it was.
    std::string TakeBreakTail(Line& line)
    {
        const std::string_view run = Break(line);
        if (run.empty()) {
            Rewrite(line, {Text(line)}, kCrLf);
            return {};
        }
        const std::size_t first = run.substr(0, 2) == kCrLf ? 2 : 1;
        std::string tail(run.substr(first));
        line.breakSize = first;
        return tail;
    }

    Section& SectionForWrite(std::string_view name)
    {
        if (const std::size_t at = sectionIndex.Find(name, SectionAt()); at != NameTable::kNone)
            return sections[at];
        if (Line* last = LastLine(); last != nullptr && last->breakSize == 0)
            Rewrite(*last, {Text(*last)}, kCrLf);
        Section section;
        Rewrite(section.header, {"[", name, "]"}, kCrLf);
        sections.push_back(std::move(section));
        sectionIndex.Insert(name, sections.size() - 1, SectionAt());
        return sections.back();
    }

    void Write(std::string_view sectionName, std::string_view key, std::string_view value)
    {
        std::string valueScratch;
        value = OneLine(value, valueScratch);
        const bool quote = NeedsQuotes(value);
        const std::string_view open = quote ? "\"" : "";

        Section& section = SectionForWrite(sectionName);
        if (const std::size_t at = section.keys.Find(key, KeyAt(section)); at != NameTable::kNone) {
            Line& line = section.lines[at];
            const std::string spelling(KeyName(Trimmed(line)));
            const std::string lineBreak(Break(line));
            Rewrite(line, {spelling, "=", open, value, open}, lineBreak);
            return;
        }

        // After the last non-blank line, that is before the blank lines that end the section.
        std::size_t at = section.lines.size();
        while (at > 0 && IsBlankLine(Trimmed(section.lines[at - 1])))
            --at;
        Line& previous = at == 0 ? section.header : section.lines[at - 1];
        const std::string tail = TakeBreakTail(previous);
        Line line;
        Rewrite(line, {key, "=", open, value, open}, std::string(kCrLf) + tail);
        section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at), line);
        // Only blank lines follow `at`, and blank lines are not indexed: no position moves.
        section.keys.Insert(key, at, KeyAt(section));
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
    impl.source = DecodeFileText(bytes);
    impl.ParseSource();
    return document;
}

IniDocument IniDocument::Load(const std::string& path)
{
    std::string bytes;
    const FileState state = ReadProfileFile(path, bytes);
    IniDocument document = Parse(bytes);
    if (state == FileState::Unreadable)
        document.impl_->unreadablePath = path;
    return document;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    if (!impl_)
        return std::nullopt;
    std::string sectionScratch, keyScratch;
    const Impl::Section* s = impl_->FindSection(NormaliseName(section, sectionScratch));
    if (s == nullptr)
        return std::nullopt;
    const std::size_t at = s->keys.Find(NormaliseName(key, keyScratch), impl_->KeyAt(*s));
    if (at == NameTable::kNone)
        return std::nullopt;
    const auto value = LineValue(impl_->Trimmed(s->lines[at]));
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

void IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    std::string sectionScratch, keyScratch;
    const std::string_view sectionName = NormaliseName(section, sectionScratch);
    const std::string_view keyName = NormaliseName(key, keyScratch);
    CheckWritableKey(keyName);
    Mutable().Write(sectionName, keyName, value);
}

void IniDocument::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

bool IniDocument::EraseSection(std::string_view section)
{
    if (!impl_)
        return false;
    std::string scratch;
    const std::size_t at =
        impl_->sectionIndex.Find(NormaliseName(section, scratch), impl_->SectionAt());
    if (at == NameTable::kNone)
        return false;
    impl_->sections.erase(impl_->sections.begin() + static_cast<std::ptrdiff_t>(at));
    // Positions after it moved, and a later section of the same name is now the first.
    impl_->RebuildSectionIndex();
    return true;
}

bool IniDocument::HasSection(std::string_view section) const
{
    if (!impl_)
        return false;
    std::string scratch;
    return impl_->FindSection(NormaliseName(section, scratch)) != nullptr;
}

std::string IniDocument::Serialise() const
{
    std::string out;
    if (!impl_)
        return out;
    const Impl& impl = *impl_;
    std::size_t size = impl.hadBom ? kUtf8Bom.size() : 0;
    for (std::size_t i = 0; i < impl.sections.size(); ++i) {
        const Impl::Section& section = impl.sections[i];
        if (i > 0)
            size += section.header.textSize + section.header.breakSize;
        for (const Impl::Line& line : section.lines)
            size += line.textSize + line.breakSize;
    }
    out.reserve(size);
    if (impl.hadBom)
        out.append(kUtf8Bom);
    const auto append = [&](const Impl::Line& line) {
        out.append(impl.Data(line), line.textSize + line.breakSize);
    };
    for (std::size_t i = 0; i < impl.sections.size(); ++i) {
        const Impl::Section& section = impl.sections[i];
        if (i > 0)
            append(section.header);
        for (const Impl::Line& line : section.lines)
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

template <typename Operation>
bool WriteOneKey(const std::string& path, Operation&& operation)
{
    try {
        IniDocument document = IniDocument::Load(path);
        operation(document);
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
    return WriteOneKey(path, [&](IniDocument& d) { d.WriteInteger(section, key, value); });
}

bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value)
{
    return WriteOneKey(path, [&](IniDocument& d) { d.WriteString(section, key, value); });
}

void IniEraseSection(const std::string& path, std::string_view section)
{
    std::string bytes;
    // A file that is there but cannot be read may hold the section: that is a failure, not a
    // missing section.
    if (ReadProfileFile(path, bytes) == FileState::Unreadable)
        throw FileError(FormatMessage(kUnableToWrite, path));
    IniDocument document = IniDocument::Parse(bytes);
    if (!document.EraseSection(section))
        return;
    document.Save(path);
}

} // namespace qv
