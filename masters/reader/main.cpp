// quillon-mdbread: prints a table of an Access (Jet 3 / Jet 4) file for Quillon, which runs it
// as a child process (see MdbRead.h for the output).
//
//   quillon-mdbread FILE TABLE [COLUMN...]   the asked columns of every row of TABLE
//   quillon-mdbread --tables FILE            every table with its columns
#include "masters/reader/MdbRead.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "--tables") == 0 && argc != 3)) {
        std::fputs("usage: quillon-mdbread FILE TABLE [COLUMN...]\n"
                   "       quillon-mdbread --tables FILE\n",
                   stderr);
        return mdbread::Usage;
    }
    // libmdb prints some of its warnings on stdout. The rows go to a descriptor of their own
    // and whatever else is printed on stdout ends up with the warnings on stderr.
    const int rowsFd = ::dup(STDOUT_FILENO);
    std::FILE *out = rowsFd < 0 ? nullptr : ::fdopen(rowsFd, "w");
    if (!out || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::perror("quillon-mdbread");
        return mdbread::Unreadable;
    }
    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);

    mdbread::Result result;
    if (std::strcmp(argv[1], "--tables") == 0)
        result = mdbread::listTables(argv[2], out);
    else
        result = mdbread::readTable(argv[1], argv[2], std::vector<std::string>(argv + 3, argv + argc), out);
    if (std::fclose(out) != 0 && result == mdbread::Done)
        result = mdbread::Unreadable;
    return result;
}
