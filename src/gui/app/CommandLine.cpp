#include "gui/app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace qv {

namespace {

constexpr int kUsageError = 2;

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Designs drop-down navigation menus for web pages."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("design"),
                                 QStringLiteral("A menu design (.mnu) to open at start."),
                                 QStringLiteral("[design]"));

    CommandLine result;
    const auto stop = [&](int code, const QString& text) {
        result.exitCode = code;
        result.text = text;
        return result;
    };
    const auto usageError = [&](const QString& problem) {
        return stop(kUsageError, problem + QStringLiteral("\n\n") + parser.helpText());
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return stop(0, parser.helpText());
    if (parser.isSet(version))
        return stop(0, QCoreApplication::applicationName() + QLatin1Char(' ') +
                           QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    const QStringList designs = parser.positionalArguments();
    if (designs.size() > 1)
        return usageError(QStringLiteral("Only one design can be opened at a time."));
    if (!designs.isEmpty()) {
        if (designs.constFirst().isEmpty())
            return usageError(QStringLiteral("An empty file name was given."));
        result.designFile = QFileInfo(designs.constFirst()).absoluteFilePath();
    }
    return result;
}

} // namespace qv
