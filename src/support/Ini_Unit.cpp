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

// Section and key names are hashed and compared with ASCII case folding, so the indexes can be
// searched with a std::string_view without building a lower-case copy.
struct NameHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept
    {
        std::uint64_t h = 14695981039346656037ull;
        for (char c : name) {
            h ^= static_cast<unsigned char>(FoldAscii(c));
            h *= 1099511628211ull;
        }
        return static_cast<std::size_t>(h);
    }
};

struct NameEqual
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept
    {
        return EqualsIgnoreCase(a, b);
    }
};

// Name -> position of the first line (or section) of that name.
using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, NameEqual>;

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
        NameIndex keys; // first key line of each name -> its position in `lines`
    };

    std::string source; // the parsed file, as UTF-8 without a byte-order mark
    std::string pool;   // text of written lines; a rewritten line leaves its old text behind
    bool hadBom = false;
    std::vector<Section> sections = std::vector<Section>(1); // [0]: lines before the first header
    NameIndex sectionIndex;                                  // first section of each name
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
            sectionIndex.emplace(std::string(HeaderName(trimmed)), sections.size() - 1);
            return;
        }
        Section& current = sections.back();
        current.lines.push_back(line);
        // Keys before the first header are kept but never searched.
        if (sections.size() > 1 && !IsBlankLine(trimmed) && !IsCommentLine(trimmed))
            current.keys.emplace(std::string(KeyName(trimmed)), current.lines.size() - 1);
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
        sectionIndex.clear();
        for (std::size_t i = 1; i < sections.size(); ++i)
            sectionIndex.emplace(std::string(HeaderName(Trimmed(sections[i].header))), i);
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
        if (const auto found = sectionIndex.find(name); found != sectionIndex.end())
            return sections[found->second];
        if (Line* last = LastLine(); last != nullptr && last->breakSize == 0)
            Rewrite(*last, {Text(*last)}, kCrLf);
        Section section;
        Rewrite(section.header, {"[", name, "]"}, kCrLf);
        sections.push_back(std::move(section));
        sectionIndex.emplace(std::string(name), sections.size() - 1);
        return sections.back();
    }

    void Write(std::string_view sectionName, std::string_view key, std::string_view value)
    {
        std::string valueScratch;
        value = OneLine(value, valueScratch);
        const bool quote = NeedsQuotes(value);
        const std::string_view open = quote ? "\"" : "";

        Section& section = SectionForWrite(sectionName);
        if (const auto found = section.keys.find(key); found != section.keys.end()) {
            Line& line = section.lines[found->second];
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
        section.keys.emplace(std::string(key), at);
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
    const auto foundSection = impl_->sectionIndex.find(NormaliseName(section, sectionScratch));
    if (foundSection == impl_->sectionIndex.end())
        return std::nullopt;
    const Impl::Section& s = impl_->sections[foundSection->second];
    const auto foundKey = s.keys.find(NormaliseName(key, keyScratch));
    if (foundKey == s.keys.end())
        return std::nullopt;
    const auto value = LineValue(impl_->Trimmed(s.lines[foundKey->second]));
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
    const auto found = impl_->sectionIndex.find(NormaliseName(section, scratch));
    if (found == impl_->sectionIndex.end())
        return false;
    impl_->sections.erase(impl_->sections.begin() + static_cast<std::ptrdiff_t>(found->second));
    // Positions after it moved, and a later section of the same name is now the first.
    impl_->RebuildSectionIndex();
    return true;
}

bool IniDocument::HasSection(std::string_view section) const
{
    if (!impl_)
        return false;
    std::string scratch;
    return impl_->sectionIndex.contains(NormaliseName(section, scratch));
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
