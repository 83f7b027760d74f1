// Profile documents read as the program reads them: parsed from a file's bytes (in place when
// they are plain ASCII), the key lines of the sections named in the text walked, the names found
// looked up, and the unchanged document serialised. Only properties that cost no more than the
// reading are checked; the differential target holds every read against a plain reader.

#include "FuzzCheck.h"
#include "ProfileText.h"
#include "SmallStack.h"

#include "core/support/Ini_Unit.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::size_t kMaxSections = 6;
constexpr std::size_t kMaxKeys = 6;

// Names to look up, taken from the raw bytes without the reader's rules (so also names the
// reader spells otherwise): what stands between a '[' and the next ']' or line end, and what
// stands before the '=' of a line; and the names the program itself reads.
void CollectNames(std::string_view bytes, std::vector<std::string_view>& sections,
                  std::vector<std::string_view>& keys)
{
    for (const char* name : {"Prompts", "Menus"})
        sections.emplace_back(name);
    for (const char* name : {"QuorvaneNote", "MenuCount"})
        keys.emplace_back(name);
    std::size_t i = 0;
    while (i < bytes.size() && (sections.size() < kMaxSections || keys.size() < kMaxKeys)) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = bytes.substr(i, end - i);
        i = end + 1;
        if (const std::size_t open = line.find('['); open != std::string_view::npos) {
            if (sections.size() < kMaxSections)
                sections.push_back(line.substr(open + 1, line.find(']', open) - open - 1));
        } else if (const std::size_t equals = line.find('=');
                   equals != std::string_view::npos && keys.size() < kMaxKeys) {
            keys.push_back(line.substr(0, equals));
        }
    }
}

std::string Folded(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void Read(std::string_view bytes)
{
    const qv::IniDocument document = qv::IniDocument::Parse(std::string(bytes));

    std::vector<std::string_view> sections;
    std::vector<std::string_view> keys;
    CollectNames(bytes, sections, keys);
    std::unordered_set<std::string> seen;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const std::string_view section = sections[s];
        const bool has = document.HasSection(section);
        // Every key line of the section is visited; the first of each name is what Value finds.
        seen.clear();
        bool any = false;
        for (auto lines = document.Keys(section); lines.Next();) {
            any = true;
            if (!seen.insert(Folded(lines.Name())).second)
                continue;
            const std::optional<std::string> value = document.Value(section, lines.Name());
            FUZZ_CHECK(value.has_value() == lines.Value().has_value() &&
                           (!value || *value == *lines.Value()),
                       "the first key line of a name is the one read");
        }
        FUZZ_CHECK(has || !any, "a missing section has no keys");
        // Each name given once, by one of the three ways of reading.
        for (std::size_t k = 0; k < keys.size(); ++k) {
            switch ((k + s) % 3) {
            case 0:
                FUZZ_CHECK(has || !document.Value(section, keys[k]),
                           "a missing section has no values");
                break;
            case 1:
                (void)document.ReadString(section, keys[k], "");
                break;
            default:
                (void)document.ReadInteger(section, keys[k], -1);
                break;
            }
        }
    }

    FUZZ_CHECK(document.Serialise() == quorvane_fuzz::UnchangedProfileText(bytes),
               "an unchanged document gives its text back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] { Read(std::string_view(reinterpret_cast<const char*>(data), size)); };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
