#pragma once
// A freshly provisioned data directory in a temporary folder, set as the program's
// locations for the life of the object.
#include "support/TestServer.h"

#include <QString>
#include <QTemporaryDir>

#include <optional>

class TestDataDir
{
public:
    // provision false leaves the data folder missing (for the failure cases). The temporary
    // folder is made in parent when one is given (a small disk, say).
    explicit TestDataDir(bool provision = true, const QString &parent = QString());
    // A provisioned data directory whose data database is the engine's: the local data file,
    // or a fresh database on the test server with the program's tables (the data file is then
    // removed, so that nothing can use it unnoticed).
    explicit TestDataDir(Engine engine);
    ~TestDataDir();

    // Puts the data and work files of the program's first schema version into dataDir (made
    // when missing): invoice 1 of 2019 stored at 5 %, a settings row, two products, a line
    // typed into w明細.
    static void putVersion1Files(const QString &dataDir);

    QString programDir() const { return m_dir.path(); }
    QString dataDir() const;
    QString dataMdb() const;
    QString workMdb() const;

    Engine engine() const { return m_server ? Engine::Server : Engine::Local; }
    // The test database on the server, for an Engine::Server directory.
    const testserver::Database *server() const { return m_server ? &*m_server : nullptr; }

private:
    std::optional<testserver::Database> m_server; // dropped after the directory's connections closed
    QTemporaryDir m_dir;
};
