// The postal-code search window, offscreen on the dictionary of all Japan, driven through its
// named controls; results read from the grid's model and from the component's state.
#include "PostalTestUtil.h"
#include "support/ScreenRun.h"

#include "postal/FmYubinC.h"
#include "postal/ModYubinC.h"
#include "support/QStringPrinter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSqlTableModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using yubin::moduleState;

namespace {

class YubinWindow : public ::testing::Test
{
protected:
    TestDataDir dir;
    std::unique_ptr<FmYubinC> window;

    void SetUp() override
    {
        moduleState() = {};
        moduleState().paths = {postaltest::realDictionary(), dir.dataMdb(), dir.workMdb()};
    }
    void TearDown() override { window.reset(); }

    void open()
    {
        window = std::make_unique<FmYubinC>();
        QString error;
        ASSERT_TRUE(window->FormLoad(&error)) << error.toStdString();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <class T>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit *text(const char *name) const { return child<QLineEdit>(name); }
    QComboBox *list(const char *name) const { return child<QComboBox>(name); }
    QTableView *grid() const { return child<QTableView>("Grid"); }
    QSqlTableModel *results() const { return qobject_cast<QSqlTableModel *>(grid()->model()); }

    // A choice from a list, as the popup makes it.
    void choose(const char *name, const QString &entry) const
    {
        QComboBox *combo = list(name);
        const int index = combo->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // One character as a keyboard sends it, also one no Latin key carries.
    static void press(QWidget *widget, const QString &character)
    {
        QKeyEvent press(QEvent::KeyPress, character.at(0).isLetterOrNumber() && character.at(0).unicode() < 128
                                              ? int(character.toUpper().at(0).unicode()) : 0,
                        Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
    }
    void type(const char *name, const QString &typed, Qt::Key key = Qt::Key_Return) const
    {
        text(name)->setText(typed);
        QTest::keyClick(text(name), key);
    }

    // The grid's rows as "code 県 市 町", as far as it has read them: as stored, or as shown.
    QStringList rows(const QList<int> &columns = {FmYubinC::Col番号, FmYubinC::Col県漢字, FmYubinC::Col市町村漢字, FmYubinC::Col町名漢字},
                     int role = Qt::EditRole) const
    {
        QSqlTableModel *m = results();
        QStringList out;
        for (int row = 0; row < m->rowCount(); ++row) {
            QStringList cells;
            for (int column : columns)
                cells << m->index(row, column).data(role).toString();
            out << cells.join(u' ');
        }
        return out;
    }
    int cityCount() const { return list("cmb市町村")->count(); }
};

} // namespace

TEST_F(YubinWindow, OpensWithItsCaptionsAndTheDictionaryDate)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("郵便番号検索"));
    const struct { const char *field, *label; } labels[] = {
        {"TXT郵便番号", "郵便番号"}, {"cmb都道府県", "都道府県"},       {"cmb市町村", "区市町村"}, {"cmb町名", "町　　　名"},
        {"TXT番地", "番       地"},  {"TXT市町村かな", "区市町村かな"}, {"TXT町名かな", "町名かな"},
    };
    for (const auto &l : labels) {
        QWidget *field = child<QWidget>(l.field);
        QString caption;
        for (QLabel *label : window->findChildren<QLabel *>())
            if (label->buddy() == field)
                caption = label->text();
        EXPECT_EQ(caption, QString::fromUtf8(l.label)) << l.field;
    }
    QStringList headings;
    for (int column = 0; column <= FmYubinC::Col町名漢字; ++column)
        headings << grid()->model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headings.join(u'|'), QStringLiteral("郵便番号|県かな|市町村かな|町名かな|都道府県|区市町村名|町  名"));
    EXPECT_EQ(child<QLabel>("Label8")->text(), QStringLiteral("F5            F9           F10          ESC"));
    EXPECT_TRUE(child<QLabel>("Msg検索")->isHidden());
    const QString date = postaltest::column(postaltest::realDictionary(),
                                            QStringLiteral("SELECT 値 FROM 辞書情報 WHERE 項目 = 'データ日付'")).value(0);
    EXPECT_FALSE(date.isEmpty());
    EXPECT_EQ(child<QLabel>("lbl辞書データ")->text(), QStringLiteral("辞書データ ") + date);
    EXPECT_EQ(list("cmb都道府県")->count(), 47);
    EXPECT_EQ(list("cmb都道府県")->currentText(), QString());
    EXPECT_EQ(QApplication::focusWidget(), list("cmb都道府県"));
}

TEST_F(YubinWindow, TheOwnAreaIsPreselectedAtOpening)
{
    postaltest::run(dir.dataMdb(), QStringLiteral("INSERT INTO 自社情報 (YubinLocalEriaSw, YubinLocalEria) VALUES (1, '東京都千代田区')"));
    open();
    EXPECT_EQ(list("cmb都道府県")->currentText(), QStringLiteral("東京都"));
    EXPECT_EQ(cityCount(), 62);
    EXPECT_EQ(list("cmb市町村")->currentText(), QStringLiteral("千代田区"));
    EXPECT_GT(rows().size(), 100);
    EXPECT_EQ(text("TXT郵便番号")->text(), QStringLiteral("1000000"));
}

// The notice is painted while the search runs and hidden after it; the prefecture follows the
// code without the city list being reloaded, which would wipe the row found.
TEST_F(YubinWindow, EnterInTheCodeBoxFindsTheTownAndKeepsIt)
{
    open();
    QLabel *notice = child<QLabel>("Msg検索");
    struct PaintCount : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override { paints += e->type() == QEvent::Paint; return false; }
    } counter;
    notice->installEventFilter(&counter);
    type("TXT郵便番号", QStringLiteral("1000001"));
    EXPECT_GT(counter.paints, 0);
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(rows(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")});
    EXPECT_EQ(list("cmb都道府県")->currentText(), QStringLiteral("東京都"));

    type("TXT郵便番号", QStringLiteral("1000"));
    const QString count = QStringLiteral("SELECT count(*) FROM %1 WHERE instr(番号, '1000') > 0");
    EXPECT_EQ(postaltest::column(dir.workMdb(), count.arg(QStringLiteral("w郵便番号"))),
              postaltest::column(postaltest::realDictionary(), count.arg(QStringLiteral("郵便番号"))));
    EXPECT_EQ(rows().value(0), QStringLiteral("1000000 東京都 千代田区 "));
    EXPECT_EQ(text("TXT郵便番号")->text(), QStringLiteral("1000")) << "a fragment stays as typed";

    type("TXT郵便番号", QString());
    EXPECT_EQ(QApplication::focusWidget(), list("cmb都道府県"));
}

// The grid shows the code as 123-4567 and the three readings, the label how many rows were
// found; the code box keeps what was typed.
TEST_F(YubinWindow, ACodeShowsItsRowsAsFoundWithReadingsAndTheirCount)
{
    open();
    const char *sapporo = "060-0000 ﾎｯｶｲﾄﾞｳ ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ  北海道 札幌市中央区 ";
    const struct { const char *typed, *count, *first, *eleventh; } cases[] = {
        {"1000001", "1件", "100-0001 ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ ﾁﾖﾀﾞ 東京都 千代田区 千代田", ""},
        {"〒０２８－８４０７", "4件", "028-8407 ｲﾜﾃｹﾝ ｼﾓﾍｲｸﾞﾝﾀﾉﾊﾀﾑﾗ ｶﾜﾀﾞｲ 岩手県 下閉伊郡田野畑村 川平", ""},
        {"060000", "20件", sapporo, "006-0000"},
        {"０６００００", "20件", sapporo, "006-0000"},
        {"060-000", "20件", sapporo, "006-0000"},
        {"1", "73,951件", "100-0000 ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ  東京都 千代田区 ", "100-0014"},
        {"99999", "0件", "", ""},
    };
    const QList<int> all{FmYubinC::Col番号, FmYubinC::Col県かな, FmYubinC::Col市町村かな, FmYubinC::Col町名かな,
                         FmYubinC::Col県漢字, FmYubinC::Col市町村漢字, FmYubinC::Col町名漢字};
    for (const auto &c : cases) {
        type("TXT郵便番号", QString::fromUtf8(c.typed));
        const QStringList shown = rows(all, Qt::DisplayRole);
        EXPECT_EQ(shown.value(0), QString::fromUtf8(c.first)) << c.typed;
        EXPECT_EQ(shown.value(10).left(8), QString::fromUtf8(c.eleventh)) << c.typed;
        EXPECT_EQ(child<QLabel>("lbl件数")->text(), QString::fromUtf8(c.count)) << c.typed;
        EXPECT_EQ(text("TXT郵便番号")->text(), QString::fromUtf8(c.typed));
    }
}

TEST_F(YubinWindow, PrefectureCityAndTownFromTheListsLeadToOneRow)
{
    open();
    type("TXT郵便番号", QStringLiteral("1000001"));
    choose("cmb都道府県", QStringLiteral("東京都"));
    EXPECT_EQ(cityCount(), 62);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(child<QLabel>("lbl件数")->text(), QString()) << "no town was sought";
    choose("cmb市町村", QStringLiteral("千代田区"));
    const QStringList towns = rows();
    EXPECT_EQ(child<QLabel>("lbl件数")->text(), QStringLiteral("485件")) << "every row, also those not yet read";
    EXPECT_GT(towns.size(), 100);
    EXPECT_EQ(text("TXT郵便番号")->text(), QStringLiteral("1000000"));
    EXPECT_EQ(list("cmb町名")->currentText(), QString());

    // Walking the grid moves the code box along and leaves the rows in place.
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(text("TXT郵便番号")->text(), towns.at(1).left(7));
    EXPECT_EQ(rows(), towns);

    choose("cmb町名", QStringLiteral("千代田"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")});
    EXPECT_EQ(list("cmb町名")->currentText(), QStringLiteral("千代田"));
    EXPECT_EQ(text("TXT郵便番号")->text(), QStringLiteral("1000001"));
    text("TXT番地")->setText(QStringLiteral("1-1"));
    QTest::keyClick(text("TXT番地"), Qt::Key_F10);
    EXPECT_EQ(moduleState().resultCode, QStringLiteral("1000001"));
    EXPECT_EQ(moduleState().resultAddress, QStringLiteral("東京都千代田区千代田1-1"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(YubinWindow, KanaSearchRunsOnlyWithOneBoxFilled)
{
    open();
    const struct { const char *box, *hiragana, *halfWidth; } cases[] = {
        {"TXT市町村かな", "さっぽろしちゅうおうく", "ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ"},
        {"TXT町名かな", "がっこう", "ｶﾞｯｺｳ"},
    };
    for (const auto &c : cases) {
        window->Clear郵便検索();
        type(c.box, QString::fromUtf8(c.hiragana), Qt::Key_F5);
        const QStringList found = rows();
        EXPECT_FALSE(found.isEmpty()) << c.hiragana;
        EXPECT_EQ(QApplication::focusWidget(), grid());
        EXPECT_EQ(text("TXT郵便番号")->text(), found.value(0).left(7));
        text(c.box)->setText(QString::fromUtf8(c.halfWidth));
        QTest::mouseClick(child<QPushButton>("CMD_検索"), Qt::LeftButton);
        EXPECT_EQ(rows(), found) << c.halfWidth;
    }
    const QStringList before = rows();
    text("TXT市町村かな")->setText(QStringLiteral("さっぽろ"));
    QTest::keyClick(text("TXT町名かな"), Qt::Key_F5);
    EXPECT_EQ(rows(), before) << "both boxes filled: nothing";
}

// The window sets the prefecture and city of a result itself (a click, a new current row, a
// search by code): the city list follows and the results stay. A choice of the user always
// reads the cities again, also right after a click or a kana search.
TEST_F(YubinWindow, APrefectureSetByTheWindowKeepsTheResults)
{
    open();
    choose("cmb都道府県", QStringLiteral("北海道"));
    choose("cmb市町村", list("cmb市町村")->itemText(0));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(results()->index(2, 0)).center());
    EXPECT_EQ(text("TXT郵便番号")->text(), rows().at(2).left(7));
    EXPECT_TRUE(yubin::moduleState().suppressPrefectureChange);
    choose("cmb都道府県", QStringLiteral("沖縄県"));
    EXPECT_EQ(list("cmb市町村")->itemText(0), QStringLiteral("那覇市"));
    EXPECT_FALSE(yubin::moduleState().suppressPrefectureChange);

    type("TXT郵便番号", QStringLiteral("〒１００－０００１"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")});
    EXPECT_EQ(list("cmb都道府県")->currentText() + list("cmb市町村")->currentText(), QStringLiteral("東京都千代田区"));
    EXPECT_EQ(list("cmb市町村")->itemText(0), QStringLiteral("千代田区")) << "the city list follows";

    // A kana search over several prefectures: each row made current shows its own.
    type("TXT町名かな", QStringLiteral("がっこう"), Qt::Key_F5);
    const QStringList schools = rows();
    ASSERT_GT(schools.size(), 1);
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(list("cmb都道府県")->currentText(), schools.at(1).section(u' ', 1, 1));
    EXPECT_EQ(rows(), schools);
    QTest::keyClick(grid(), Qt::Key_F9);
    EXPECT_EQ(cityCount(), 0);
    EXPECT_EQ(child<QLabel>("lbl件数")->text(), QString());
    EXPECT_FALSE(yubin::moduleState().suppressPrefectureChange);
}

TEST_F(YubinWindow, TheListsTakeNoTypingAndKeysMoveBetweenFields)
{
    open();
    choose("cmb都道府県", QStringLiteral("東京都"));
    QComboBox *prefectures = list("cmb都道府県");
    prefectures->setFocus();
    for (const char *typed : {"a", "ｵ", "1", "と"})
        press(prefectures, QString::fromUtf8(typed));
    EXPECT_EQ(prefectures->currentText(), QStringLiteral("東京都"));
    EXPECT_EQ(cityCount(), 62);

    const struct { const char *from; Qt::Key key; const char *to; } moves[] = {
        {"cmb都道府県", Qt::Key_Return, "cmb市町村"}, {"cmb市町村", Qt::Key_Down, "cmb町名"},
        {"cmb町名", Qt::Key_Return, "TXT番地"},      {"cmb町名", Qt::Key_Up, "cmb市町村"},
        {"cmb市町村", Qt::Key_Up, "cmb都道府県"},    {"cmb都道府県", Qt::Key_Up, "TXT郵便番号"},
        {"TXT町名かな", Qt::Key_Down, "TXT郵便番号"},
    };
    for (const auto &m : moves) {
        QWidget *from = child<QWidget>(m.from);
        from->setFocus();
        QTest::keyClick(from, m.key);
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(m.to)) << m.from << " " << m.key;
    }
    EXPECT_EQ(prefectures->currentText(), QStringLiteral("東京都"));
}

// "3" is the key of ｱ on a kana keyboard; typing ｱ itself does the same. A kana no town
// begins with leaves the current row where it is.
TEST_F(YubinWindow, ACharacterTypedInTheGridJumpsToTheTown)
{
    open();
    choose("cmb都道府県", QStringLiteral("東京都"));
    choose("cmb市町村", QStringLiteral("港区"));
    const QStringList readings = postaltest::column(dir.workMdb(), QStringLiteral("SELECT 町名かな FROM w郵便番号 ORDER BY rowid"));
    const auto first = [&](const char *kana) {
        for (int row = 0; row < readings.size(); ++row)
            if (readings.at(row).startsWith(QString::fromUtf8(kana)))
                return row;
        return 0;
    };
    const struct { const char *typed; int row; } keys[] = {
        {"3", first("ｱ")}, {"ｱ", first("ｱ")}, {"t", first("ｶ")}, {"ﾄ", first("ﾄ")}, {"1", 0}, {"ﾇ", 0},
    };
    ASSERT_GT(first("ｶ"), 0);
    for (const auto &k : keys) {
        grid()->setCurrentIndex(results()->index(0, 0));
        press(grid(), QString::fromUtf8(k.typed));
        EXPECT_EQ(grid()->currentIndex().row(), k.row) << k.typed;
    }
}

// A failing search writes nothing, shows no box and the window goes on.
TEST_F(YubinWindow, AFailedSearchLeavesTheScreenAsItStands)
{
    open();
    type("TXT郵便番号", QStringLiteral("1000001"));
    postaltest::run(dir.workMdb(), QStringLiteral("DROP TABLE 郵便番号_市町村漢字"));
    choose("cmb都道府県", QStringLiteral("大阪府"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")});
    EXPECT_TRUE(child<QLabel>("Msg検索")->isHidden());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    type("TXT郵便番号", QStringLiteral("0288407"));
    EXPECT_EQ(rows().size(), 4);
}

// The modal window as the component's FormShow runs it: "選択" with no result row takes the
// boxes as typed, and a later Escape or the close box leaves nothing of the earlier choice.
TEST_F(YubinWindow, FormShowHandsBackTheChoiceAndEscapeEmptiesIt)
{
    const auto whenShown = [](std::function<void(QWidget *)> act) {
        QTimer::singleShot(0, [act] { act(QApplication::activeModalWidget()); });
    };
    whenShown([](QWidget *w) {
        w->findChild<QLineEdit *>(QStringLiteral("TXT郵便番号"))->setText(QStringLiteral("〒１２３－４５６７"));
        w->findChild<QLineEdit *>(QStringLiteral("TXT番地"))->setText(QStringLiteral("どこか1-2"));
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmd_Enter")), Qt::LeftButton);
    });
    QString error;
    ASSERT_TRUE(FmYubinC::formShow(&error)) << error.toStdString();
    EXPECT_EQ(moduleState().resultCode, QStringLiteral("1234567")) << "the box as typed, as the seven digits it holds";
    EXPECT_EQ(moduleState().resultAddress, QStringLiteral("どこか1-2"));

    whenShown([](QWidget *w) { QTest::keyClick(w->findChild<QLineEdit *>(QStringLiteral("TXT番地")), Qt::Key_Escape); });
    ASSERT_TRUE(FmYubinC::formShow(&error));
    EXPECT_EQ(moduleState().resultCode, QString());
    EXPECT_EQ(moduleState().resultAddress, QString());

    moduleState().resultCode = QStringLiteral("1000001");
    whenShown([](QWidget *w) { w->close(); });
    ASSERT_TRUE(FmYubinC::formShow(&error));
    EXPECT_EQ(moduleState().resultCode, QString()) << "the close box is \"閉じる\"";
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<FmYubinC *>(w), nullptr) << "the window is gone once closed";
}

TEST_F(YubinWindow, AWindowThatCannotWorkDoesNotOpen)
{
    QTemporaryDir other;
    QFile garbage(other.filePath(QStringLiteral("garbage.mdb")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    const struct { QString dictionary; const char *dataSql, *message; } cases[] = {
        {other.filePath(QStringLiteral("missing.mdb")), nullptr, "郵便番号辞書を開けません"},
        {garbage.fileName(), nullptr, "郵便番号辞書を開けません"},
        {dir.dataMdb(), nullptr, "郵便番号辞書を開けません"},
        {postaltest::realDictionary(), "ALTER TABLE 自社情報 DROP COLUMN YubinLocalEria", "自社情報を読めません"},
        {postaltest::realDictionary(), "DROP TABLE 都道府県", "都道府県の一覧を読めません"},
    };
    for (const auto &c : cases) {
        moduleState().paths.yubin = c.dictionary;
        moduleState().resultCode = QStringLiteral("1000001");
        if (c.dataSql)
            postaltest::run(dir.dataMdb(), QString::fromUtf8(c.dataSql));
        QString error;
        EXPECT_FALSE(FmYubinC::formShow(&error)) << c.message;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_EQ(moduleState().resultCode, QString());
    }
    EXPECT_FALSE(QFile::exists(other.filePath(QStringLiteral("missing.mdb"))));
}

// The window on the screen of a laptop or a small monitor, in the font a user may have chosen:
// it opens inside the screen's available area with every button on it; a window too large is
// made smaller, the grid keeping room for rows. Each screen runs this test again in a copy of the
// program (support/ScreenRun.h).
TEST(YubinWindowScreen, OpensInsideTheAvailableArea)
{
    const struct { int width, height, dpi; double points; bool shrunk; } screens[] = {
        {1366, 768, 96, 9, false}, {1366, 768, 96, 12, true}, {1366, 768, 120, 11, true}, {1024, 600, 96, 9, true},
    };
    // Built once, by the run that starts the copies.
    const QString dictionary = qEnvironmentVariableIsSet("POSTAL_TEST_DICTIONARY") ? qEnvironmentVariable("POSTAL_TEST_DICTIONARY")
                                                                                   : postaltest::realDictionary();
    for (const auto &s : screens) {
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("POSTAL_TEST_FONT"), QString::number(s.points)); // tells the copies apart
        extra.insert(QStringLiteral("POSTAL_TEST_DICTIONARY"), dictionary);
        if (!onScreen({QSize(s.width, s.height), s.dpi, extra}))
            continue;
        TestDataDir dir;
        moduleState().paths = {dictionary, dir.dataMdb(), dir.workMdb()};
        QFont font = QApplication::font();
        font.setPointSizeF(s.points);
        QApplication::setFont(font);
        const QSize wanted = FmYubinC().size();
        FmYubinC window;
        ASSERT_TRUE(window.FormLoad());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QRect available = window.screen()->availableGeometry();
        const QRect frame = window.frameGeometry();
        EXPECT_TRUE(available.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        EXPECT_EQ(window.size() != wanted, s.shrunk) << window.height();
        for (const char *name : {"CMD_検索", "cmdクリア", "cmd_Enter", "CMD_ESC", "Label8"}) {
            const QWidget *button = window.findChild<QWidget *>(QString::fromUtf8(name));
            EXPECT_TRUE(button->isVisible() && available.contains(QRect(button->mapToGlobal(QPoint()), button->size()))) << name;
        }
        const QTableView *grid = window.findChild<QTableView *>(QStringLiteral("Grid"));
        EXPECT_GE(grid->viewport()->height(), 8 * grid->verticalHeader()->defaultSectionSize()) << "the grid still shows rows";
    }
}
