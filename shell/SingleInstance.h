#pragma once
// One running copy per user. The first copy listens on a local socket; a later copy
// connects, asks it to come forward, and ends. Copies started together take turns (a lock
// file beside the socket), so that exactly one listens and the others find it.
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The key of this user's copy of the program.
    static QString defaultKey();

    // True when this is the only copy (it now listens); false when another copy runs
    // and has been asked to come forward.
    bool becomePrimary();

signals:
    void activationRequested();

private:
    void acceptConnection();

    QString m_key;
    QLocalServer *m_server = nullptr;
};
