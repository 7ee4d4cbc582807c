// A data directory that cannot be written is told apart from a damaged one, at start-up and
// when an invoice is saved, and the message names the file or folder that is at fault.
#include "app/Database.h"
#include "app/Locations.h"
#include "records/InvoiceSave.h"
#include "shell/QLNV.h"

#include "support/FaultMounts.h"
#include "support/QStringPrinter.h"
#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <iostream>
#include <memory>

namespace {

const QString Damaged = QStringLiteral("壊れている");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

struct Fault {
    // Where the program is started (its data folder is "data" below it).
    QString programDir;
    // What the messages must name, and say.
    QString named;
    QString says;
    // Keeps a mount alive for the length of the case.
    std::shared_ptr<void> keep;
};

TEST(DiskFaults, TheTrueCauseIsNamedAtStartUpAndOnSaving)
{
    const struct {
        const char *why;
        std::function<std::optional<Fault>(const TestDataDir &)> make; // nothing: skip
        const char *skipReason;
    } cases[] = {
        {"a read-only mount of the data folder",
         [](const TestDataDir &dir) -> std::optional<Fault> {
             auto view = std::make_shared<ReadOnlyView>(dir.programDir());
             if (!view->isValid())
                 return std::nullopt;
             return Fault{view->path(), native(view->path() + QStringLiteral("/data")), QStringLiteral("書き込めません"), view};
         },
         NoMountReason},
        {"a data folder without write permission",
         [](const TestDataDir &dir) -> std::optional<Fault> {
             if (geteuid() == 0)
                 return std::nullopt; // root writes regardless
             QFile::setPermissions(dir.dataDir(), QFile::ReadOwner | QFile::ExeOwner);
             return Fault{dir.programDir(), native(dir.dataDir()), QStringLiteral("書き込めません"),
                          std::shared_ptr<void>(nullptr, [d = dir.dataDir()](void *) {
                              QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                          })};
         },
         "running as root, whom permissions do not keep out"},
        {"a shared-memory file that cannot be made",
         [](const TestDataDir &dir) -> std::optional<Fault> {
             QDir().mkdir(dir.dataMdb() + QStringLiteral("-shm"));
             return Fault{dir.programDir(), native(dir.dataMdb() + QStringLiteral("-shm")), QStringLiteral("を作れない"), {}};
         },
         nullptr},
    };
    RecordingPresenter boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        std::optional<Fault> fault;
        {
            TestDataDir dir;
            fault = c.make(dir);
            if (!fault) {
                std::cout << "skipped: " << c.why << ": " << c.skipReason << "\n";
                continue;
            }
            db::closeAll();
            {
                QLNV w;
                w.Form_Load(fault->programDir);
                const QString message = w.statusBar()->currentMessage();
                EXPECT_TRUE(message.contains(fault->named)) << message.toStdString();
                EXPECT_EQ(message.count(fault->says), 1) << "said once, however many files it keeps from use: "
                                                         << message.toStdString();
                EXPECT_FALSE(message.contains(Damaged)) << message.toStdString();
            }
            InvoiceHeader header;
            header.伝票番号 = 1;
            header.日付 = QDate(2026, 12, 8);
            header.顧客名 = QStringLiteral("O'Brien");
            const records::SaveOutcome outcome = records::saveInvoice(header);
            EXPECT_FALSE(outcome);
            const QString told = records::saveFailedText(outcome);
            EXPECT_TRUE(told.startsWith(records::SaveFailedNotice)) << told.toStdString();
            EXPECT_TRUE(told.contains(fault->named)) << told.toStdString();
            EXPECT_FALSE(told.contains(Damaged)) << told.toStdString();
            db::closeAll();
            fault.reset(); // the mount goes before the folder under it
        }
    }
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
}

} // namespace
