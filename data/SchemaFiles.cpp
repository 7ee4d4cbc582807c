#include "data/SchemaFiles.h"

#include <QFile>

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

} // namespace schema
