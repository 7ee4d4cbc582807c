#pragma once
// The core of quillon-mdbread: reads a table of an Access (Jet 3 / Jet 4) file through libmdb
// and prints it in a plain line format that the program reads back from a pipe. Kept apart
// from main() so that the fuzz target runs the very same code.
//
// Output, one record a line, fields separated by tabs, UTF-8:
//   quillon-mdbread 1                 always first (the format's version)
//   TABLE <name> <rows>               the table as the file names it, with the rows it says it has:
//                                     exactly as many ROW lines follow, or FAIL
//   NOTABLE <name>                    the file has no such table (nothing follows but END)
//   COLUMN <name> <type>              an asked column the table has (in the order asked ...)
//   MISSING <name>                    ... or one it lacks
//   ROW <value>...                    one value per asked column, in the order asked
//   END <count>                       the ROW (or, when listing, TABLE) lines printed: a pipe
//                                     cut short has no END
//   FAIL <reason>                     the file could not be read; nothing printed before counts
// Listing the tables prints TABLE and COLUMN lines for every table that is not a system table.
//
// A value is one letter and its text: N (Null), T text, I whole number, F other number
// (shortest text that reads back as the same binary value), C currency or decimal (exact
// decimal text), D date (YYYY-MM-DD), S date and time (YYYY-MM-DDTHH:MM:SS), B yes/no (0/1).
// In text and names, backslash, tab, line feed and carriage return are written \\ \t \n \r.
#include <cstdio>
#include <string>
#include <vector>

namespace mdbread {

enum Result {
    Done = 0, // END was printed
    Usage = 1, // wrong arguments
    Unreadable = 2, // FAIL was printed
};

// Prints the asked columns of every row of table.
Result readTable(const char *path, const std::string &table, const std::vector<std::string> &columns,
                 std::FILE *out);

struct TableInfo
{
    std::string name;
    std::vector<std::string> columns;
};

// Prints every user table with its columns; tables receives them when given.
Result listTables(const char *path, std::FILE *out, std::vector<TableInfo> *tables = nullptr);

} // namespace mdbread
