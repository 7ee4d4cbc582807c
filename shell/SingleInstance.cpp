#include "shell/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
constexpr int ConnectTimeoutMs = 1000;
// Deciding takes one connection attempt and a listen; a lock older than this was left by a
// copy that hangs, and one whose process is gone is taken over at once.
constexpr int DecidingStaleMs = 5 * ConnectTimeoutMs;

// Where QLocalServer puts the socket file of a key.
QString socketPath(const QString &key)
{
    return key.startsWith(u'/') ? key : QDir::cleanPath(QDir::tempPath()) + u'/' + key;
}
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_key(key)
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::defaultKey()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("Quillon-") + user;
}

bool SingleInstance::becomePrimary()
{
    // Two copies started at the same moment would both find nobody, and the second would
    // remove the socket file the first had just made and listen itself: whichever of them
    // ran on could not be found. Finding nobody and listening is one step, taken by one copy
    // at a time.
    QLockFile deciding(socketPath(m_key) + QStringLiteral(".lock"));
    deciding.setStaleLockTime(DecidingStaleMs);
    if (!deciding.tryLock(2 * DecidingStaleMs))
        qWarning("single instance: deciding without the lock %s (error %d)", qPrintable(socketPath(m_key)),
                 int(deciding.error()));

    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (socket.waitForConnected(ConnectTimeoutMs)) {
        socket.write(RaiseRequest);
        socket.waitForBytesWritten(ConnectTimeoutMs);
        socket.disconnectFromServer();
        return false;
    }
    // Nobody answered: a socket file left by a copy that crashed must not keep us out.
    QLocalServer::removeServer(m_key);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_key)) {
        // Without the socket we cannot be found by a later copy, but we can still run.
        qWarning("single instance: cannot listen on %s: %s", qPrintable(m_key),
                 qPrintable(m_server->errorString()));
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->readAll().contains(RaiseRequest.trimmed()))
                emit activationRequested();
        });
        if (client->bytesAvailable() > 0 && client->readAll().contains(RaiseRequest.trimmed()))
            emit activationRequested();
    }
}
