#pragma once

namespace kestova {

// Starts the editor: the files named on the command line are opened (the first one; one document at a time), or,
// without files, the empty window is shown. Returns the exit status of the event loop.
int runApplication(int argc, char *argv[]);

} // namespace kestova
