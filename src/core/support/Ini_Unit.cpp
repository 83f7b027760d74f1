#include "core/support/Ini_Unit.h"

#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/FlatHashTable.h"
#include "core/support/IniLines.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <stdexcept>
#include <utility>

namespace qv {

using namespace ini;

namespace {

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

// The position of the first line (or section) of each name. An entry holds only the name's hash
// and the position; the name itself is read from the line when hashes agree, so indexing a large
// file allocates nothing per key.
class NameTable
{
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // `nameAt(position)` gives the name stored at a position already in the table.
    template <typename NameAt>
    std::size_t Find(std::string_view name, const NameAt& nameAt) const
    {
        const std::uint64_t hash = HashName(name);
        const Entry* entry = m_table.Find(hash, Holds(hash, name, nameAt));
        return entry == nullptr ? kNone : entry->position;
    }

    // Adds a name unless the table has one of that name already, which stays the first.
    template <typename NameAt>
    void Insert(std::string_view name, std::size_t position, const NameAt& nameAt)
    {
        const std::uint64_t hash = HashName(name);
        Entry& entry = m_table.Place(hash, Holds(hash, name, nameAt));
        if (entry.position == kNone)
            entry = Entry{hash, position};
    }

    void Clear() { m_table.Clear(); }
    // Room for `count` names without growing.
    void Reserve(std::size_t count) { m_table.Reserve(count); }

private:
    struct Entry
    {
        std::uint64_t hash = 0;
        std::size_t position = kNone;
    };
    struct Traits
    {
        static bool IsEmpty(const Entry& entry) { return entry.position == kNone; }
        static std::uint64_t HashOf(const Entry& entry) { return entry.hash; }
    };

    template <typename NameAt>
    static auto Holds(std::uint64_t hash, std::string_view name, const NameAt& nameAt)
    {
        return [hash, name, &nameAt](const Entry& entry) {
            return entry.hash == hash && EqualsIgnoreCase(nameAt(entry.position), name);
        };
    }

    FlatHashTable<Entry, Traits> m_table;
};

} // namespace

struct IniDocument::Impl : LineStore
{
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
        // the section is `inSource`, else its index in `lines`. Built on the first lookup in the
        // section (see KeysOf), which a const document makes too.
        mutable NameTable keys;
        mutable bool keysBuilt = false;
    };

    bool hadBom = false;
    std::vector<Section> sections = std::vector<Section>(1); // [0]: lines before the first header
    NameTable sectionIndex;                                  // first section of each name
    std::optional<std::string> unreadablePath;
    // The section of the last append and the name it was asked for by, as given: a run of
    // appends into one section looks it up once.
    std::size_t appendSection = NameTable::kNone;
    std::string appendSectionName;

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

    // The section's key index, built now when this is the first lookup in the section.
    NameTable& KeysOf(const Section& section) const
    {
        if (section.keysBuilt)
            return section.keys;
        NameTable& keys = section.keys;
        keys.Clear();
        const auto add = [&](std::string_view trimmed, std::size_t at) {
            if (!IsBlankLine(trimmed) && !IsCommentLine(trimmed))
                keys.Insert(KeyName(trimmed), at, KeyAt(section));
        };
        if (section.inSource) {
            for (std::size_t at = section.sourceBegin; at < section.sourceEnd;) {
                const Line line = SourceLine(at, section.sourceEnd);
                add(Trimmed(line), at);
                at += line.textSize + line.breakSize;
            }
        } else {
            keys.Reserve(section.lines.size());
            for (std::size_t at = 0; at < section.lines.size(); ++at)
                add(Trimmed(section.lines[at]), at);
        }
        section.keysBuilt = true;
        return keys;
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
        section.keys.Clear();
        section.keysBuilt = false;
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
        if (section.keysBuilt)
            section.keys.Insert(key, section.lines.size() - 1, KeyAt(section));
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

IniDocument::IniDocument() : m_impl(std::make_unique<Impl>()) {}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;

IniDocument::IniDocument(const IniDocument& other)
    : m_impl(other.m_impl ? std::make_unique<Impl>(*other.m_impl) : std::make_unique<Impl>())
{
}

IniDocument& IniDocument::operator=(const IniDocument& other)
{
    if (this != &other) {
        IniDocument copy(other);
        std::swap(m_impl, copy.m_impl);
    }
    return *this;
}

IniDocument::Impl& IniDocument::Mutable()
{
    // A moved-from document is empty and usable again.
    if (!m_impl)
        m_impl = std::make_unique<Impl>();
    return *m_impl;
}

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument document;
    Impl& impl = *document.m_impl;
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
    Impl& impl = *document.m_impl;
    impl.hadBom = bom;
    impl.source = std::move(bytes);
    impl.ParseSource(start); // the mark stays in front of the first line, unused
    return document;
}

IniDocument IniDocument::Load(const std::string& path)
{
    std::string bytes;
    const FileState state = ReadRegularFile(path, bytes);
    IniDocument document = Parse(std::move(bytes));
    if (state == FileState::Unreadable)
        document.m_impl->unreadablePath = path;
    return document;
}

IniDocument::KeyLines IniDocument::Keys(std::string_view section) const
{
    KeyLines keys;
    if (!m_impl)
        return keys;
    std::string scratch;
    const std::size_t at = m_impl->FindSection(NormaliseName(section, scratch));
    if (at != NameTable::kNone) {
        const Impl::Section& s = m_impl->sections[at];
        keys.m_impl = m_impl.get();
        keys.m_inSource = s.inSource;
        keys.m_next = s.inSource ? s.sourceBegin : 0;
        keys.m_end = s.inSource ? s.sourceEnd : s.lines.size();
        keys.m_section = at;
    }
    return keys;
}

bool IniDocument::KeyLines::Next()
{
    while (m_next < m_end) {
        std::string_view trimmed;
        if (m_inSource) {
            const Impl::Line line = m_impl->SourceLine(m_next, m_end);
            m_next += line.textSize + line.breakSize;
            trimmed = m_impl->Trimmed(line);
        } else {
            trimmed = m_impl->Trimmed(m_impl->sections[m_section].lines[m_next++]);
        }
        if (IsBlankLine(trimmed) || IsCommentLine(trimmed))
            continue;
        const auto equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            m_name = trimmed;
            m_value.reset();
        } else {
            m_name = Trim(trimmed.substr(0, equals));
            m_value = Unquote(Trim(trimmed.substr(equals + 1)));
        }
        return true;
    }
    return false;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    if (!m_impl)
        return std::nullopt;
    std::string sectionScratch, keyScratch;
    const std::size_t sectionAt = m_impl->FindSection(NormaliseName(section, sectionScratch));
    if (sectionAt == NameTable::kNone)
        return std::nullopt;
    const Impl::Section& s = m_impl->sections[sectionAt];
    const std::size_t at = m_impl->KeysOf(s).Find(NormaliseName(key, keyScratch), m_impl->KeyAt(s));
    if (at == NameTable::kNone)
        return std::nullopt;
    const auto value = LineValue(m_impl->KeyLineAt(s, at));
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
        : m_size(static_cast<std::size_t>(std::to_chars(m_text, m_text + sizeof m_text, value).ptr -
                                          m_text))
    {
    }
    operator std::string_view() const { return {m_text, m_size}; }

private:
    char m_text[12];
    std::size_t m_size;
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
    if (!m_impl)
        return false;
    std::string scratch;
    const std::size_t at = m_impl->FindSection(NormaliseName(section, scratch));
    if (at == NameTable::kNone)
        return false;
    m_impl->sections.erase(m_impl->sections.begin() + static_cast<std::ptrdiff_t>(at));
    // Positions after it moved, and a later section of the same name is now the first.
    m_impl->RebuildSectionIndex();
    return true;
}

std::size_t IniDocument::EraseSections(std::string_view section)
{
    if (!m_impl)
        return 0;
    std::string scratch;
    const std::string_view name = NormaliseName(section, scratch);
    if (m_impl->FindSection(name) == NameTable::kNone)
        return 0;
    Impl& impl = *m_impl;
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
    if (!m_impl)
        return false;
    std::string scratch;
    return m_impl->FindSection(NormaliseName(section, scratch)) != NameTable::kNone;
}

std::string IniDocument::Serialise() const
{
    std::string out;
    if (!m_impl)
        return out;
    const Impl& impl = *m_impl;
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
    if (m_impl && m_impl->unreadablePath == path)
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
    if (ReadRegularFile(path, bytes) == FileState::Unreadable)
        throw FileError(FormatMessage(kUnableToWrite, path));
    IniDocument document = IniDocument::Parse(std::move(bytes));
    if (!document.EraseSection(section))
        return;
    document.Save(path);
}

} // namespace qv
