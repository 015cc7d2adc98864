#include "app/Application.h"
#include "app/cli/CommandLine.h"

#include <QStringList>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Batch options run without a window (and without a display); anything else starts the editor.
    if (const auto status = kestova::runBatch(arguments))
        return *status;
    return kestova::runApplication(argc, argv);
}
