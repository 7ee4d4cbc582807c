// Reading a table of an Access file: the reader program quillon-mdbread runs as a child
// process, prints the rows on its stdout (the format is described in masters/reader/MdbRead.h)
// and is read as it goes. A damaged file can make libmdb crash or hang, which costs only the
// child: one that stays silent too long, or prints more than the file can hold, is stopped, and
// nothing of a child that did not end cleanly with its END line is taken.
#include "masters/LinkedFile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcLinkJet, "quillon.linkfile")

namespace linkfile {

namespace {

QString g_readerProgram;
int g_readerTimeLimit = 10000;

// How often the loop looks up from waiting: progress (and so a cancel) goes on while the
// reader is busy, and its warnings are taken off the pipe before they pile up.
constexpr int WaitSlice = 100;
// Of the reader's stderr (libmdb's warnings, which can run to millions of lines) the log
// keeps the beginning.
constexpr qsizetype StderrKept = 2048;

const QString NotADatabase = QStringLiteral("データベースのファイルではないか、壊れています。");
const QString NotReadToTheEnd
    = QStringLiteral("ファイルを読み終えられませんでした。壊れている可能性があります。");
const QString NoAnswer
    = QStringLiteral("ファイルを読み終えられませんでした（応答がありません）。壊れている可能性があります。");
const QString TooMuch = QStringLiteral(
    "ファイルを読み終えられませんでした（読み出しが表の大きさを超えました）。壊れている可能性があります。");
const QString NoReader
    = QStringLiteral("Access のファイルを読むプログラム（quillon-mdbread）を起動できませんでした。");

bool unescape(QByteArrayView in, QByteArray &out)
{
    out.clear();
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == in.size())
            return false;
        switch (in[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

// One typed value of a ROW line; false for anything the reader does not print.
bool decodeValue(QByteArrayView field, QVariant &value)
{
    if (field.isEmpty())
        return false;
    const QByteArrayView text = field.sliced(1);
    bool ok = true;
    switch (field[0]) {
    case 'N':
        value = QVariant();
        return text.isEmpty();
    case 'T': {
        QByteArray bytes;
        if (!unescape(text, bytes))
            return false;
        value = QString::fromUtf8(bytes);
        return true;
    }
    case 'I':
        value = text.toLongLong(&ok);
        return ok;
    case 'F':
    case 'C':
        value = text.toDouble(&ok);
        return ok;
    case 'B':
        value = qint64(text == "1");
        return text == "0" || text == "1";
    case 'D': {
        const QDate date = QDate::fromString(QLatin1StringView(text), Qt::ISODate);
        value = date;
        return date.isValid() && text.size() == 10;
    }
    case 'S': {
        const QDateTime stamp = QDateTime::fromString(QLatin1StringView(text), Qt::ISODate);
        value = stamp;
        return stamp.isValid();
    }
    default:
        return false;
    }
}

// The most a reader can print of a file of fileBytes bytes, a line and in all. Each value comes
// from bytes of its own in the file, and no value prints more than four bytes for each of its
// bytes (a single-precision number, half-width katakana in code page 932, an escaped tab);
// every row takes at least four bytes of a data page, and its tags and tabs print a few bytes
// for each column.
struct OutputLimits {
    qint64 line;
    qint64 total;
};

OutputLimits outputLimits(qint64 fileBytes, qsizetype columns)
{
    const qint64 perLine = 64 * (qint64(columns) + 1);
    return { 4 * fileBytes + perLine, (8 + qint64(columns)) * fileBytes + 4 * perLine };
}

// The reader's stdout, taken line by line as it arrives. Any line out of place, or a value
// that does not decode, makes the whole output garbage; more rows than the table declares, or
// more bytes than the limits, is too much.
class ReaderOutput
{
public:
    enum class Verdict { Fine, Garbage, TooMuch };

    ReaderOutput(qsizetype columns, OutputLimits limits)
        : m_columns(columns)
        , m_limits(limits)
    {
    }

    Verdict feed(const QByteArray &chunk, const QStringList &asked)
    {
        m_bytes += chunk.size();
        // Only the new bytes are searched: what was pending holds no line end.
        qsizetype search = m_pending.size();
        m_pending += chunk;
        qsizetype from = 0;
        for (qsizetype end; (end = m_pending.indexOf('\n', search)) >= 0; from = search = end + 1) {
            if (end - from > m_limits.line)
                return tooMuch();
            if (!takeLine(QByteArrayView(m_pending).sliced(from, end - from), asked)) {
                if (m_stage == Stage::TooMuch)
                    return Verdict::TooMuch;
                m_stage = Stage::Garbage;
                return Verdict::Garbage;
            }
        }
        m_pending.remove(0, from);
        if (m_pending.size() > m_limits.line || m_bytes > m_limits.total)
            return tooMuch();
        return Verdict::Fine;
    }

    bool complete() const { return m_stage == Stage::Ended && m_pending.isEmpty(); }
    bool garbage() const { return m_stage == Stage::Garbage; }
    const QByteArray &failure() const { return m_failure; }
    qint64 total() const { return m_total; }
    TableData &data() { return m_data; }

private:
    enum class Stage { Version, Table, Columns, Rows, Ended, Failed, Garbage, TooMuch };

    Verdict tooMuch()
    {
        m_stage = Stage::TooMuch;
        return Verdict::TooMuch;
    }

    bool takeLine(QByteArrayView line, const QStringList &asked)
    {
        const QList<QByteArrayView> fields = split(line);
        const QByteArrayView tag = fields.first();
        if (tag == "FAIL" && m_stage != Stage::Ended && m_stage != Stage::Failed) {
            m_failure = fields.size() > 1 ? fields[1].toByteArray() : QByteArray();
            m_stage = Stage::Failed;
            return true;
        }
        switch (m_stage) {
        case Stage::Version:
            m_stage = Stage::Table;
            return line == "quillon-mdbread 1";
        case Stage::Table:
            if (tag == "NOTABLE" && fields.size() == 2) {
                m_stage = Stage::Rows;
                m_rowsAllowed = false;
                return true;
            }
            if (tag != "TABLE" || fields.size() != 3)
                return false;
            m_data.tableFound = true;
            m_stage = m_columns == 0 ? Stage::Rows : Stage::Columns;
            return toCount(fields[2], m_total);
        case Stage::Columns:
            if (tag == "MISSING" && fields.size() == 2)
                m_data.missingColumns << asked.at(m_columnsSeen);
            else if (tag != "COLUMN" || fields.size() != 3)
                return false;
            if (++m_columnsSeen == m_columns)
                m_stage = Stage::Rows;
            return true;
        case Stage::Rows:
            if (tag == "END" && fields.size() == 2) {
                qint64 count = -1;
                m_stage = Stage::Ended;
                return toCount(fields[1], count) && count == m_data.rows.size();
            }
            if (!m_rowsAllowed || tag != "ROW")
                return false;
            if (m_data.rows.size() >= m_total) {
                m_stage = Stage::TooMuch;
                return false;
            }
            return takeRow(fields);
        case Stage::Ended:
        case Stage::Failed:
        case Stage::Garbage:
        case Stage::TooMuch:
            return false;
        }
        return false;
    }

    bool takeRow(const QList<QByteArrayView> &fields)
    {
        if (fields.size() != m_columns + 1)
            return false;
        QVariantList row;
        row.reserve(m_columns);
        for (qsizetype i = 1; i < fields.size(); ++i) {
            QVariant value;
            if (!decodeValue(fields[i], value))
                return false;
            row << value;
        }
        m_data.rows << row;
        return true;
    }

    static QList<QByteArrayView> split(QByteArrayView line)
    {
        QList<QByteArrayView> fields;
        qsizetype from = 0;
        for (qsizetype tab; (tab = line.indexOf('\t', from)) >= 0; from = tab + 1)
            fields << line.sliced(from, tab - from);
        fields << line.sliced(from);
        return fields;
    }

    static bool toCount(QByteArrayView text, qint64 &count)
    {
        bool ok = false;
        count = text.toLongLong(&ok);
        return ok && count >= 0;
    }

    const qsizetype m_columns;
    const OutputLimits m_limits;
    qint64 m_bytes = 0;
    Stage m_stage = Stage::Version;
    QByteArray m_pending;
    QByteArray m_failure;
    qsizetype m_columnsSeen = 0;
    bool m_rowsAllowed = true;
    qint64 m_total = 0;
    TableData m_data;
};

ReadOutcome failed(const QString &problem)
{
    ReadOutcome out;
    out.status = ReadStatus::Failed;
    out.problem = problem;
    return out;
}

void stop(QProcess &child)
{
    child.kill();
    child.waitForFinished(2000);
}

} // namespace

ReadOutcome readJetTable(const QString &path, Kind kind, const QString &table, const QStringList &columns,
                         const Progress &progress)
{
    QProcess child;
    child.setProgram(readerProgram());
    // The path made absolute, so that a name beginning with "-" is never taken for an option.
    child.setArguments(QStringList { QFileInfo(path).absoluteFilePath(), table } + columns);
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted(readerTimeLimit())) {
        qCWarning(lcLinkJet).noquote()
            << "reader" << child.program() << "not started:" << child.errorString();
        return failed(NoReader);
    }

    ReaderOutput output(columns.size(), outputLimits(QFileInfo(path).size(), columns.size()));
    QByteArray errors;
    qint64 errorsDropped = 0;
    const auto takeErrors = [&] {
        const QByteArray more = child.readAllStandardError();
        const qsizetype room = qMax<qsizetype>(0, StderrKept - errors.size());
        errors += more.left(room);
        errorsDropped += more.size() - qMin(room, more.size());
    };
    const auto logErrors = [&](bool failure) {
        if (errors.isEmpty())
            return;
        QString text = QString::fromUtf8(errors).trimmed();
        if (errorsDropped > 0)
            text += QStringLiteral(" ... (%1 more bytes)").arg(errorsDropped);
        if (failure)
            qCWarning(lcLinkJet).noquote() << "reader on" << path << "said:" << text;
        else
            qCDebug(lcLinkJet).noquote() << "reader on" << path << "said:" << text;
    };
    // A reader that has to be stopped: killed, and what it said logged with why.
    const auto stopped = [&](const QString &why, const QString &problem) {
        stop(child);
        takeErrors();
        logErrors(true);
        qCWarning(lcLinkJet).noquote() << "reader on" << path << why << "stopped";
        return failed(problem);
    };

    QElapsedTimer silence;
    silence.start();
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    qint64 reported = -1;
    for (;;) {
        if (child.state() != QProcess::NotRunning)
            child.waitForReadyRead(WaitSlice);
        takeErrors();
        const QByteArray chunk = child.readAllStandardOutput();
        if (!chunk.isEmpty()) {
            silence.restart();
            const ReaderOutput::Verdict verdict = output.feed(chunk, columns);
            if (verdict == ReaderOutput::Verdict::TooMuch)
                return stopped(QStringLiteral("printed more than the table holds:"), TooMuch);
            if (verdict == ReaderOutput::Verdict::Garbage) {
                stop(child);
                break;
            }
        } else if (child.state() == QProcess::NotRunning) {
            break;
        } else if (silence.elapsed() >= readerTimeLimit()) {
            return stopped(QStringLiteral("silent for %1 ms:").arg(silence.elapsed()), NoAnswer);
        }
        // Now and then: when rows came in, and while the reader is busy, so that a cancel is heard.
        const qint64 done = output.data().rows.size();
        if (progress && (done != reported || sinceProgress.elapsed() >= 4 * WaitSlice)) {
            reported = done;
            sinceProgress.restart();
            if (!progress(done, output.total())) {
                stop(child);
                ReadOutcome out;
                out.status = ReadStatus::Cancelled;
                return out;
            }
        }
    }
    child.waitForFinished(2000);
    takeErrors();

    const bool clean = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!clean || !output.complete()) {
        logErrors(true);
        qCWarning(lcLinkJet).noquote() << "reader on" << path << (kind == Kind::Jet3 ? "(Jet 3)" : "(Jet 4)")
                                       << "exit" << child.exitStatus() << child.exitCode() << "failure"
                                       << output.failure() << (output.garbage() ? "garbage" : "");
        const QByteArray why = output.failure();
        return failed(why == "not-jet" || why == "open" || why == "catalog" ? NotADatabase : NotReadToTheEnd);
    }
    logErrors(false);
    ReadOutcome out;
    out.status = ReadStatus::Read;
    out.data = std::move(output.data());
    if (progress)
        progress(out.data.rows.size(), output.total());
    return out;
}

void setReaderProgram(const QString &path)
{
    g_readerProgram = path;
}

QString readerProgram()
{
    if (!g_readerProgram.isEmpty())
        return g_readerProgram;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-mdbread");
}

void setReaderTimeLimit(int milliseconds)
{
    g_readerTimeLimit = milliseconds;
}

int readerTimeLimit()
{
    return g_readerTimeLimit;
}

} // namespace linkfile
