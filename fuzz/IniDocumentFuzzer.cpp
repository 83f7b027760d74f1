// Profile documents from arbitrary bytes: parsing, serialising, parsing again, and writes and
// erases driven by the same bytes. Every read is held against a plain, slow reading of the text
// by the documented rules, and every serialised text must read back to the same document.

#include "FuzzCheck.h"
#include "ProfileText.h"

#include "core/support/Encoding.h"
#include "core/support/Ini_Unit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using qv::IniDocument;

// ---- The reading rules, written out plainly -------------------------------------------------

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

// Blanks, tabs, vertical tabs, form feeds, the end-of-file mark 0x1A and line breaks.
bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A' || IsBreak(c);
}

std::string_view Trim(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// A header starts with '[' and holds a ']'; a line with '[' alone is a key line.
bool IsHeader(std::string_view trimmed)
{
    return trimmed.starts_with('[') && trimmed.find(']') != std::string_view::npos;
}

char Fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

struct KeyLine
{
    std::string name;
    std::optional<std::string> value; // none for a line without '='
    bool operator==(const KeyLine&) const = default;
};

struct Section
{
    std::string name;
    std::vector<KeyLine> keys; // every key line in file order, comments and blanks left out
    bool operator==(const Section&) const = default;
};

// The sections of a file in order, duplicates included; text before the first header is no
// section and is left out.
using Model = std::vector<Section>;

Model ModelOf(std::string_view text)
{
    if (text.starts_with(qv::kUtf8Bom))
        text.remove_prefix(qv::kUtf8Bom.size());
    Model model;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && !IsBreak(text[end]))
            ++end;
        const std::string_view line = Trim(text.substr(i, end - i));
        i = end;
        while (i < text.size() && IsBreak(text[i]))
            ++i;
        if (line.empty())
            continue;
        if (IsHeader(line)) {
            const std::string_view rest = line.substr(1);
            model.push_back(Section{std::string(Trim(rest.substr(0, rest.rfind(']')))), {}});
            continue;
        }
        if (model.empty() || line.front() == ';')
            continue;
        const auto equals = line.find('=');
        KeyLine key{std::string(Trim(line.substr(0, equals))), std::nullopt};
        if (equals != std::string_view::npos)
            key.value = std::string(Unquote(Trim(line.substr(equals + 1))));
        model.back().keys.push_back(std::move(key));
    }
    return model;
}

Section* FindSection(Model& model, std::string_view name)
{
    for (Section& section : model)
        if (SameName(section.name, name))
            return &section;
    return nullptr;
}

std::optional<std::string> KeyValue(const Section& section, std::string_view name)
{
    for (const KeyLine& key : section.keys)
        if (SameName(key.name, name))
            return key.value;
    return std::nullopt;
}

// Text given to the document goes on one line, as UTF-8.
std::string OneLine(std::string_view text)
{
    std::string out = qv::IsValidUtf8(text) ? std::string(text) : qv::Windows1252ToUtf8(text);
    for (char& c : out)
        if (IsBreak(c))
            c = ' ';
    return out;
}

std::string GivenName(std::string_view name)
{
    return std::string(Trim(OneLine(name)));
}

bool UsableKey(std::string_view key)
{
    return key.find('=') == std::string_view::npos &&
           (key.empty() || (key.front() != '[' && key.front() != ';'));
}

void ModelWrite(Model& model, const std::string& section, const std::string& key,
                const std::string& value, bool append)
{
    Section* target = FindSection(model, section);
    if (target == nullptr) {
        model.push_back(Section{section, {}});
        target = &model.back();
    }
    if (!append) {
        for (KeyLine& line : target->keys) {
            if (SameName(line.name, key)) {
                line.value = value;
                return;
            }
        }
    }
    target->keys.push_back(KeyLine{key, value});
}

// ---- Checks ------------------------------------------------------------------------------------

std::string Folded(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = Fold(c);
    return out;
}

void CheckReads(const IniDocument& document, const Model& model,
                const std::vector<std::string>& sections, const std::vector<std::string>& keys)
{
    // The model's answers through maps of folded names: the first section of each name, and in
    // it the first key line of each name.
    std::unordered_map<std::string, const Section*> firstSections;
    for (auto it = model.rbegin(); it != model.rend(); ++it)
        firstSections[Folded(it->name)] = &*it;
    std::vector<std::string> givenKeys;
    for (const std::string& key : keys)
        givenKeys.push_back(Folded(GivenName(key)));

    for (const std::string& sectionName : sections) {
        const auto found = firstSections.find(Folded(GivenName(sectionName)));
        const Section* section = found == firstSections.end() ? nullptr : found->second;
        FUZZ_CHECK(document.HasSection(sectionName) == (section != nullptr), "HasSection");

        std::unordered_map<std::string, const KeyLine*> firstKeys;
        std::size_t n = 0;
        for (auto lines = document.Keys(sectionName); lines.Next(); ++n) {
            FUZZ_CHECK(section != nullptr && n < section->keys.size(), "Keys visits a key line");
            const KeyLine& expected = section->keys[n];
            FUZZ_CHECK(lines.Name() == expected.name, "Keys gives the key's name");
            FUZZ_CHECK(lines.Value().has_value() == expected.value.has_value() &&
                           (!expected.value || *lines.Value() == *expected.value),
                       "Keys gives the key's value");
            firstKeys.try_emplace(Folded(expected.name), &expected);
        }
        FUZZ_CHECK(n == (section ? section->keys.size() : 0), "Keys visits every key line");

        for (std::size_t k = 0; k < keys.size(); ++k) {
            const auto key = firstKeys.find(givenKeys[k]);
            const std::optional<std::string> expected =
                key == firstKeys.end() ? std::nullopt : key->second->value;
            const std::optional<std::string> value = document.Value(sectionName, keys[k]);
            FUZZ_CHECK(value == expected, "Value");
            if (k % 4 == 0) {
                const std::string fallback = "\x01no value";
                FUZZ_CHECK(document.ReadString(sectionName, keys[k], fallback) ==
                               (value && !value->empty() ? *value : fallback),
                           "ReadString");
            }
        }
    }
}

// Names to look up: those of the text's own headers and key lines (as read and as found in the
// raw bytes), some in other letter case or with blanks around them, and a few fixed ones.
void CollectNames(std::string_view bytes, const Model& model, std::vector<std::string>& sections,
                  std::vector<std::string>& keys)
{
    constexpr std::size_t kMaxSections = 8;
    constexpr std::size_t kMaxKeys = 16;
    const auto add = [](std::vector<std::string>& names, std::string name, std::size_t max) {
        if (names.size() >= max)
            return;
        for (const std::string& known : names)
            if (known == name)
                return;
        names.push_back(std::move(name));
    };
    const auto variants = [&](std::vector<std::string>& names, std::string_view name,
                              std::size_t max) {
        add(names, std::string(name), max);
        std::string upper(name);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        add(names, upper, max);
        add(names, " " + std::string(name) + "\t", max);
    };
    for (const Section& section : model) {
        variants(sections, section.name, kMaxSections);
        for (const KeyLine& key : section.keys)
            variants(keys, key.name, kMaxKeys);
    }
    // Names as the raw bytes spell them, which differ from the read ones in a file that is read
    // as Windows-1252.
    std::size_t i = 0;
    while (i < bytes.size() && sections.size() + keys.size() < kMaxSections + kMaxKeys + 8) {
        std::size_t end = i;
        while (end < bytes.size() && !IsBreak(bytes[end]))
            ++end;
        const std::string_view line = Trim(bytes.substr(i, end - i));
        i = end + 1;
        if (line.empty())
            continue;
        if (IsHeader(line))
            add(sections, std::string(line.substr(1, line.find(']') - 1)), kMaxSections + 4);
        else
            add(keys, std::string(line.substr(0, line.find('='))), kMaxKeys + 4);
    }
    for (const char* name : {"", "Options", "menus", "MenuData"}) {
        add(sections, name, kMaxSections + 8);
        add(keys, name, kMaxKeys + 8);
    }
}

std::string PickName(FuzzedDataProvider& provider, const std::vector<std::string>& pool)
{
    if (!pool.empty() && provider.ConsumeBool())
        return pool[provider.ConsumeIntegralInRange<std::size_t>(0, pool.size() - 1)];
    return provider.ConsumeRandomLengthString(12);
}

// After a change: the text holds exactly what the model says, and the reads touched agree.
void CheckChange(const IniDocument& document, const Model& model,
                 const std::vector<std::string>& sections, const std::vector<std::string>& keys)
{
    const std::string text = document.Serialise();
    FUZZ_CHECK(ModelOf(text) == model, "the file holds what was written and nothing else");
    CheckReads(document, model, sections, keys);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Parse, serialise, parse again.
    IniDocument document = IniDocument::Parse(bytes);
    const std::string text = document.Serialise();
    FUZZ_CHECK(document.Serialise() == text, "serialising twice gives the same bytes");

    FUZZ_CHECK(text == quorvane_fuzz::UnchangedProfileText(bytes),
               "an unchanged document serialises to its text as UTF-8");

    IniDocument reparsed = IniDocument::Parse(text);
    FUZZ_CHECK(reparsed.Serialise() == text, "a serialised document reads back to the same bytes");

    Model model = ModelOf(text);
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    CollectNames(bytes, model, sections, keys);
    CheckReads(document, model, sections, keys);
    if (text != bytes)
        CheckReads(reparsed, model, sections, keys);

    // Writes and erases, chosen by the same bytes, on the document whose key indexes the reads
    // above have built.
    FuzzedDataProvider provider(data, size);
    const int operations = provider.ConsumeIntegralInRange(0, 12);
    for (int op = 0; op < operations && provider.remaining_bytes() > 0; ++op) {
        const std::string section = PickName(provider, sections);
        const std::string key = PickName(provider, keys);
        switch (provider.ConsumeIntegralInRange(0, 7)) {
        case 0:
        case 1:
        case 2: {
            const bool append = provider.ConsumeBool();
            const bool integer = provider.ConsumeBool();
            const std::int32_t number = provider.ConsumeIntegral<std::int32_t>();
            const std::string value =
                integer ? std::to_string(number) : provider.ConsumeRandomLengthString(24);
            const std::string before = document.Serialise();
            try {
                bool changed = true;
                if (append && integer)
                    document.AppendInteger(section, key, number);
                else if (append)
                    document.AppendString(section, key, value);
                else if (integer)
                    changed = document.WriteInteger(section, key, number);
                else
                    changed = document.WriteString(section, key, value);
                FUZZ_CHECK(UsableKey(GivenName(key)), "an unusable key name is refused");
                FUZZ_CHECK(changed == (document.Serialise() != before),
                           "a write changes the file exactly when it says so");
                ModelWrite(model, GivenName(section), GivenName(key), OneLine(value), append);
                FUZZ_CHECK(
                    document.Value(section, key) ==
                        (append ? KeyValue(*FindSection(model, GivenName(section)), GivenName(key))
                                : std::optional<std::string>(OneLine(value))),
                    "a written value reads back");
            } catch (const std::invalid_argument&) {
                FUZZ_CHECK(!UsableKey(GivenName(key)), "a usable key name is written");
                FUZZ_CHECK(document.Serialise() == before, "a refused write changes nothing");
            }
            CheckChange(document, model, {section}, {key});
            break;
        }
        case 3: {
            Section* first = FindSection(model, GivenName(section));
            const bool had = first != nullptr;
            if (had)
                model.erase(model.begin() + (first - model.data()));
            FUZZ_CHECK(document.EraseSection(section) == had, "EraseSection tells what it did");
            CheckChange(document, model, {section}, keys);
            break;
        }
        case 4: {
            std::size_t count = 0;
            for (std::size_t i = model.size(); i-- > 0;) {
                if (SameName(model[i].name, GivenName(section))) {
                    model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
                    ++count;
                }
            }
            FUZZ_CHECK(document.EraseSections(section) == count, "EraseSections counts");
            CheckChange(document, model, {section}, keys);
            break;
        }
        case 5: {
            // Copies build their own indexes; the original goes on unchanged.
            IniDocument copy(document);
            CheckReads(copy, model, {section}, {key});
            IniDocument assigned;
            assigned = copy;
            document = std::move(assigned);
            CheckChange(document, model, {section}, {key});
            break;
        }
        case 6: {
            IniDocument taken = std::move(document);
            FUZZ_CHECK(!document.HasSection(section) && !document.Value(section, key),
                       "a moved-from document is empty");
            document = std::move(taken);
            CheckChange(document, model, {section}, {key});
            break;
        }
        default:
            document = IniDocument::Parse(document.Serialise());
            CheckChange(document, model, {section}, {key});
            break;
        }
    }

    // The end result reads the same in full, serialises stably and survives a round trip.
    CheckReads(document, model, sections, keys);
    const std::string written = document.Serialise();
    FUZZ_CHECK(document.Serialise() == written, "serialising twice gives the same bytes");
    const IniDocument again = IniDocument::Parse(written);
    FUZZ_CHECK(again.Serialise() == written, "a written document reads back to the same bytes");
    CheckReads(again, model, sections, keys);
    return 0;
}
