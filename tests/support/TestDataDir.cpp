#include "support/TestDataDir.h"

#include "app/Database.h"
#include "app/Locations.h"
#include "data/Provision.h"

#include <QDir>

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

TestDataDir::~TestDataDir()
{
    db::closeAll();
}

QString TestDataDir::dataDir() const { return ModQLNV::DataDir; }
QString TestDataDir::dataMdb() const { return ModQLNV::DataMdbPath; }
QString TestDataDir::workMdb() const { return ModQLNV::WorkMdbPath; }
