// quorvane-gen: writes the menu code of a saved design, as Get Code gives it after opening that
// design, so a site's build can regenerate its menu. Linked to the core only.

#include "ImportCommand.h"

#include "core/codegen/DataFiles.h"
#include "core/codegen/Template.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitFailure = 2;

constexpr std::string_view kUsage =
    "Usage: quorvane-gen DESIGN.mnu [--template FILE] [--preview] [-o OUT]\n"
    "\n"
    "Writes the menu code of the design DESIGN.mnu, as Get Code gives it, to OUT or to the\n"
    "standard output.\n"
    "\n"
    "  --template FILE  the template to fill (default: dhtml.dat beside this program,\n"
    "                   else in ../share/quorvane/ relative to it)\n"
    "  --preview        write the preview page (the code inside a minimal HTML page)\n"
    "  -o OUT           the file to write; '-' or no -o writes to the standard output.\n"
    "                   OUT is replaced whole or left as it was.\n"
    "  -h, --help       show this text\n"
    "\n"
    "The code is made exactly as the designer's Get Code and Preview make it.\n"
    "\n"
    "Exit status: 0 on success, 2 when an argument is wrong, a file cannot be read or\n"
    "written, or the design would make more code than can be made.\n";

struct Options
{
    std::string design;
    std::optional<std::string> templatePath;
    bool preview = false;
    std::string output = "-";
    bool help = false;
};

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

Options ParseArguments(const std::vector<std::string_view>& args)
{
    Options options;
    bool haveDesign = false;
    bool haveOutput = false;
    bool optionsEnded = false;
    const auto valueOf = [&](std::size_t& i, std::string_view name) {
        if (i + 1 >= args.size())
            throw UsageError("option " + std::string(name) + " needs a value");
        return std::string(args[++i]);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "-h" || arg == "--help") {
                options.help = true;
            } else if (arg == "--preview") {
                options.preview = true;
            } else if (arg == "--template" || arg.starts_with("--template=")) {
                if (options.templatePath)
                    throw UsageError("--template given twice");
                options.templatePath =
                    arg == "--template" ? valueOf(i, arg) : std::string(arg.substr(11));
            } else if (arg == "-o" || arg == "--output" || arg.starts_with("--output=")) {
                if (haveOutput)
                    throw UsageError("-o given twice");
                options.output =
                    arg.starts_with("--output=") ? std::string(arg.substr(9)) : valueOf(i, arg);
                haveOutput = true;
            } else {
                throw UsageError("unknown option " + std::string(arg));
            }
            continue;
        }
        if (haveDesign)
            throw UsageError("more than one design file given");
        options.design = std::string(arg);
        haveDesign = true;
    }
    if (!options.help && !haveDesign)
        throw UsageError("no design file given");
    if (!options.help && (options.design.empty() || options.output.empty() ||
                          (options.templatePath && options.templatePath->empty())))
        throw UsageError("an empty file name was given");
    return options;
}

// The folder of this program, where the template lies.
std::string ProgramFolder(const char* argv0)
{
    std::string path(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n > 0) {
        path.resize(static_cast<std::size_t>(n));
        return qv::AppFolder(path);
    }
    return qv::AppFolder(argv0 != nullptr ? argv0 : "");
}

void WriteStandardOutput(std::string_view text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw qv::FileError("Unable to write to the standard output");
        }
        written += static_cast<std::size_t>(n);
    }
}

// Whether anything is at the path; what cannot be read there is reported when it is read.
bool NamesSomething(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

int Run(const Options& options, const char* argv0)
{
    // The window opens a missing design as an empty one; a build asking for one must fail.
    if (!NamesSomething(options.design))
        throw qv::FileError("Design file not found: " + options.design);
    const std::string templatePath = options.templatePath.value_or(
        qv::DataFilePath(ProgramFolder(argv0), qv::kTemplateFileName));

    qv::MenuTree tree;
    // What the window shows of the file's style is what Get Code then uses.
    const qv::MenuStyle style = qv::StyleAsShown(qv::ReadMenuFile(options.design, tree));
    const std::string code =
        qv::GenerateCode(templatePath, tree, style,
                         options.preview ? qv::CodeForm::PreviewPage : qv::CodeForm::Code);

    if (options.output == "-")
        WriteStandardOutput(code);
    else
        qv::WriteFileAtomically(options.output, code, qv::kUnableToWrite);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (qv::tool::IsImportCommand(args))
        return qv::tool::RunImportCommand(args);
    Options options;
    try {
        options = ParseArguments(args);
    } catch (const UsageError& e) {
        std::cerr << "quorvane-gen: " << e.what() << "\n"
                  << "Try 'quorvane-gen --help' for more information.\n";
        return kExitFailure;
    }
    if (options.help) {
        std::cout << kUsage << "\n" << qv::tool::kImportUsage;
        return std::cout.flush() ? 0 : kExitFailure;
    }
    try {
        return Run(options, argc > 0 ? argv[0] : nullptr);
    } catch (const qv::TemplateNotFound& e) {
        std::cerr << "quorvane-gen: Data File not found: " << e.Path() << "\n";
        return kExitFailure;
    } catch (const qv::CodeTooLarge& e) {
        // The window's message, its paragraphs on one line each.
        std::string text = e.what();
        for (std::size_t at = text.find("\n\n"); at != std::string::npos; at = text.find("\n\n"))
            text.replace(at, 2, "\n");
        std::cerr << "quorvane-gen: " << text << "\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "quorvane-gen: " << e.what() << "\n";
        return kExitFailure;
    }
}
