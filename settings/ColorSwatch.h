#pragma once
// A small framed area painted in a colour (an RGB long, red in the low byte). A
// double-click asks for another colour; the owner decides what to do with it.
#include <QFrame>

namespace settings {

class ColorSwatch : public QFrame
{
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    int colorValue() const { return m_value; }
    // Values outside 0 ... 0xFFFFFF show black.
    void setColorValue(int rgbLong);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_value = 0;
};

} // namespace settings
