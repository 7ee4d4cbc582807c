#pragma once
// The postal-code search window FmYubinC ("郵便番号検索"): finds an address by postal code,
// by prefecture, city and town chosen from the lists, or by the kana reading of a city or a
// town, and hands the chosen code and address to the caller through moduleState().
//
// The window holds no SQL: the searches are YubinSearch's, and the lists and the grid show the
// work tables through models on a read connection of their own, so that a grid that has read
// only the first rows of a large result never stands in the way of the next search's writes.
// The grid shows a code as 123-4567 (the code box and the result take the stored digits), and
// lbl件数 how many rows the last search found.
//
// Only a user's choice from a list runs a search; the window setting the prefecture itself
// (at opening, when a result row becomes current, after a search by an exact code) leaves the
// results on screen as they are.
#include <QDialog>
#include <QString>

#include <memory>

class QComboBox;
class QModelIndex;
namespace yubinwindow {
class WorkTableModel;
}

namespace Ui {
class FmYubinC;
}

namespace yubin {
class SqlConnection;
class YubinSearch;
}

class FmYubinC : public QDialog
{
    Q_OBJECT
public:
    // Grid columns, in the order of w郵便番号.
    enum Column { Col番号 = 0, Col県かな, Col市町村かな, Col町名かな, Col県漢字, Col市町村漢字, Col町名漢字 };

    // Works on the paths in moduleState(); nothing is read before FormLoad.
    explicit FmYubinC(QWidget *parent = nullptr);
    ~FmYubinC() override;

    // The single window, shown modally until "選択" or "閉じる"; the result stays in
    // moduleState(). When the window cannot work (dictionary, data or work file missing or
    // unreadable) it does not open: false, both results empty and *error says why.
    static bool formShow(QString *error = nullptr);

    // The opening steps: the dictionary checked, the window cleared, the prefectures read and
    // the user's own area preselected. False with a message when the window cannot work.
    bool FormLoad(QString *error = nullptr);

    // "クリア": the lists, the boxes and the results emptied; false when the work file
    // cannot be written.
    bool Clear郵便検索();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public slots:
    // "閉じる", Escape and the window's close box: no result.
    void reject() override;
    // Opens inside the available area of its screen: a window larger than that is made
    // smaller, and its grid scrolls.
    void setVisible(bool visible) override;

private:
    bool windowKey(int key);
    bool fieldKey(QObject *watched, QKeyEvent *key);
    bool gridKey(QKeyEvent *key);

    // Runs one search with the notice shown, then shows the work tables as they now stand.
    // A town, when given, stays shown in the town list.
    template <typename F>
    bool searching(F run, const QString &town = QString());
    void showResults(const QString &town = QString());
    void showCities();

    void prefectureChosen();
    void cityChosen();
    void townChosen();
    void codeEntered();
    void kanaSearch();
    void gridClicked();
    void gridRowChanged(const QModelIndex &current);
    void choose();

    // The prefecture and city of a result shown in the lists, without a search of their own.
    void setPrefectureText(const QString &prefecture, const QString &city);
    QString cell(int row, int column) const;
    int currentRow() const;

    std::unique_ptr<Ui::FmYubinC> ui;
    std::unique_ptr<yubin::YubinSearch> m_search;
    // The models' connection; it outlives them (the destructor deletes them first).
    QString m_readError;
    std::unique_ptr<yubin::SqlConnection> m_read;
    yubinwindow::WorkTableModel *m_results = nullptr; // wkDAT: w郵便番号, the grid and the town list
    yubinwindow::WorkTableModel *m_cities = nullptr;  // wkDAT2: 郵便番号_市町村漢字, the city list
    // Set while the window itself moves the grid's current row.
    bool m_quietGrid = false;
};
