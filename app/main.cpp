#include "app/CommandLine.h"

int main(int argc, char *argv[])
{
    return kestova::runCommandLine(argc, argv);
}
