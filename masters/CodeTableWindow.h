#pragma once
// The code tables window Frmコード ("コード表"): the 99 slots of one category (units, or the
// pack sizes under the current column title) in a grid over the edit copy wコードマスタ,
// names typed into the slots, and the category written back as a whole with "登録".
//
// A top-level modeless window that the main window keeps and shows again: every show from
// hidden runs FormLoad, so the window always opens on the master as stored, never on edits
// left from the last time. Nothing is read before the first show.
#include <QString>
#include <QWidget>

#include <memory>

namespace codeswindow {
class SlotDelegate;
class SlotModel;
} // namespace codeswindow

namespace Ui {
class CodeTableWindow;
}

class CodeTableWindow : public QWidget
{
    Q_OBJECT
public:
    // Grid columns, in the order of wコードマスタ.
    enum Column { Col行番号 = 0, Colチェック, Colcode, Colsname };

    explicit CodeTableWindow(QWidget *parent = nullptr);
    ~CodeTableWindow() override;

    // Fills the selector with "単位" and the pack-size title, selects "単位" and reads it.
    // Run by every show from hidden.
    void FormLoad();

    // Refills the selector after ModQLNV::入数列タイトル changed. The current entry stays when
    // it is still offered; otherwise "単位" is selected and, when the window is shown, read.
    void refreshKinds();

    // Reads the slots of key into the grid, discarding edits not registered. A failure says
    // so and leaves the grid as it was; false then.
    bool Readコード表(const QString &key);

    // Registers the grid as category key after the user confirmed: refused with a message
    // when a name stands in two slots or the grid does not hold key's slots.
    void Entryコード表(const QString &key);

    // The category whose slots the grid holds; empty when none could be read.
    QString shownKind() const { return m_shownKind; }

signals:
    // A category was registered; the invoice's drop-downs of that category are out of date.
    void codesChanged(const QString &key);

protected:
    void showEvent(QShowEvent *event) override;
    // Asks first when names were typed and not registered.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillKinds();
    void selectKind(const QString &key);
    void kindChosen(int index);
    void updateButtons();
    bool ensureModel();
    void moveDown();
    void focusChanged(QWidget *old, QWidget *now);
    bool inGrid(const QWidget *widget) const;

    std::unique_ptr<Ui::CodeTableWindow> ui;
    codeswindow::SlotModel *m_model = nullptr; // objectName "dat単位"
    codeswindow::SlotDelegate *m_delegate = nullptr;
    QString m_shownKind;
    qint64 m_readAt = 0; // the change number of コードマスタ the grid's slots were read at
};
