// The code tables window, offscreen, driven through its named controls; message boxes are
// answered by the recording presenter and results read back with SQL.
#include "CodeTestUtil.h"

#include "masters/CodeTableWindow.h"
#include "support/RecordingPresenter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlTableModel>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

using namespace codestest;

namespace {


class CodeTableWindowTest : public masterstest::MastersTest
{
protected:
    RecordingPresenter boxes;
    std::unique_ptr<CodeTableWindow> window;

    void TearDown() override
    {
        window.reset();
        MastersTest::TearDown();
    }

    void open()
    {
        window = std::make_unique<CodeTableWindow>();
        window->show();
        reactivate();
    }

    void reactivate() const
    {
        if (QApplication::activeWindow() == window.get())
            return;
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template<class T>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox *kinds() const { return child<QComboBox>("cmb区分"); }
    QTableView *grid() const { return child<QTableView>("Gridコードマスタ"); }
    QSqlTableModel *model() const { return child<QSqlTableModel>("dat単位"); }
    void click(const char *name) const { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }

    QStringList items() const
    {
        QStringList texts;
        for (int i = 0; i < kinds()->count(); ++i)
            texts << kinds()->itemText(i);
        return texts;
    }

    void pick(const QString &kind) const
    {
        const int index = kinds()->findText(kind);
        ASSERT_GE(index, 0) << kind.toStdString();
        kinds()->setCurrentIndex(index);
    }

    // The named slots as the grid shows them, in the form of named().
    QString shown() const
    {
        QStringList slotNames;
        for (int row = 0; row < model()->rowCount(); ++row) {
            const QString name = model()->index(row, CodeTableWindow::Colsname).data().toString();
            if (!name.isEmpty())
                slotNames << model()->index(row, CodeTableWindow::Colcode).data().toString() + u'=' + name;
        }
        return slotNames.join(u' ');
    }

    // Types a name into slot row + 1; Enter ends it, otherwise the editor stays open.
    void type(int row, const QString &text, bool enter = true) const
    {
        reactivate();
        grid()->setFocus();
        grid()->setCurrentIndex(model()->index(row, CodeTableWindow::Colsname));
        grid()->edit(grid()->currentIndex());
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        editor->insert(text);
        if (enter)
            QTest::keyClick(editor, Qt::Key_Return);
    }
};

} // namespace

QUILLON_ON_BOTH_ENGINES(CodeTableWindowTest);

TEST_P(CodeTableWindowTest, TheSelectorOffersUnitsAndThePackSizeTitleAndFollowsItsChange)
{
    ModQLNV::入数列タイトル = QStringLiteral("規格");
    open();
    EXPECT_EQ(window->objectName(), QStringLiteral("Frmコード"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("コード表"));
    EXPECT_EQ(items(), (QStringList{kUnits, QStringLiteral("規格")}));
    EXPECT_EQ(kinds()->currentText(), kUnits);
    EXPECT_EQ(shown(), kProvisionedUnits);
    QStringList headings;
    for (int column = 0; column < model()->columnCount(); ++column)
        headings << model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headings, (QStringList{QStringLiteral("行番号"), QString(), QStringLiteral("code"),
                                     QStringLiteral("名     称")}));
    // Pick-only: neither a typed character nor Delete changes the entry.
    QTest::keyClick(kinds(), Qt::Key_Delete);
    QTest::sendKeyEvent(QTest::Click, kinds(), Qt::Key_unknown, QStringLiteral("規"), Qt::NoModifier);
    EXPECT_EQ(kinds()->currentText(), kUnits);

    struct Step {
        const char *what;
        QString pickFirst;
        QString title;
        QStringList items;
        QString current;
        QString grid;
    };
    const Step steps[] = {
        {"the shown title is renamed", QStringLiteral("規格"), QStringLiteral("サイズ"),
         {kUnits, QStringLiteral("サイズ")}, kUnits, kProvisionedUnits},
        {"the shown title stays", QStringLiteral("サイズ"), QStringLiteral("サイズ"),
         {kUnits, QStringLiteral("サイズ")}, QStringLiteral("サイズ"), QString()},
        {"back to the default", QString(), QStringLiteral("入数"), {kUnits, QStringLiteral("入数")}, kUnits,
         kProvisionedUnits},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        if (!s.pickFirst.isEmpty())
            pick(s.pickFirst);
        ModQLNV::入数列タイトル = s.title;
        window->refreshKinds();
        EXPECT_EQ(items(), s.items);
        EXPECT_EQ(kinds()->currentText(), s.current);
        EXPECT_EQ(shown(), s.grid);
    }
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(CodeTableWindowTest, ANameTypedIntoASlotIsRegisteredOnce)
{
    open();
    QSignalSpy changed(window.get(), &CodeTableWindow::codesChanged);
    // The invoice adds a pack size on the data connection while the window is open; the
    // window's later write must not be stuck on an old snapshot of the file.
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = '缶' WHERE kcode = '入数' AND code = '01'"));
    // Still being edited when 登録 is pressed; click() leaves the focus in the editor.
    type(19, QStringLiteral("ダース"), false);
    boxes.answers << QMessageBox::Yes;
    child<QPushButton>("cmd登録")->click();

    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("単位 を登録します。よろしいですか"),
                                         QStringLiteral("単位 を登録しました。")}));
    EXPECT_EQ(named(kUnits), kProvisionedUnits + QStringLiteral(" 20=ダース"));
    EXPECT_EQ(rowsOf(kUnits), 99);
    EXPECT_EQ(named(QStringLiteral("入数")), QStringLiteral("01=缶"));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), kUnits);
}

TEST_P(CodeTableWindowTest, WhatIsNotRegisteredLeavesTheMasterAsItWas)
{
    const QString edited = kProvisionedUnits + QStringLiteral(" 20=ダース");
    struct Case {
        const char *what;
        QString dataSql; // run on the data database before the button
        QString secondName; // typed into slot 21
        const char *button;
        QMessageBox::StandardButton answer;
        QStringList texts;
        std::optional<QString> stored; // nothing when the master cannot be read
        QString grid;
        const char *refusedCode = nullptr; // the master refuses the row of this code
    };
    const Case cases[] = {
        {"No on the question", {}, {}, "cmd登録", QMessageBox::No,
         {QStringLiteral("単位 を登録します。よろしいですか")}, kProvisionedUnits, edited},
        {"読込 discards the edit", {}, {}, "cmd_ENT", QMessageBox::Yes, {}, kProvisionedUnits, kProvisionedUnits},
        {"a name in two slots", {}, QStringLiteral("個"), "cmd登録", QMessageBox::Yes,
         {QStringLiteral("次の名称が重複しています。登録できません。\n「個」")}, kProvisionedUnits,
         edited + QStringLiteral(" 21=個")},
        {"the write is refused half-way", {}, {}, "cmd登録", QMessageBox::Yes,
         {QStringLiteral("単位 を登録します。よろしいですか"), QStringLiteral("単位 を登録できませんでした。")},
         kProvisionedUnits, edited, "50"},
        {"the read fails", QStringLiteral("ALTER TABLE コードマスタ RENAME TO 旧コードマスタ"), {}, "cmd_ENT",
         QMessageBox::Yes, {QStringLiteral("コード表を読み込めませんでした。")}, std::nullopt, edited},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestDataDir caseDir(GetParam());
        open();
        QSignalSpy changed(window.get(), &CodeTableWindow::codesChanged);
        type(19, QStringLiteral("ダース"));
        if (!c.secondName.isEmpty())
            type(20, c.secondName);
        if (c.refusedCode)
            masterstest::refuseRows(QStringLiteral("コードマスタ"), QStringLiteral("code"), QString::fromLatin1(c.refusedCode));
        if (!c.dataSql.isEmpty())
            run(db::data(), c.dataSql);
        boxes.clear();
        boxes.answers << c.answer;
        click(c.button);
        EXPECT_EQ(boxes.texts(), c.texts);
        if (c.stored) {
            EXPECT_EQ(named(kUnits), *c.stored);
        }
        EXPECT_EQ(shown(), c.grid);
        EXPECT_EQ(changed.size(), 0);
        window.reset();
    }
}

TEST_P(CodeTableWindowTest, EnterCommitsTheNameAndGoesToTheNextSlot)
{
    open();
    type(19, QStringLiteral("ダース"));
    EXPECT_EQ(grid()->currentIndex(), model()->index(20, CodeTableWindow::Colsname));
    EXPECT_EQ(model()->index(19, CodeTableWindow::Colsname).data().toString(), QStringLiteral("ダース"));
    EXPECT_EQ(named(kUnits), kProvisionedUnits); // typed, not registered
    // Japanese input in the grid, not outside it.
    EXPECT_TRUE(grid()->testAttribute(Qt::WA_InputMethodEnabled));
    child<QPushButton>("cmd閉じる")->setFocus();
    EXPECT_FALSE(grid()->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_P(CodeTableWindowTest, ShowingTheWindowAgainShowsTheMasterNotTheOldEdits)
{
    open();
    pick(QStringLiteral("入数"));
    type(0, QStringLiteral("ケース"));
    boxes.answers << QMessageBox::Yes;
    click("cmd閉じる");
    ASSERT_FALSE(window->isVisible());

    boxes.clear();
    window->show();
    reactivate();
    EXPECT_EQ(kinds()->currentText(), kUnits);
    EXPECT_EQ(shown(), kProvisionedUnits);
    pick(QStringLiteral("入数"));
    EXPECT_EQ(shown(), QString());
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(CodeTableWindowTest, ClosingOverNamesNotRegisteredAsksFirst)
{
    using Change = std::function<void()>;
    const Change typed = [this] { type(19, QStringLiteral("ダース")); };
    const auto typedThen = [this](const char *button) {
        return [this, button] {
            type(19, QStringLiteral("個")); // already in slot 01: registering is refused
            click(button);
        };
    };
    const struct {
        const char *what;
        Change change;
        bool closeBox; // else 閉じる
        QMessageBox::StandardButton answer; // NoButton: nothing is asked
    } cases[] = {
        {"nothing typed", [] {}, false, QMessageBox::NoButton},
        {"a name typed", typed, false, QMessageBox::No},
        {"a name typed", typed, true, QMessageBox::Yes},
        {"a name being typed", [this] { type(19, QStringLiteral("ダース"), false); }, true,
         QMessageBox::No},
        {"a name refused by 登録", typedThen("cmd登録"), false, QMessageBox::No},
        {"names read over", typedThen("cmd_ENT"), true, QMessageBox::NoButton},
        {"a name typed back", [this] { type(0, QStringLiteral("個")); }, false, QMessageBox::NoButton},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.closeBox ? " / close box" : " / 閉じる"));
        open();
        c.change();
        boxes.clear();
        if (c.answer != QMessageBox::NoButton)
            boxes.answers << c.answer;
        const QString before = shown();
        const auto typing = [] { return qobject_cast<QLineEdit *>(QApplication::focusWidget()) != nullptr; };
        const bool wasTyping = typing();
        if (c.closeBox)
            window->close();
        else
            click("cmd閉じる");
        const bool closes = c.answer != QMessageBox::No;
        EXPECT_EQ(window->isVisible(), !closes);
        EXPECT_EQ(boxes.texts(), c.answer == QMessageBox::NoButton ? QStringList() : QStringList{masterstest::kCloseQuestion});
        if (!closes) {
            EXPECT_EQ(shown(), before);
            EXPECT_EQ(typing(), wasTyping);
        }
        window.reset();
    }
}
