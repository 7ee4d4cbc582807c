#include "app/Locations.h"

#include <gtest/gtest.h>

namespace {

struct LocationCase {
    const char *programDir;
    bool marker;
    const char *dataDir, *dataMdb, *workMdb, *yubinMdb;
};

const LocationCase kLocationCases[] = {
    {"/opt/apps/inv", false, "/opt/apps/inv/data/", "/opt/apps/inv/data/QLNVData.mdb",
     "/opt/apps/inv/data/QLNVWork.mdb", "/opt/apps/inv/data/yubin.mdb"},
    // A trailing separator does not double up.
    {"/opt/apps/inv/", false, "/opt/apps/inv/data/", "/opt/apps/inv/data/QLNVData.mdb",
     "/opt/apps/inv/data/QLNVWork.mdb", "/opt/apps/inv/data/yubin.mdb"},
    // A development machine uses its fixed folders, wherever the program lies.
    {"/opt/apps/inv", true, "c:\\develop2\\Pz\\QLNV\\data\\", "c:\\develop2\\Pz\\QLNV\\data\\QLNVData.mdb",
     "c:\\develop2\\Pz\\QLNV\\data\\QLNVWork.mdb", "c:\\develop\\zu\\yubin\\yubin.mdb"},
};

TEST(Locations, FilesFollowTheProgramDirectoryOrTheDevelopmentMarker)
{
    for (const auto &c : kLocationCases) {
        SCOPED_TRACE(std::string(c.programDir) + (c.marker ? " with marker" : ""));
        const auto l = ModQLNV::locationsFor(QString::fromUtf8(c.programDir), c.marker);
        EXPECT_EQ(l.dataDir, QString::fromUtf8(c.dataDir));
        EXPECT_EQ(l.dataMdbPath, QString::fromUtf8(c.dataMdb));
        EXPECT_EQ(l.workMdbPath, QString::fromUtf8(c.workMdb));
        EXPECT_EQ(l.yubinMdbPath, QString::fromUtf8(c.yubinMdb));
    }
}

TEST(Locations, SetLocationsFillsTheGlobals)
{
    ModQLNV::setLocations(ModQLNV::locationsFor(QStringLiteral("/x"), false));
    EXPECT_EQ(ModQLNV::DataDir, QStringLiteral("/x/data/"));
    EXPECT_EQ(ModQLNV::DataMdbPath, QStringLiteral("/x/data/QLNVData.mdb"));
    EXPECT_EQ(ModQLNV::WorkMdbPath, QStringLiteral("/x/data/QLNVWork.mdb"));
    EXPECT_EQ(ModQLNV::YubinMdbPath, QStringLiteral("/x/data/yubin.mdb"));
}

} // namespace
