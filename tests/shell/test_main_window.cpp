#include "app/Database.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceTab.h"
#include "shell/QLNV.h"
#include "shell/SingleInstance.h"

#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int sqlVersion(const QSqlDatabase &database)
{
    QSqlQuery q(database);
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : -1;
}

QString versionText(const QLNV &w)
{
    return w.findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
}

TEST(MainWindow, ShowsThreeTabsAndTheVersion)
{
    TestDataDir dir;
    QLNV w;
    w.Form_Load(dir.programDir());
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("請求書"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("履歴"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("設定"));
    EXPECT_EQ(versionText(w), QStringLiteral("QLNV 請求書 Ver 1.00 LastUpdate 2002/11/19"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
}

TEST(MainWindow, MissingDataOpensTheWindowAndNamesWhatIsMissing)
{
    RecordingPresenter boxes;
    int gridWidth = 0;
    {
        TestDataDir dir;
        QLNV w;
        w.Form_Load(dir.programDir());
        gridWidth = w.invoiceTab()->grid()->width();
    }
    {
        TestDataDir dir(false);
        QLNV w;
        w.Form_Load(dir.programDir());
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.statusBar()->currentMessage().contains(QStringLiteral("データフォルダ")));
        EXPECT_FALSE(QDir(dir.dataDir()).exists()) << "the program must not create its data folder";
        EXPECT_EQ(w.invoiceTab()->grid()->width(), gridWidth) << "the invoice tab keeps its shape";
    }
    {
        TestDataDir dir;
        QFile::remove(dir.workMdb());
        QLNV w;
        w.Form_Load(dir.programDir());
        const QString message = w.statusBar()->currentMessage();
        EXPECT_TRUE(message.contains(QStringLiteral("QLNVWork.mdb"))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("QLNVData.mdb")));
    }
    EXPECT_TRUE(boxes.shown.isEmpty()) << "a missing data file is not a message box at start-up";
}

TEST(MainWindow, StartingOnOlderFilesUpgradesThemAndNewerOnesAreLeftAlone)
{
    RecordingPresenter boxes;
    {
        TestDataDir dir(false);
        TestDataDir::putVersion1Files(dir.dataDir());
        QLNV w;
        w.Form_Load(dir.programDir());
        const QString message = w.statusBar()->currentMessage();
        EXPECT_TRUE(message.startsWith(QStringLiteral("データファイルを新しい版に更新しました。元のファイルの控え: ")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(dir.dataMdb()) + QStringLiteral(".v1.bak"))) << message.toStdString();
        EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("lbl自社名"))->text(), QStringLiteral("有限会社やまだ米店"));
        EXPECT_EQ(sqlVersion(db::data()), db::DataFileVersion);
    }
    {
        TestDataDir dir;
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("PRAGMA user_version = 99")));
        db::closeAll();
        QFile file(dir.dataMdb());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        {
            QLNV w;
            w.Form_Load(dir.programDir());
            const QString message = w.statusBar()->currentMessage();
            EXPECT_TRUE(message.contains(QDir::toNativeSeparators(dir.dataMdb())
                                         + QStringLiteral(" はこのプログラムより新しい版で作られています。")))
                << message.toStdString();
            EXPECT_FALSE(db::data().isOpen()) << "a newer file is never opened for writing";
        }
        db::closeAll();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes) << "left byte for byte";
    }
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
}

TEST(MainWindow, TheStatusLineRemindsOfABackupThatIsDue)
{
    const struct {
        const char *why;
        int daysAgo; // -1: never
        bool invoiceStored;
        const char *says; // nullptr: nothing
    } cases[] = {
        {"ten days ago", 10, true, "最後のバックアップから 10 日たっています。"},
        {"three days ago", 3, true, nullptr},
        {"never, with an invoice", -1, true, "まだバックアップがありません。"},
        {"never, nothing stored yet", -1, false, nullptr},
    };
    RecordingPresenter boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDataDir dir;
        const QString last = c.daysAgo < 0 ? QString()
                                           : QDateTime::currentDateTime().addDays(-c.daysAgo).toString(Qt::ISODate);
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (最終バックアップ, バックアップ間隔) VALUES (?, 7)"),
                             {last.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(last)}));
        if (c.invoiceStored)
            ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名) VALUES (1, '2026-12-01', 'O''Brien')")));
        QLNV w;
        w.Form_Load(dir.programDir());
        const QString message = w.statusBar()->currentMessage();
        if (c.says)
            EXPECT_TRUE(message.contains(QString::fromUtf8(c.says))) << message.toStdString();
        else
            EXPECT_FALSE(message.contains(QStringLiteral("バックアップ"))) << message.toStdString();
    }
}

TEST(MainWindow, ARestoredDataFileIsReadAgainEverywhere)
{
    TestDataDir dir;
    QTemporaryDir out;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (自社名, 最大請求書番号) VALUES ('バックアップ前商店', 41)")));
    RecordingPresenter boxes;
    QLNV w;
    w.Form_Load(dir.programDir());
    boxes.fileAnswers << out.path();
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdバックアップ")), Qt::LeftButton);
    const QStringList copies = QDir(out.path()).entryList({QStringLiteral("*.mdb")});
    ASSERT_EQ(copies.size(), 1) << boxes.texts().join(u'|').toStdString();

    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("UPDATE 自社情報 SET 自社名 = '後の商店', 最大請求書番号 = 99")));
    w.findChild<QLineEdit *>(QStringLiteral("txt件名"))->setText(QStringLiteral("入力中"));
    boxes.clear();
    boxes.fileAnswers << out.filePath(copies[0]);
    boxes.answers << QMessageBox::Yes;
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmd復元")), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("lbl自社名"))->text(), QStringLiteral("バックアップ前商店"));
    EXPECT_EQ(w.findChild<QLineEdit *>(QStringLiteral("txtNo"))->text(), QStringLiteral("42")) << "the restored counter";
    EXPECT_TRUE(w.findChild<QLineEdit *>(QStringLiteral("txt件名"))->text().isEmpty());
}

TEST(MainWindow, ARoundingOrRateSettingThatNamesNoRuleIsNamedAtStartUp)
{
    TestDataDir dir;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (行端数, 税端数, 消費税率) VALUES ('切上', '四捨五入', 0.07)")));
    db::closeAll();
    QLNV w;
    w.Form_Load(dir.programDir());
    const QString message = w.statusBar()->currentMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("端数処理（行端数）の設定「切上」は使えない"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("税端数"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("消費税率の設定「7%」は使えない"))) << message.toStdString();
}

TEST(MainWindow, LoadShowsTheStoredCompanyAndADoubleClickOpensItsSettings)
{
    TestDataDir dir;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (自社名, 自社情報, 税区分) VALUES (?, ?, ?)"),
                         {QStringLiteral("<b>O'Brien商店</b>"), QStringLiteral("東京都\n03-1234"), QStringLiteral("内税")}));
    QLNV w;
    w.Form_Load(dir.programDir());
    auto *name = w.findChild<QLabel *>(QStringLiteral("lbl自社名"));
    auto *info = w.findChild<QLabel *>(QStringLiteral("lbl自社情報"));
    ASSERT_TRUE(name && info);
    EXPECT_EQ(name->text(), QStringLiteral("<b>O'Brien商店</b>"));
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.findChild<QComboBox *>(QStringLiteral("cmb税区分"))->currentText(), QStringLiteral("内税"));

    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    struct Case {
        QLabel *label;
        const char *box;
    };
    for (const Case &c : {Case{name, "txt自社名"}, Case{info, "txt自社情報"}}) {
        tabs->setCurrentIndex(0);
        QTest::mouseDClick(c.label, Qt::LeftButton);
        EXPECT_EQ(tabs->currentIndex(), 2);
        EXPECT_EQ(QApplication::focusWidget(), w.findChild<QWidget *>(QString::fromUtf8(c.box)));
    }
}

// Each of the three close buttons and Esc close the program.
TEST(MainWindow, CloseButtonsAndEscCloseTheWindow)
{
    TestDataDir dir;
    for (const char *button : {"cmd閉じる", "Command11", "Command8", "Esc"}) {
        SCOPED_TRACE(button);
        QLNV w;
        w.Form_Load(dir.programDir());
        if (QString::fromUtf8(button) == QStringLiteral("Esc")) {
            w.activateWindow();
            QTest::keyClick(&w, Qt::Key_Escape);
        } else {
            auto *b = w.findChild<QPushButton *>(QString::fromUtf8(button));
            ASSERT_NE(b, nullptr);
            b->click();
        }
        EXPECT_FALSE(w.isVisible());
    }
}

// Escape that closes an open list closes only the list. On a real X keyboard the press that
// hid the popup reaches the window again before the key is released: that press must not close
// the program; the next one does.
TEST(MainWindow, EscInAnOpenListClosesOnlyTheList)
{
    TestDataDir dir;
    QLNV w;
    w.Form_Load(dir.programDir());
    w.activateWindow();
    auto *honorific = w.findChild<QComboBox *>(QStringLiteral("cmb敬称"));
    ASSERT_NE(honorific, nullptr);
    honorific->setFocus();
    honorific->showPopup();
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyPress(popup, Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the list closed";
    QTest::keyPress(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible()) << "the same press came back to the window";
    QTest::keyRelease(&w, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

// A file that is not ours (empty, not SQLite, another program's SQLite file) is named as such
// at start-up and left byte for byte as it was: nothing opens it for writing.
TEST(MainWindow, AFileThatIsNotOursIsNamedAndLeftAsItWas)
{
    QTemporaryDir other;
    const QString foreign = other.filePath(QStringLiteral("other.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(foreign);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (text TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    QFile foreignFile(foreign);
    ASSERT_TRUE(foreignFile.open(QIODevice::ReadOnly));
    const QByteArray foreignBytes = foreignFile.readAll();

    const struct { const char *why; bool dataFile; QByteArray bytes; const char *reason; } cases[] = {
        {"an empty data file", true, QByteArray(), "空のファイルです"},
        {"an empty work file", false, QByteArray(), "空のファイルです"},
        {"not SQLite", true, QByteArray(4096, 'x'), "SQLite のファイルではありません"},
        {"another program's SQLite file", true, foreignBytes, "このプログラムの表がありません"},
    };
    RecordingPresenter boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDataDir dir;
        const QString path = c.dataFile ? dir.dataMdb() : dir.workMdb();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        {
            QLNV w;
            w.Form_Load(dir.programDir());
            EXPECT_TRUE(w.isVisible());
            const QString message = w.statusBar()->currentMessage();
            EXPECT_TRUE(message.contains(QDir::toNativeSeparators(path) + QStringLiteral(" はこのプログラムのデータファイルではありません（")
                                         + QString::fromUtf8(c.reason)))
                << message.toStdString();
        }
        db::closeAll();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.bytes) << "left byte for byte";
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    }
}

class ClosingRecorder : public QWidget
{
public:
    ClosingRecorder(QStringList *log, QString name)
        : m_log(log)
        , m_name(std::move(name))
    {
    }

protected:
    void closeEvent(QCloseEvent *e) override
    {
        *m_log << m_name;
        e->accept();
    }

private:
    QStringList *m_log;
    QString m_name;
};

TEST(MainWindow, ClosingClosesTheOtherWindowsLastOpenedFirst)
{
    TestDataDir dir;
    QStringList log;
    QLNV w;
    w.Form_Load(dir.programDir());
    ClosingRecorder first(&log, QStringLiteral("first"));
    ClosingRecorder second(&log, QStringLiteral("second"));
    first.show();
    second.show();
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(log, (QStringList{QStringLiteral("second"), QStringLiteral("first")}));
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    EXPECT_FALSE(w.isVisible());
}

TEST(SingleInstance, ASecondStartAsksTheFirstToComeForwardAndEnds)
{
    const QString key = QStringLiteral("QuillonTest-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(key);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy raised(&first, &SingleInstance::activationRequested);

    SingleInstance second(key);
    EXPECT_FALSE(second.becomePrimary());
    EXPECT_TRUE(raised.wait(2000));
    EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, AStaleSocketDoesNotKeepTheProgramFromStarting)
{
    const QString key = QStringLiteral("QuillonStale-%1").arg(QCoreApplication::applicationPid());
    // A copy that crashed leaves its socket file behind.
    QFile leftover(QDir::tempPath() + QLatin1Char('/') + key);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    SingleInstance next(key);
    EXPECT_TRUE(next.becomePrimary());
}

} // namespace
