#include "data/SchemaFiles.h"

#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QUuid>

// The schema files are compiled into this static library; its resources are only linked
// in when something refers to them, hence the explicit registration.
static void registerSchemaResource()
{
    Q_INIT_RESOURCE(schema);
}

namespace schema {

namespace {

// Splits a schema file into statements at the semicolons outside quotes and comments;
// comments are dropped, so no statement is made of comments alone.
QStringList splitStatements(const QString &sql)
{
    QStringList statements;
    QString current;
    enum class State { Plain, SingleQuote, DoubleQuote, LineComment, BlockComment } state = State::Plain;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        switch (state) {
        case State::Plain:
            if (c == u'-' && next == u'-') {
                state = State::LineComment;
                ++i;
                continue;
            }
            if (c == u'/' && next == u'*') {
                state = State::BlockComment;
                ++i;
                continue;
            }
            if (c == u';') {
                if (!current.trimmed().isEmpty())
                    statements << current.trimmed();
                current.clear();
                continue;
            }
            if (c == u'\'')
                state = State::SingleQuote;
            else if (c == u'"')
                state = State::DoubleQuote;
            break;
        case State::SingleQuote: // a doubled quote leaves and re-enters: same text
            if (c == u'\'')
                state = State::Plain;
            break;
        case State::DoubleQuote:
            if (c == u'"')
                state = State::Plain;
            break;
        case State::LineComment:
            if (c == u'\n') {
                state = State::Plain;
                break; // keep the line break
            }
            continue;
        case State::BlockComment:
            if (c == u'*' && next == u'/') {
                state = State::Plain;
                ++i;
                current += u' ';
            }
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

} // namespace

QStringList schemaStatements(const QString &resource, QString *error)
{
    static const bool registered = (registerSchemaResource(), true);
    Q_UNUSED(registered);
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the schema %1 is missing from the program").arg(resource);
        return {};
    }
    const QStringList statements = splitStatements(QString::fromUtf8(file.readAll()));
    if (statements.isEmpty())
        *error = QStringLiteral("the schema %1 holds no statement").arg(resource);
    return statements;
}

namespace {

// "table" and "table.column" for every table of database.
QSet<QString> tablesAndColumns(const QSqlDatabase &database, bool *read)
{
    QSet<QString> names;
    QSqlQuery q(database);
    *read = q.exec(QStringLiteral("SELECT m.name, c.name FROM sqlite_schema AS m, pragma_table_info(m.name) AS c "
                                  "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite_%'"));
    while (*read && q.next())
        names << q.value(0).toString() << q.value(0).toString() + u'.' + q.value(1).toString();
    return names;
}

} // namespace

QStringList missingFromSchema(const QSqlDatabase &database, const QString &resource, QString *error)
{
    const QStringList statements = schemaStatements(resource, error);
    if (!error->isEmpty())
        return {};
    const QString name = QStringLiteral("quillon-schema:") + QUuid::createUuid().toString();
    QSet<QString> expected;
    bool read = false;
    {
        QSqlDatabase empty = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        empty.setDatabaseName(QStringLiteral(":memory:"));
        read = empty.open();
        for (const QString &statement : statements)
            read = read && QSqlQuery(empty).exec(statement);
        if (read)
            expected = tablesAndColumns(empty, &read);
        empty.close();
    }
    QSqlDatabase::removeDatabase(name);
    bool readActual = false;
    const QSet<QString> actual = read ? tablesAndColumns(database, &readActual) : QSet<QString>();
    if (!read || !readActual) {
        *error = QStringLiteral("the tables of %1 could not be compared with %2").arg(database.databaseName(), resource);
        return {};
    }
    QStringList missing = (expected - actual).values();
    missing.sort();
    return missing;
}

} // namespace schema
