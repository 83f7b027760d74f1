// quorvane-gen --import: a new design from a site's navigation, or the list of what a page or a
// sitemap offers.

#include "ImportCommand.h"

#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/site/SiteImport.h"

#include <charconv>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace qv::tool {

namespace {

constexpr int kExitFailure = 2;

struct ImportArguments
{
    std::string source;
    std::optional<std::size_t> pick; // 1 for the first candidate
    bool list = false;
    bool yes = false;
    std::string output;
};

class ImportUsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

ImportArguments ParseImportArguments(const std::vector<std::string_view>& args)
{
    ImportArguments parsed;
    bool haveSource = false;
    const auto valueOf = [&](std::size_t& i, std::string_view name) {
        if (i + 1 >= args.size())
            throw ImportUsageError("option " + std::string(name) + " needs a value");
        return std::string(args[++i]);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--import") {
            if (haveSource)
                throw ImportUsageError("--import given twice");
            parsed.source = valueOf(i, arg);
            haveSource = true;
        } else if (arg == "--pick") {
            const std::string value = valueOf(i, arg);
            std::size_t number = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (error != std::errc() || end != value.data() + value.size() || number == 0)
                throw ImportUsageError("--pick needs the number of a candidate (1, 2, ...)");
            parsed.pick = number;
        } else if (arg == "--list") {
            parsed.list = true;
        } else if (arg == "--yes") {
            parsed.yes = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!parsed.output.empty())
                throw ImportUsageError("-o given twice");
            parsed.output = valueOf(i, arg);
        } else {
            throw ImportUsageError("unknown argument for --import: " + std::string(arg));
        }
    }
    if (parsed.source.empty())
        throw ImportUsageError("--import needs a file or an address");
    if (!parsed.list && parsed.output.empty())
        throw ImportUsageError("--import needs -o DESIGN.mnu (or --list)");
    return parsed;
}

void PrintCandidates(const ImportOffer& offer)
{
    std::cout << offer.source << "\n";
    for (std::size_t i = 0; i < offer.candidates.size(); ++i) {
        const NavCandidate& candidate = offer.candidates[i];
        std::cout << (i == offer.preselected ? "* " : "  ") << i + 1 << ". "
                  << KindName(candidate.kind) << ": " << candidate.label << " ("
                  << candidate.linkCount << (candidate.linkCount == 1 ? " link, " : " links, ")
                  << candidate.depth << (candidate.depth == 1 ? " level)" : " levels)") << "\n";
    }
}

void PrintNotes(const ImportOffer& offer, const NavCandidate& chosen)
{
    for (const std::string& note : offer.notes)
        std::cerr << "quorvane-gen: " << note << "\n";
    if (chosen.scriptLinks.empty())
        return;
    std::cerr << "quorvane-gen: left out " << chosen.scriptLinks.size()
              << (chosen.scriptLinks.size() == 1 ? " link that runs" : " links that run")
              << " a script:";
    for (std::size_t i = 0; i < chosen.scriptLinks.size(); ++i)
        std::cerr << (i == 0 ? " " : ", ") << chosen.scriptLinks[i];
    std::cerr << "\n";
}

int RunImport(const ImportArguments& arguments)
{
    const ImportOffer offer = ReadImportSource(arguments.source);
    if (arguments.list) {
        PrintCandidates(offer);
        for (const std::string& note : offer.notes)
            std::cerr << "quorvane-gen: " << note << "\n";
        return std::cout.flush() ? 0 : kExitFailure;
    }
    const std::size_t index = arguments.pick ? *arguments.pick - 1 : offer.preselected;
    if (index >= offer.candidates.size())
        throw ImportError("There is no candidate " + std::to_string(index + 1) + ": " +
                          offer.source + " offers " + std::to_string(offer.candidates.size()) +
                          " (see --list).");
    const NavCandidate& chosen = offer.candidates[index];
    if (chosen.linkCount > kAskAboveLinks && !arguments.yes)
        throw ImportError(offer.source + " gives " + std::to_string(chosen.linkCount) +
                          " links, more than " + std::to_string(kAskAboveLinks) +
                          "; add --yes to import them all.");
    PrintNotes(offer, chosen);

    MenuTree tree;
    std::int32_t counter = 0;
    std::vector<std::unique_ptr<MenuItem>> items = MakeImportedItems(chosen.items, counter);
    CheckImportFits(tree, nullptr, items);
    for (auto& item : items)
        tree.Insert(nullptr, tree.RootCount(), std::move(item));
    // A new design has the style the designer starts with.
    WriteMenuFile(arguments.output, tree, MenuStyle{});
    return 0;
}

} // namespace

const char* const kImportUsage =
    "Usage: quorvane-gen --import SOURCE [--pick N] [--yes] -o DESIGN.mnu\n"
    "   or: quorvane-gen --import SOURCE --list\n"
    "\n"
    "With --import, writes a new design DESIGN.mnu (start-up style) whose items are a site's\n"
    "navigation, read from SOURCE: an HTML page or an XML sitemap (.xml.gz too), as a file\n"
    "or an http or https address.\n"
    "\n"
    "  --list           print what SOURCE offers (navigations, lists of links, sitemap),\n"
    "                   numbered; the one imported by default is marked with '*'\n"
    "  --pick N         import candidate N of that list instead\n"
    "  --yes            import more than 10000 links too\n";

bool IsImportCommand(const std::vector<std::string_view>& args)
{
    for (std::string_view arg : args)
        if (arg == "--import")
            return true;
    return false;
}

int RunImportCommand(const std::vector<std::string_view>& args)
{
    ImportArguments arguments;
    try {
        arguments = ParseImportArguments(args);
    } catch (const ImportUsageError& e) {
        std::cerr << "quorvane-gen: " << e.what() << "\n"
                  << "Try 'quorvane-gen --help' for more information.\n";
        return kExitFailure;
    }
    try {
        return RunImport(arguments);
    } catch (const std::exception& e) {
        std::cerr << "quorvane-gen: " << e.what() << "\n";
        return kExitFailure;
    }
}

} // namespace qv::tool
