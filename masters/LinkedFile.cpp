// Reading a table of a linked file: the kind decides the way; SQLite files are read here, on a
// read-only connection of their own that is closed again before the read returns.
#include "masters/LinkedFile.h"

#include "app/SqliteFile.h"

#include <QAtomicInteger>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

Q_LOGGING_CATEGORY(lcLinkSqlite, "quillon.linkfile")

namespace linkfile {

namespace {

constexpr int ProgressEvery = 500;

QString quotedName(const QString &name)
{
    QString out = name;
    return u'"' + out.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

ReadOutcome failed(const QString &problem)
{
    ReadOutcome out;
    out.status = ReadStatus::Failed;
    out.problem = problem;
    return out;
}

const QString UnreadableSqlite = QStringLiteral("ファイルを読めませんでした。壊れているか、ほかのプログラムが使用中の可能性があります。");

ReadOutcome readOpenSqlite(QSqlDatabase &database, const QString &table, const QStringList &columns,
                           const Progress &progress)
{
    ReadOutcome out;
    QSqlQuery q(database);
    if (!q.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?"))) {
        qCWarning(lcLinkSqlite).noquote() << "catalogue not read:" << q.lastError().text();
        return failed(UnreadableSqlite);
    }
    q.addBindValue(table);
    if (!q.exec()) {
        qCWarning(lcLinkSqlite).noquote() << "catalogue not read:" << q.lastError().text();
        return failed(UnreadableSqlite);
    }
    out.status = ReadStatus::Read;
    out.data.tableFound = q.next();
    q.finish();
    if (!out.data.tableFound)
        return out;

    // The table's own columns, compared by name without regard to case, as the file's
    // engine does.
    const QSqlRecord record = database.record(table);
    QStringList selected;
    QList<int> positionOf; // for each asked column: its place in the select, or -1
    for (const QString &column : columns) {
        int found = -1;
        for (int i = 0; i < record.count(); ++i) {
            if (record.fieldName(i).compare(column, Qt::CaseInsensitive) == 0)
                found = i;
        }
        if (found < 0) {
            out.data.missingColumns << column;
            positionOf << -1;
        } else {
            positionOf << selected.size();
            selected << quotedName(record.fieldName(found));
        }
    }

    qint64 total = 0;
    if (q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(table))) && q.next())
        total = q.value(0).toLongLong();
    q.finish();
    if (progress && !progress(0, total)) {
        out.status = ReadStatus::Cancelled;
        return out;
    }

    q.setForwardOnly(true);
    const QString list = selected.isEmpty() ? QStringLiteral("NULL") : selected.join(u',');
    if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(list, quotedName(table)))
        && !q.exec(QStringLiteral("SELECT %1 FROM %2").arg(list, quotedName(table)))) {
        qCWarning(lcLinkSqlite).noquote() << "table" << table << "not read:" << q.lastError().text();
        return failed(UnreadableSqlite);
    }
    while (q.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int position : std::as_const(positionOf))
            row << (position < 0 ? QVariant() : q.value(position));
        out.data.rows << row;
        if (progress && out.data.rows.size() % ProgressEvery == 0 && !progress(out.data.rows.size(), total)) {
            out.status = ReadStatus::Cancelled;
            out.data.rows.clear();
            return out;
        }
    }
    if (q.lastError().isValid()) {
        qCWarning(lcLinkSqlite).noquote() << "table" << table << "read halfway:" << q.lastError().text();
        return failed(UnreadableSqlite);
    }
    if (progress)
        progress(out.data.rows.size(), total);
    return out;
}

ReadOutcome readSqliteTable(const QString &path, const QString &table, const QStringList &columns,
                            const Progress &progress)
{
    static QAtomicInteger<int> serial;
    const QString name = QStringLiteral("quillon-link-%1").arg(serial.fetchAndAddRelaxed(1));
    ReadOutcome out;
    {
        // The file of another program is never written.
        QSqlDatabase database = db::addSqliteConnection(name, path, db::OpenMode::ReadOnly, 2000);
        if (!database.open()) {
            qCWarning(lcLinkSqlite).noquote() << "cannot open" << path << database.lastError().text();
            out = failed(UnreadableSqlite);
        } else {
            out = readOpenSqlite(database, table, columns, progress);
            database.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

} // namespace

ReadOutcome readTable(const QString &path, const QString &table, const QStringList &columns, const Progress &progress)
{
    const Kind kind = kindOf(path);
    switch (kind) {
    case Kind::SQLite:
        return readSqliteTable(path, table, columns, progress);
    case Kind::Jet3:
    case Kind::Jet4:
        return readJetTable(path, kind, table, columns, progress);
    case Kind::Missing:
    case Kind::Folder:
    case Kind::Empty:
    case Kind::Ace:
    case Kind::Unknown:
        break;
    }
    return failed(problemOf(kind));
}

} // namespace linkfile
