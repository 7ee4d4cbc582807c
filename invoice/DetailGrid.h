#pragma once
// Grid明細: the detail lines of the invoice, always 99, over the model of w明細.
//
// Columns, captions, widths and alignments are set by setupColumns; Enter moves right, and
// from 金額 to 品名 of the next line; the input method is on in 品名 and 単位 only. The view
// (current cell and scroll position) survives a reload of the table.
#include <QBasicTimer>
#include <QTableView>

class DetailModel;
class DetailDelegate;

class DetailGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DetailGrid(QWidget *parent = nullptr);

    void setDetailModel(DetailModel *model);
    DetailModel *detailModel() const { return m_model; }
    DetailDelegate *delegate() const { return m_delegate; }

    // Widths in twips, 15 to the pixel.
    static int pixelsFromTwips(double twips);
    // Shows columns 1 to 6 with their widths and captions (column 2 headed packSizeTitle);
    // hides the line number, 非課税, ふりがな and 小計.
    void setupColumns(const QString &packSizeTitle);
    // The width the grid needs to show those columns and its scroll bar, whether or not the
    // model could read its table.
    int shownWidth() const;
    // Shows or hides the narrow reduced-rate column after 金額 ("※" on a marked line). A click
    // on its cell, or the space bar there, switches the mark.
    void setReducedRateShown(bool shown);
    bool reducedRateShown() const { return m_reducedShown; }

    // The line number (1 to 99) of the current line; 0 when there is none.
    int currentLine() const;
    // A cell's editor is open: something is being typed that is not stored yet.
    bool isEditing() const { return state() == EditingState; }
    // Makes a cell current and shows it.
    void setCurrentCell(int row, int column);
    // Moves on from index as Enter does: to the right, and from 金額 to 品名 of the next line
    // (the last line stays where it is).
    void moveAfterEnter(const QModelIndex &index);

    struct View {
        int row = -1;
        int column = -1;
        int scroll = 0;
    };
    View saveView() const;
    void restoreView(const View &view);

    // Reloads the model and keeps the view.
    void reloadKeepingView();

signals:
    void productPicked(int row, int productRow);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    int reducedRateWidth() const;

    DetailModel *m_model = nullptr;
    DetailDelegate *m_delegate = nullptr;
    // A click on the current cell opens its editor once the double-click time has passed;
    // a key typed before then opens it at once, with that key.
    QBasicTimer m_clickEdit;
    bool m_pressedOnCurrent = false;
    bool m_reducedShown = false;
};
