// Opening an Access file with libmdb and printing a table or the list of tables. libmdb trusts
// the file: a damaged one can make it read past the end, crash or loop, so the file's header
// and size are checked before it is opened, and what libmdb reports is checked against the
// file (catalogue pages inside the file, exactly as many rows read as the table says it has).
#include "masters/reader/MdbRead.h"

#include "masters/reader/MdbValue.h"

#include <iconv.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

namespace mdbread {

namespace {

// The program reads the rows as they come; they are handed on in batches of this many.
constexpr unsigned long FlushEvery = 256;

class Printer
{
public:
    explicit Printer(std::FILE *out)
        : m_out(out)
    {
        std::fputs("quillon-mdbread 1\n", m_out);
    }

    Printer &start(const char *tag)
    {
        m_line = tag;
        return *this;
    }
    Printer &name(const char *text)
    {
        m_line += '\t';
        appendEscaped(m_line, text);
        return *this;
    }
    Printer &number(unsigned long long n)
    {
        m_line += '\t';
        m_line += std::to_string(n);
        return *this;
    }
    std::string &line() { return m_line; }
    void print()
    {
        m_line += '\n';
        std::fwrite(m_line.data(), 1, m_line.size(), m_out);
    }
    void flush() { std::fflush(m_out); }

    Result fail(const char *reason)
    {
        start("FAIL").name(reason).print();
        flush();
        return Unreadable;
    }
    Result end(unsigned long long count)
    {
        start("END").number(count).print();
        flush();
        return Done;
    }

private:
    std::FILE *m_out;
    std::string m_line;
};

struct HandleCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using Handle = std::unique_ptr<MdbHandle, HandleCloser>;
using Table = std::unique_ptr<MdbTableDef, TableFreer>;

// The pages of a Jet 3 or Jet 4 file, from its header and size; 0 for anything else. The same
// test as the program's own before it starts this reader, repeated for whoever runs it by hand.
unsigned long long pagesOf(const char *path)
{
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return 0;
    unsigned char head[0x15];
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    static const unsigned char magic[]
        = { 0, 1, 0, 0, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't', ' ', 'D', 'B', 0 };
    if (got != sizeof head || std::memcmp(head, magic, sizeof magic) != 0 || head[0x14] > 1)
        return 0;
    const unsigned long long pageSize = head[0x14] == 0 ? 2048 : 4096;
    const unsigned long long size = static_cast<unsigned long long>(st.st_size);
    // Page 0 is the header, the catalogue's table starts on page 2.
    if (size % pageSize != 0 || size / pageSize < 3)
        return 0;
    return size / pageSize;
}

// Jet 3 text is in the code page of the Windows that wrote it; for this program's users that
// is 932. libmdb's own Shift_JIS converter lacks the characters Windows added to it (㈱, ①,
// 髙 ...) and loses step after them, so the handle gets CP932 converters.
bool useCodePage932(MdbHandle *mdb)
{
    if (mdb->f->jet_version != MDB_VER_JET3)
        return true;
    iconv_t in = iconv_open("UTF-8", "CP932");
    iconv_t out = iconv_open("CP932", "UTF-8");
    if (in == (iconv_t)-1 || out == (iconv_t)-1) {
        if (in != (iconv_t)-1)
            iconv_close(in);
        if (out != (iconv_t)-1)
            iconv_close(out);
        return false;
    }
    if (mdb->iconv_in != (iconv_t)-1)
        iconv_close(mdb->iconv_in);
    if (mdb->iconv_out != (iconv_t)-1)
        iconv_close(mdb->iconv_out);
    mdb->iconv_in = in;
    mdb->iconv_out = out;
    return true;
}

// Opens the file and reads its catalogue of tables; reason says why not.
Handle openCatalogue(const char *path, const char *&reason)
{
    const unsigned long long pages = pagesOf(path);
    if (pages == 0) {
        reason = "not-jet";
        return nullptr;
    }
    Handle mdb(mdb_open(path, MDB_NOFLAGS));
    if (!mdb) {
        reason = "open";
        return nullptr;
    }
    if (!useCodePage932(mdb.get())) {
        reason = "charset";
        return nullptr;
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        reason = "catalog";
        return nullptr;
    }
    // A file cut short still gives a catalogue, with fewer tables or none: every file has the
    // system table of its objects, and every table's definition lies inside the file.
    bool objects = false;
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        const auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->table_pg >= pages) {
            reason = "catalog";
            return nullptr;
        }
        if (entry->object_type == MDB_TABLE && std::strcmp(entry->object_name, "MSysObjects") == 0)
            objects = true;
    }
    if (!objects) {
        reason = "catalog";
        return nullptr;
    }
    return mdb;
}

// Access compares names without regard to case; an exact match wins.
template<typename T, typename NameOf> T *findByName(GPtrArray *items, const std::string &name, NameOf nameOf)
{
    T *loose = nullptr;
    for (unsigned i = 0; i < items->len; ++i) {
        auto *item = static_cast<T *>(g_ptr_array_index(items, i));
        if (!item)
            continue;
        if (std::strcmp(nameOf(item), name.c_str()) == 0)
            return item;
        if (!loose && g_ascii_strcasecmp(nameOf(item), name.c_str()) == 0)
            loose = item;
    }
    return loose;
}

Table readDefinition(MdbCatalogEntry *entry)
{
    Table table(mdb_read_table(entry));
    if (table && !mdb_read_columns(table.get()))
        table.reset();
    return table;
}

MdbColumn *columnAt(MdbTableDef *table, unsigned i)
{
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
}

} // namespace

Result readTable(const char *path, const std::string &tableName, const std::vector<std::string> &columns,
                 std::FILE *out)
{
    Printer printer(out);
    const char *reason = "";
    Handle mdb = openCatalogue(path, reason);
    if (!mdb)
        return printer.fail(reason);

    auto *entry = findByName<MdbCatalogEntry>(mdb->catalog, tableName,
                                              [](MdbCatalogEntry *e) { return e->object_name; });
    if (entry && entry->object_type != MDB_TABLE)
        entry = nullptr;
    if (!entry) {
        printer.start("NOTABLE").name(tableName.c_str()).print();
        return printer.end(0);
    }
    Table table = readDefinition(entry);
    if (!table)
        return printer.fail("table");
    printer.start("TABLE").name(table->name).number(table->num_rows).print();

    std::vector<const MdbColumn *> asked;
    for (const std::string &name : columns) {
        const MdbColumn *col
            = findByName<MdbColumn>(table->columns, name, [](MdbColumn *c) { return c->name; });
        asked.push_back(col);
        if (col)
            printer.start("COLUMN").name(col->name).name(typeName(col->col_type)).print();
        else
            printer.start("MISSING").name(name.c_str()).print();
    }
    printer.flush();

    mdb_rewind_table(table.get());
    unsigned long long rows = 0;
    while (mdb_fetch_row(table.get())) {
        // More rows than the table says it has: its pages are damaged, and may lead round and round.
        if (rows == table->num_rows)
            return printer.fail("rows");
        std::string &line = printer.start("ROW").line();
        for (const MdbColumn *col : asked) {
            line += '\t';
            if (!col)
                line += 'N';
            else if (!appendValue(line, mdb.get(), col))
                return printer.fail("value");
        }
        printer.print();
        if (++rows % FlushEvery == 0)
            printer.flush();
    }
    // A data page past the end or broken reads as the end of the table.
    if (rows < table->num_rows)
        return printer.fail("rows");
    return printer.end(rows);
}

Result listTables(const char *path, std::FILE *out, std::vector<TableInfo> *tables)
{
    Printer printer(out);
    const char *reason = "";
    Handle mdb = openCatalogue(path, reason);
    if (!mdb)
        return printer.fail(reason);

    unsigned long long count = 0;
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        Table table = readDefinition(entry);
        if (!table)
            return printer.fail("table");
        printer.start("TABLE").name(table->name).number(table->num_rows).print();
        TableInfo info { table->name, {} };
        for (unsigned c = 0; c < table->columns->len; ++c) {
            const MdbColumn *col = columnAt(table.get(), c);
            printer.start("COLUMN").name(col->name).name(typeName(col->col_type)).print();
            info.columns.push_back(col->name);
        }
        if (tables)
            tables->push_back(std::move(info));
        ++count;
    }
    return printer.end(count);
}

} // namespace mdbread
