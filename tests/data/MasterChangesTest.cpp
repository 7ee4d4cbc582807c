// The masters' change numbers across what replaces the data as a whole: a restore of an older
// backup and the data reset move them on, never back, so that a window's copy read before is not
// registered over what they put there.
#include "app/Database.h"
#include "data/Backup.h"
#include "data/DataReset.h"
#include "data/MasterChanges.h"
#include "support/EngineTest.h"

#include <QTemporaryDir>

namespace {

class MasterChangesTest : public EngineTest
{
};

QUILLON_ON_BOTH_ENGINES(MasterChangesTest);

qint64 numberOf(const QString &master)
{
    return masterchanges::current(db::data(), master).value_or(-1);
}

} // namespace

TEST_P(MasterChangesTest, ARestoreAndAResetMoveTheNumbersOnNeverBack)
{
    using namespace masterchanges;
    EXPECT_EQ(numberOf(Customers), 0) << "a new database has changed nothing";
    ASSERT_TRUE(count(db::data(), Customers));
    QTemporaryDir out;
    const backup::BackupOutcome copy = backup::backupDataFile(out.path());
    ASSERT_TRUE(copy.made) << copy.problem.toStdString();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(count(db::data(), Customers));
    ASSERT_TRUE(count(db::data(), Products));
    const qint64 read = numberOf(Customers); // a window's copy read now
    ASSERT_EQ(read, 5);

    const backup::RestoreOutcome restored = backup::restoreDataFile(copy.path);
    ASSERT_TRUE(restored.restored) << restored.problem.toStdString();
    EXPECT_EQ(numberOf(Customers), 6) << "one beyond the replaced data's, not back to the backup's 1";
    EXPECT_EQ(numberOf(Products), 2);
    EXPECT_EQ(numberOf(Codes), 1);
    EXPECT_NE(count(db::data(), Customers), read + 1) << "a copy read before the restore is refused";

    const qint64 beforeReset = numberOf(Products);
    ASSERT_TRUE(resetAllData());
    EXPECT_EQ(numberOf(Products), beforeReset + 1);
}
