#pragma once
// A scroll area for a column of controls: as wide as the controls need, never scrolling
// sideways, and scrolling up and down only when the window is too short for them. Its size
// hints follow its widget's as they change, so the column neither clips its controls nor
// makes the window taller than the screen.
#include <QScrollArea>

class ColumnScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit ColumnScrollArea(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void childEvent(QChildEvent *event) override;

private:
    int sideways() const; // the frame and the vertical scroll bar beside the widget
};
