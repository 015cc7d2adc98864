#pragma once

namespace kestova {

int runCommandLine(int argc, char *argv[]);

} // namespace kestova
