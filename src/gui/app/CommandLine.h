#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qv {

// What the program was asked to do on its command line: `quorvane [DESIGN.mnu]`.
struct CommandLine
{
    // The design to open at start, as an absolute path; empty for none.
    QString designFile;
    // Set when the program ends at once (help, version, a wrong argument): its exit code, and
    // the text for the standard output (code 0) or the standard error.
    std::optional<int> exitCode;
    QString text;
};

// Reads the arguments left after the toolkit took its own (QCoreApplication::arguments(), the
// program's name first). A relative design path is taken from the current folder.
CommandLine ParseCommandLine(const QStringList& arguments);

} // namespace qv
