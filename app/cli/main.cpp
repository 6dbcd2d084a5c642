// ksr704-cli: the KSR-704's presets listed, backed up and restored from the
// command line.

#include "core/EventDispatcher.h"
#include "librarian/CliOptions.h"
#include "librarian/CliProgress.h"
#include "librarian/CliSeams.h"
#include "librarian/Librarian.h"

#include <QCoreApplication>

#include <cstdio>
#include <variant>

int main(int argc, char *argv[])
{
    ksr::UseQtEventDispatcher();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ksr704-cli"));

    const auto parsed = ksr::ParseCliOptions(QCoreApplication::arguments());
    if (const auto *text = std::get_if<ksr::CommandLineText>(&parsed)) {
        std::fputs(text->text.toLocal8Bit().constData(), stdout);
        return ksr::ExitOk;
    }
    if (const auto *refusal = std::get_if<ksr::CommandLineRefusal>(&parsed)) {
        ksr::PrintError(refusal->message);
        return ksr::ExitRefused;
    }
    const auto &options = std::get<ksr::CliOptions>(parsed);
    ksr::CliProgress progress(ksr::CliProgress::StyleFor(options.quiet));
    ksr::Librarian librarian(options, progress);
    return librarian.Run();
}
