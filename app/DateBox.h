#pragma once
// A date box: a line that shows and takes a date in a chosen form (era "gggee年mm月dd日" or
// Western "yyyy年mm月dd日", the pattern letters of formats::formatDate), and a drop-down
// calendar with its own title line in a second form ("gggee年mm月").
//
// Typed text is read when the box is left or Enter is pressed: any form formats::parseDate
// knows is taken, anything else puts the last good date back. A nullable box may be empty.
#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

class DateBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QDate date READ date WRITE setDate NOTIFY dateChanged USER true)
public:
    explicit DateBox(QWidget *parent = nullptr);
    ~DateBox() override;

    void setDisplayFormat(const QString &pattern);
    QString displayFormat() const { return m_displayFormat; }
    void setCalendarTitleFormat(const QString &pattern);
    QString calendarTitleFormat() const { return m_titleFormat; }

    // Whether the box may be left without a date (an empty text).
    void setNullable(bool nullable) { m_nullable = nullable; }
    bool isNullable() const { return m_nullable; }

    // An invalid date when the box is empty.
    QDate date() const { return m_date; }
    void setDate(const QDate &date);
    void clear() { setDate(QDate()); }

    QString text() const;
    QLineEdit *lineEdit() const { return m_edit; }

    // The drop-down calendar and the title it shows for its month.
    void showCalendar();
    void hideCalendar();
    bool isCalendarVisible() const;
    QCalendarWidget *calendar() const { return m_calendar; }
    QString calendarTitle() const;

signals:
    void dateChanged(const QDate &date);
    // Enter was pressed or the box was left, after the typed text was taken or put back.
    void editingFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void commitText();
    void showText();
    void updateTitle();
    void pickDate(const QDate &date);

    QLineEdit *m_edit = nullptr;
    QToolButton *m_button = nullptr;
    QFrame *m_popup = nullptr;
    QLabel *m_title = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QDate m_date;
    QString m_displayFormat;
    QString m_titleFormat;
    bool m_nullable = false;
};
