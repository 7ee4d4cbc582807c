#include "app/DataSource.h"

#include "app/Locations.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace db {

namespace {

QMutex g_mutex;
DataSource g_source;

// The keys of one section of an INI file. Read by hand, not by QSettings, which would take
// a comma in a password for a list and an '@' at its start for a type.
std::optional<QHash<QString, QString>> readSection(const QString &path, const QString &section, QString *problem)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.exists())
        return keys;
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("設定ファイル %1 を読めません（%2）。").arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    QString current;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (current == section && equals > 0)
            keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return keys;
}

} // namespace

QString ServerAddress::place() const
{
    return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(database);
}

QString ServerAddress::uri() const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    url.setPassword(password);
    url.setHost(host);
    url.setPort(port);
    url.setPath(u'/' + database);
    url.setQuery(QStringLiteral("sslmode=") + sslmode);
    return url.toString(QUrl::FullyEncoded);
}

QString settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/quillon/quillon.conf");
}

std::optional<ServerAddress> parseServerUrl(const QString &url, QString *problem)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const auto refuse = [&](const QString &why) {
        // A password written in the URL is not repeated in a message.
        static const QRegularExpression password(QStringLiteral("(://[^:/@]*):[^@/]*@"));
        const QString shown = QString(url).replace(password, QStringLiteral("\\1@"));
        *problem = QStringLiteral("データの保存先 %1 は使えません（%2）。").arg(shown, why);
        return std::nullopt;
    };
    if (!parsed.isValid() || (parsed.scheme() != u"postgresql" && parsed.scheme() != u"postgres"))
        return refuse(QStringLiteral("postgresql://利用者@ホスト:ポート/データベース の形で書いてください"));
    ServerAddress address;
    address.host = parsed.host();
    address.port = parsed.port(5432);
    address.database = parsed.path().mid(1);
    address.user = parsed.userName();
    address.password = parsed.password();
    if (address.host.isEmpty())
        return refuse(QStringLiteral("ホストがありません"));
    if (address.database.isEmpty() || address.database.contains(u'/'))
        return refuse(QStringLiteral("データベース名がありません"));
    if (address.port < 1 || address.port > 65535)
        return refuse(QStringLiteral("ポート番号が正しくありません"));
    const QUrlQuery query(parsed);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != u"sslmode")
            return refuse(QStringLiteral("%1 は使えない指定です").arg(key));
        static const QStringList modes = {QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                                          QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
        if (!modes.contains(value))
            return refuse(QStringLiteral("sslmode=%1 は使えません").arg(value));
        address.sslmode = value;
    }
    return address;
}

DataSource readDataSource(const QString &path)
{
    DataSource source;
    const auto keys = readSection(path, QStringLiteral("data"), &source.problem);
    if (!keys)
        return source;
    const QString url = keys->value(QStringLiteral("url"));
    if (url.isEmpty())
        return source;
    const auto server = parseServerUrl(url, &source.problem);
    if (!server)
        return source;
    source.server = server;
    QString password = keys->value(QStringLiteral("password"));
    if (password.isEmpty())
        password = server->password;
    if (!password.isEmpty()) {
        // A password that others can read is no secret: refuse it rather than use it.
        const QFile::Permissions mode = QFile::permissions(path);
        if (mode & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther)) {
            source.server.reset();
            source.problem = QStringLiteral("設定ファイル %1 にパスワードがありますが、ほかの利用者も読めるため使いません。"
                                            "chmod 600 %1 としてから起動し直してください。")
                                 .arg(QDir::toNativeSeparators(path));
            return source;
        }
        source.server->password = password;
    }
    return source;
}

void setDataSource(const DataSource &source)
{
    QMutexLocker lock(&g_mutex);
    g_source = source;
}

DataSource dataSource()
{
    QMutexLocker lock(&g_mutex);
    return g_source;
}

QString dataPlace()
{
    const DataSource source = dataSource();
    return source.isServer() ? source.server->place() : ModQLNV::DataMdbPath;
}

QString dataReference()
{
    const DataSource source = dataSource();
    return source.isServer() ? source.server->uri() : ModQLNV::DataMdbPath;
}

} // namespace db
