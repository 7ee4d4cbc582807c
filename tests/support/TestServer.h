#pragma once
// The PostgreSQL server of the tests (scripts/test starts it on 127.0.0.1 and names it in
// QUILLON_TEST_SERVER, its password in PGPASSFILE), and a fresh database on it per test.
#include "app/DataSource.h"

#include <QString>

#include <optional>
#include <ostream>

namespace testserver {

// The server's own database "postgres"; nothing when no server was started (tests of the
// server then skip, unless QUILLON_REQUIRE_SERVER says that they must run).
std::optional<db::ServerAddress> address();
// Whether a test without a server must fail rather than skip.
bool required();

// A new empty database on the server, dropped with the object (its connections ended first).
class Database
{
public:
    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    bool isValid() const { return !m_name.isEmpty(); }
    db::ServerAddress address() const { return m_address; }
    QString name() const { return m_name; }

private:
    db::ServerAddress m_address;
    QString m_name;
};

// A port on 127.0.0.1 that nobody listens on (taken and let go again): a server that is gone.
int closedPort();

// Runs sql on the server's "postgres" database on a connection of its own; false on failure.
bool runOnServer(const QString &sql, QString *error = nullptr);

} // namespace testserver

// How a test's data database is kept: the local data file, or a database on the server.
enum class Engine { Local, Server };
// "Local" or "Server", for the names of parameterised tests.
const char *engineName(Engine engine);
// For GoogleTest's output of a parameter.
inline void PrintTo(Engine engine, std::ostream *os) { *os << engineName(engine); }
