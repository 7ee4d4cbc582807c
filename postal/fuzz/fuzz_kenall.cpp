// libFuzzer target of the postal-code source parser: any bytes give either rows that the
// dictionary can hold or a message, never both, never neither, and never a crash or a hang.
#include "postal/KenAllClean.h"
#include "postal/KenAllSource.h"

#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *why)
{
    std::fprintf(stderr, "malformed parser result: %s\n", why);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const yubin::KenAllSource source = yubin::readKenAllBytes(bytes, QStringLiteral("fuzz.csv"));
    if (source.error.isEmpty() == source.rows.empty())
        fail("rows and a message, or neither");
    if (!source.error.isEmpty() && !source.error.startsWith(QStringLiteral("fuzz.csv")))
        fail("a message that does not name the file");
    for (const yubin::KenAllRow &row : source.rows) {
        if (row.code.size() != 7 || row.pref.isEmpty() || row.city.isEmpty() || row.line <= 0)
            fail("a row the dictionary cannot hold");
    }
    const std::vector<yubin::KenAllRow> clean = yubin::cleanKenAll(source.rows);
    if (clean.size() > source.rows.size() || (clean.empty() != source.rows.empty()))
        fail("cleaning lost or made rows");
    return 0;
}
