#include "support/TestDataDir.h"

#include "app/DataSource.h"
#include "app/Database.h"
#include "app/Locations.h"
#include "data/Provision.h"
#include "data/ServerSchema.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TestDataDir::TestDataDir(bool provision, const QString &parent)
    : m_dir(parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/quillon-test-XXXXXX") : parent + QStringLiteral("/XXXXXX"))
{
    db::closeAll();
    const auto locations = ModQLNV::locationsFor(m_dir.path(), false);
    ModQLNV::setLocations(locations);
    if (provision) {
        const auto report = schema::provisionDataDir(locations.dataDir);
        EXPECT_TRUE(report.ok()) << report.error.toStdString();
    }
}

TestDataDir::TestDataDir(Engine engine)
    : TestDataDir(true)
{
    if (engine == Engine::Local)
        return;
    m_server.emplace();
    EXPECT_TRUE(m_server->isValid()) << "no test database on the server";
    const schema::ServerReport made = schema::provisionServer(m_server->address());
    EXPECT_TRUE(made.ok()) << made.error.toStdString();
    EXPECT_TRUE(QFile::remove(dataMdb()));
    db::setDataSource({m_server->address(), QString()});
}

void TestDataDir::putVersion1Files(const QString &dataDir)
{
    ASSERT_TRUE(QDir().mkpath(dataDir));
    for (const QString &name : {QStringLiteral("QLNVData.mdb"), QStringLiteral("QLNVWork.mdb")}) {
        const QString target = QDir(dataDir).filePath(name);
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLON_VERSION1_FILES "/") + name, target)) << name.toStdString();
        ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }
}

TestDataDir::~TestDataDir()
{
    db::closeAll();
    if (m_server)
        db::setDataSource({});
}

QString TestDataDir::dataDir() const { return ModQLNV::DataDir; }
QString TestDataDir::dataMdb() const { return ModQLNV::DataMdbPath; }
QString TestDataDir::workMdb() const { return ModQLNV::WorkMdbPath; }
