#pragma once
// One value of a row as quillon-mdbread prints it (see MdbRead.h for the letters).
#include <glib.h> // first: mdbtools.h includes it inside extern "C", which C++ does not take
#include <mdbtools.h>

#include <string>

namespace mdbread {

// Appends text with backslash, tab, line feed and carriage return escaped.
void appendEscaped(std::string &line, const char *text);

// Appends the current row's value of col (after mdb_fetch_row). False when the value does not
// lie inside its page or has the wrong size for its type: the row is damaged.
bool appendValue(std::string &line, MdbHandle *mdb, const MdbColumn *col);

// A short name of a column type for the COLUMN line ("text", "long", ...).
const char *typeName(int colType);

// An Access date (days since 1899-12-30, the time of day as the fraction) as D or S text;
// false for a value outside the years 100 to 9999.
bool appendDate(std::string &line, double value);

} // namespace mdbread
