#include "shell/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
constexpr int ConnectTimeoutMs = 1000;
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
