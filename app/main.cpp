#include "app/cli/CommandLine.h"
#include "app/window/Application.h"

#include <QLoggingCategory>
#include <QStringList>

int main(int argc, char *argv[])
{
    // Debug and info lines of the library ("mosavo") and of the application ("Kestova") stay off standard error;
    // rules given in QT_LOGGING_RULES are applied after these, so they can still ask for them.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nmosavo.info=false\nKestova.info=false"));

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Batch options run without a window (and without a display); anything else starts the editor.
    if (const auto status = kestova::runBatch(arguments))
        return *status;
    return kestova::runApplication(argc, argv);
}
