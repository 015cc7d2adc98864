#include "app/CommandLine.h"

#include <QCoreApplication>

namespace kestova {

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return 2;
}

} // namespace kestova
