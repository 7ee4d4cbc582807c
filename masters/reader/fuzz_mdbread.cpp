// libFuzzer entry for the reader's core, built by scripts/fuzz-reader (not by CMake). Each
// input is written to a file, since libmdb opens files by path; its tables are listed and
// each is read with all its columns, then a table and a column that are not there. Whatever
// libmdb does with the input, the output must stay in its format: one version line first,
// END or FAIL last.
#include "masters/reader/MdbRead.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_path;

void removeInput()
{
    std::remove(g_path.c_str());
}

// One version line first, END (when done) or FAIL last, every line ended, no NUL.
bool wellFormed(const std::string &output, mdbread::Result result)
{
    static const std::string version = "quillon-mdbread 1\n";
    if (output.rfind(version, 0) != 0 || output.back() != '\n' || output.find('\0') != std::string::npos)
        return false;
    const size_t last = output.rfind('\n', output.size() - 2);
    const std::string tail = output.substr(last == std::string::npos ? 0 : last + 1);
    return tail.rfind(result == mdbread::Done ? "END\t" : "FAIL\t", 0) == 0;
}

// Runs one call of the core into memory and aborts when its output is not well formed.
template<typename Call> mdbread::Result checked(Call call)
{
    char *text = nullptr;
    size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    if (!out)
        std::abort();
    const mdbread::Result result = call(out);
    std::fclose(out);
    const std::string output(text, size);
    std::free(text);
    if (!wellFormed(output, result)) {
        std::fprintf(stderr, "malformed reader output (%d):\n%s\n", int(result),
                     output.substr(0, 2000).c_str());
        std::abort();
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/fuzz-mdbread-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        std::abort();
    ::close(fd);
    g_path = name;
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(g_path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();

    std::vector<mdbread::TableInfo> tables;
    if (checked([&](std::FILE *out) { return mdbread::listTables(g_path.c_str(), out, &tables); })
        != mdbread::Done)
        return 0;
    for (const mdbread::TableInfo &table : tables)
        checked([&](std::FILE *out) {
            return mdbread::readTable(g_path.c_str(), table.name, table.columns, out);
        });
    const std::string first = tables.empty() ? std::string("Table1") : tables.front().name;
    checked([&](std::FILE *out) {
        return mdbread::readTable(g_path.c_str(), first, { "顧客名", "ID" }, out);
    });
    checked(
        [&](std::FILE *out) { return mdbread::readTable(g_path.c_str(), "顧客マスタ", { "顧客名" }, out); });
    return 0;
}
