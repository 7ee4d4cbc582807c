#include "app/Helpers.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethod>
#include <QRegularExpression>
#include <QWidget>

#include <cmath>

namespace ModQLNV {

qint64 Calc端数(double value, const QString &method)
{
    constexpr double limit = 9999999999.99;
    // The negated test also catches NaN, for which every comparison is false.
    if (!(value >= -limit && value <= limit))
        return 0;

    double adjusted = value;
    if (method == u"切り捨て") {
        if (value > 0)
            adjusted = value + 0.00000001;
    } else if (method == u"四捨五入") {
        adjusted = value > 0 ? value + 0.5 : value - 0.5;
    } else {
        adjusted = value > 0 ? value + 0.99999 : value - 0.99999;
    }
    return static_cast<qint64>(std::trunc(adjusted));
}

QString Format郵便番号(const QString &text)
{
    if (text.size() == 7 && !text.contains(u'-'))
        return text.left(3) + u'-' + text.right(4);
    return text;
}

void SetIME(QWidget *widget, bool open)
{
    if (!widget)
        return;
    constexpr Qt::InputMethodHints latinOnly = Qt::ImhPreferLatin | Qt::ImhNoPredictiveText;
    Qt::InputMethodHints hints = widget->inputMethodHints();
    hints = open ? (hints & ~latinOnly) : (hints | latinOnly);
    widget->setInputMethodHints(hints);
    widget->setAttribute(Qt::WA_InputMethodEnabled, open);
    // The input method only asks again when told; the focused control is the one it serves.
    if (widget->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
}

QColor colorFromRgbLong(int rgb)
{
    if (rgb < 0 || rgb > 0xFFFFFF)
        return {};
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

int rgbLongFromColor(const QColor &color)
{
    if (!color.isValid())
        return -1;
    const QRgb rgb = color.rgb();
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

int GetColor(QWidget *owner, int initial)
{
    const QList<QColor> custom(16, QColor(Qt::white));
    const auto chosen = dialogChooser().chooseColor(owner, colorFromRgbLong(initial), custom);
    if (!chosen || !chosen->isValid())
        return -1;
    return rgbLongFromColor(*chosen);
}

QStringList qtFileFilters(const QString &barFilter)
{
    QStringList parts = barFilter.split(u'|');
    // The old form ends every pair with "|", which leaves an empty last piece.
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();

    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QString patterns = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        patterns.replace(u';', u' ');
        patterns = patterns.simplified();
        if (patterns.isEmpty())
            patterns = QStringLiteral("*");
        filters << (description.isEmpty() ? patterns : description + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

QString openFileDirectory(const QString &initialDir)
{
    static const QRegularExpression windowsDrive(QStringLiteral("^[A-Za-z]:([\\\\/]|$)"));
    if (initialDir.isEmpty() || windowsDrive.match(initialDir).hasMatch())
        return QDir::homePath();
    const QFileInfo info(initialDir);
    if (!info.exists() || !info.isDir())
        return QDir::homePath();
    return info.absoluteFilePath();
}

int GetOpenFile(QWidget *owner, OpenFileRequest &request)
{
    const QStringList filters = qtFileFilters(request.filter);
    QString selected;
    if (!filters.isEmpty()) {
        const qsizetype index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                                    ? request.filterIndex - 1
                                    : 0;
        selected = filters.at(index);
    }
    const QString chosen = dialogChooser().chooseOpenFile(owner, request.title,
                                                          openFileDirectory(request.initialDir),
                                                          filters.join(QStringLiteral(";;")), selected);
    if (chosen.isEmpty())
        return 0;
    const QFileInfo info(chosen);
    request.path = info.absoluteFilePath();
    request.fileTitle = info.fileName();
    return 1;
}

} // namespace ModQLNV
