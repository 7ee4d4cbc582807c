// The settings tab's data place: what it shows for the data file and for a server, and the
// connection test's answer for a server that is there and for one that is not.
#include "SettingsTestUtil.h"

#include "app/DataSource.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsTab.h"
#include "support/EngineTest.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class DataPlaceTest : public settingstest::GlobalsReset<EngineTest>
{
protected:
    std::unique_ptr<SettingsTab> openTab()
    {
        auto tab = std::make_unique<SettingsTab>();
        tab->Read設定();
        return tab;
    }
    static QLabel *place(const SettingsTab &tab) { return tab.findChild<QLabel *>(QStringLiteral("lblデータ保存先")); }
    static QPushButton *testButton(const SettingsTab &tab)
    {
        return tab.findChild<QPushButton *>(QStringLiteral("cmdサーバー接続テスト"));
    }

    RecordingPresenter boxes;
};

TEST_P(DataPlaceTest, ShowsWhereTheDataLivesAndTestsTheServer)
{
    const auto tab = openTab();
    ASSERT_NE(place(*tab), nullptr);
    ASSERT_NE(testButton(*tab), nullptr);
    if (!onServer()) {
        EXPECT_EQ(place(*tab)->text(), QDir::toNativeSeparators(dir().dataMdb()));
        EXPECT_FALSE(testButton(*tab)->isEnabled()) << "the data file needs no connection test";
        return;
    }
    const db::ServerAddress server = dir().server()->address();
    EXPECT_EQ(place(*tab)->text(), QStringLiteral("127.0.0.1:%1/%2").arg(server.port).arg(server.database));
    ASSERT_TRUE(testButton(*tab)->isEnabled());
    QTest::mouseClick(testButton(*tab), Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("データベースサーバー %1 に接続できました。").arg(server.place())});

    // The same server stopped listening.
    db::ServerAddress gone = server;
    gone.port = testserver::closedPort();
    db::setDataSource({gone, QString()});
    boxes.clear();
    QTest::mouseClick(testButton(*tab), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("データベースサーバー 127.0.0.1:%1/%2 に接続できません。"
                             "ホスト 127.0.0.1 のポート %1 で接続を断られました。サーバーが動いているか、ポート番号を確かめてください。")
                  .arg(gone.port)
                  .arg(server.database));
}

QUILLON_ON_BOTH_ENGINES(DataPlaceTest);

// A settings file that names no usable place opens neither engine; the tab says why.
TEST(DataPlace, ASettingsFileThatCannotBeUsedIsShownInsteadOfAPlace)
{
    TestDataDir dir;
    RecordingPresenter boxes;
    ModQLNV::resetSettingsGlobals();
    const QString problem = QStringLiteral("データの保存先 ftp://host/books は使えません（postgresql://利用者@ホスト:ポート/データベース の形で書いてください）。");
    db::setDataSource({std::nullopt, problem});
    SettingsTab tab;
    tab.Read設定();
    EXPECT_EQ(tab.findChild<QLabel *>(QStringLiteral("lblデータ保存先"))->text(), problem);
    EXPECT_FALSE(tab.findChild<QPushButton *>(QStringLiteral("cmdサーバー接続テスト"))->isEnabled());
    db::setDataSource({});
    ModQLNV::resetSettingsGlobals();
}

} // namespace
