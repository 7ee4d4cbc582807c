#include "support/TestDataDir.h"

#include "app/Database.h"
#include "app/Locations.h"
#include "data/Provision.h"

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

void TestDataDir::putVersion1Files(const QString &dataDir)
{
    ASSERT_TRUE(QDir().mkpath(dataDir));
    for (const QString name : {QStringLiteral("QLNVData.mdb"), QStringLiteral("QLNVWork.mdb")}) {
        const QString target = QDir(dataDir).filePath(name);
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLON_VERSION1_FILES "/") + name, target)) << name.toStdString();
        ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }
}

TestDataDir::~TestDataDir()
{
    db::closeAll();
}

QString TestDataDir::dataDir() const { return ModQLNV::DataDir; }
QString TestDataDir::dataMdb() const { return ModQLNV::DataMdbPath; }
QString TestDataDir::workMdb() const { return ModQLNV::WorkMdbPath; }
