#include "SaveStatus.h"

#include <QApplication>

namespace {
QString clock(const QTime &at)
{
    return at.toString(QStringLiteral("HH:mm"));
}
} // namespace

SaveStatus::SaveStatus(QWidget *parent) : ElidedLabel(parent)
{
    setObjectName(QStringLiteral("lblCache"));
}

QString SaveStatus::wordsFor(const QString &table)
{
    const QString name = table.trimmed().toUpper();
    if (name == QLatin1String("DIMENSAODIME"))
        return QStringLiteral("Dimensões");
    if (name == QLatin1String("ATRIBEXTRADIME"))
        return QStringLiteral("Atributos extras");
    return QStringLiteral("Dados de %1").arg(table.trimmed());
}

void SaveStatus::saved(const QStringList &tables, const QTime &at)
{
    QStringList words;
    for (const QString &table : tables)
        words << wordsFor(table);
    words.removeDuplicates();
    if (words.isEmpty())
        words << QStringLiteral("Dados");
    // The participle agrees: feminine only when everything named is ("Dimensões").
    const bool feminine = words == QStringList{QStringLiteral("Dimensões")};
    const QString text = QStringLiteral("%1 %2 às %3")
                             .arg(words.join(QStringLiteral(" e ")),
                                  feminine ? QStringLiteral("gravadas") : QStringLiteral("gravados"),
                                  clock(at));
    show(text, text, false);
}

void SaveStatus::failed(const QString &message, const QTime &at)
{
    const QString head = QStringLiteral("Falha ao gravar às %1").arg(clock(at));
    const QString reason = message.simplified(); // one line: its lines side by side
    show(reason.isEmpty() ? head : QStringLiteral("%1: %2").arg(head, reason),
         reason.isEmpty() ? head : QStringLiteral("%1:\n%2").arg(head, message.trimmed()), true);
}

void SaveStatus::succeeded()
{
    if (m_failure) show(QString(), QString(), false);
}

void SaveStatus::show(const QString &text, const QString &tip, bool failure)
{
    m_failure = failure;
    QPalette colours = QApplication::palette(this);
    if (failure) colours.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    setPalette(colours);
    QFont weight = font();
    weight.setBold(failure);
    setFont(weight);
    setText(text);
    setToolTip(tip);
}
