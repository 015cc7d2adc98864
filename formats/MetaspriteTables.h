#pragma once

#include "core/Metasprite.h"

#include <string>
#include <vector>

namespace mosavo {

// The metasprites of a table file, in file order, each named as the file names it (a C array or a ca65 label; a
// binary file names none, so its reader names them). tableName is the name of the address table that lists them
// (a C pointer array or a ca65 .word table), or empty when the file has none.
struct MetaspriteTables
{
    std::vector<Metasprite> metasprites;
    std::string tableName;
};

} // namespace mosavo
