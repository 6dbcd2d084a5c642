#include "librarian/CliSeams.h"

#include <cstdio>

namespace ksr {

void PrintError(const QString &text)
{
    std::fprintf(stderr, "ksr704-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
}

MessageAnswer CliDialogs::ShowMessage(const MessageRequest &request)
{
    PrintError(request.text);
    return request.defaultAnswer;
}

} // namespace ksr
