// The data on a server that cannot be reached: the main window names it in the status line,
// lines are still typed into the local work file, 登録 says why it cannot store and keeps the
// invoice on screen, and once the server answers again the next 登録 stores it.
#include "app/DataSource.h"
#include "app/Database.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "records/InvoiceSave.h"
#include "shell/QLNV.h"

#include "support/QStringPrinter.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template<class T>
T *child(const QWidget &w, const char *name)
{
    T *widget = w.findChild<T *>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void typeCell(QLNV &w, int row, int column, const QString &text)
{
    DetailGrid *grid = child<DetailGrid>(w, "Grid明細");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, column));
    grid->edit(grid->currentIndex());
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    if (!editor)
        if (auto *combo = qobject_cast<QComboBox *>(QApplication::focusWidget()))
            editor = combo->lineEdit();
    ASSERT_NE(editor, nullptr) << "no editor for " << row << "," << column;
    editor->insert(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
}

qint64 storedInvoices()
{
    QSqlQuery q(db::data());
    return db::exec(q, QStringLiteral("SELECT count(*) FROM 請求書ヘッダ")) && q.next() ? q.value(0).toLongLong() : -1;
}

TEST(ServerStatus, AServerThatCannotBeReachedIsNamedAndNothingTypedIsLost)
{
    QUILLON_NEEDS_TEST_SERVER();
    TestDataDir dir(Engine::Server);
    const db::ServerAddress server = dir.server()->address();
    // The same database on a port nobody listens on.
    db::ServerAddress gone = server;
    gone.port = testserver::closedPort();
    const QString goneText = QStringLiteral("データベースサーバー 127.0.0.1:%1/%2 に接続できません。"
                                            "ホスト 127.0.0.1 のポート %1 で接続を断られました。")
                                 .arg(gone.port)
                                 .arg(server.database);
    db::setDataSource({gone, QString()});

    RecordingPresenter boxes;
    QLNV w;
    w.Form_Load(dir.programDir());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QApplication::processEvents();
    EXPECT_TRUE(w.statusBar()->currentMessage().startsWith(goneText)) << w.statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(boxes.shown.isEmpty()) << "start-up shows no box: " << boxes.texts().join(u'|').toStdString();

    child<QComboBox>(w, "cmb顧客名")->setEditText(QStringLiteral("O'Brien 商店"));
    typeCell(w, 0, 1, QStringLiteral("りんご"));
    typeCell(w, 0, 3, QStringLiteral("2"));
    typeCell(w, 0, 5, QStringLiteral("150"));
    const auto typed = detail::readLine(db::work(), 1);
    ASSERT_TRUE(typed) << "the work file is local and takes the line";
    EXPECT_EQ(typed->品名, QStringLiteral("りんご"));
    EXPECT_EQ(typed->金額, 300);

    // Without the server no next number was offered: the user types one.
    EXPECT_TRUE(child<QLineEdit>(w, "txtNo")->text().isEmpty());
    child<QLineEdit>(w, "txtNo")->setText(QStringLiteral("1"));
    const QString number = child<QLineEdit>(w, "txtNo")->text();
    boxes.answers << QMessageBox::Yes; // 登録しますか
    child<QPushButton>(w, "cmd登録")->click();
    QApplication::processEvents();
    ASSERT_FALSE(boxes.texts().isEmpty());
    const QString told = boxes.texts().last();
    EXPECT_TRUE(told.startsWith(records::SaveFailedNotice)) << told.toStdString();
    EXPECT_TRUE(told.contains(goneText)) << told.toStdString();
    EXPECT_EQ(child<QLineEdit>(w, "txtNo")->text(), number) << "the invoice stays on screen";
    EXPECT_EQ(child<QComboBox>(w, "cmb顧客名")->currentText(), QStringLiteral("O'Brien 商店"));
    ASSERT_TRUE(detail::readLine(db::work(), 1));
    EXPECT_EQ(detail::readLine(db::work(), 1)->品名, QStringLiteral("りんご"));

    // The server answers again: the next 登録 connects by itself, stores the invoice and the
    // status line no longer names the server.
    db::setDataSource({server, QString()});
    boxes.clear();
    boxes.answers << QMessageBox::Yes;
    child<QPushButton>(w, "cmd登録")->click();
    QApplication::processEvents();
    EXPECT_FALSE(boxes.texts().join(u'|').contains(records::SaveFailedNotice)) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(storedInvoices(), 1);
    EXPECT_FALSE(w.statusBar()->currentMessage().contains(QStringLiteral("接続できません"))) << w.statusBar()->currentMessage().toStdString();
}

// A settings file whose password others could read opens nothing: the window starts, says
// why in the status line, and nothing is read from the local data file instead.
TEST(ServerStatus, APasswordOthersCanReadStartsOnNothingAndSaysWhy)
{
    TestDataDir dir;
    const QString conf = dir.programDir() + QStringLiteral("/quillon.conf");
    QFile file(conf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[data]\nurl=postgresql://shop@127.0.0.1:1/books\npassword=secret\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const db::DataSource source = db::readDataSource(conf);
    ASSERT_FALSE(source.isServer());
    db::setDataSource(source);

    RecordingPresenter boxes;
    {
        QLNV w;
        w.Form_Load(dir.programDir());
        QApplication::processEvents();
        const QString status = w.statusBar()->currentMessage();
        EXPECT_TRUE(status.startsWith(source.problem)) << status.toStdString();
        EXPECT_FALSE(status.contains(QStringLiteral("secret")));
        EXPECT_FALSE(db::data().isValid()) << "not the local data file either";
    }
    db::setDataSource({});
}

} // namespace
