#pragma once

#include "Variant.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

// A dimension's data profile as rdmAnalise.getPerfil answers it, put into words: what is
// wrong with the data, and one line a person reads at a glance
// ("1.234 membros · chave única · 0 órfãos · profundidade 3").
class ProfileReport
{
public:
    // reply: the profile packet, a structure-error reply, or a server failure.
    explicit ProfileReport(const Variant &reply);

    bool hasProblems() const { return !m_problems.isEmpty(); }
    const QStringList &problems() const { return m_problems; }
    QString summary() const;
    // The measures as numbers, texts and lists; the problems under "problemas".
    QJsonObject toJson() const;

private:
    QString value(const QString &measure) const; // "" when absent or null
    qint64 count(const QString &measure) const;
    bool has(const QString &measure) const; // present and not null
    void judge();

    QMap<QString, QList<std::optional<QString>>> m_measures;
    QStringList m_parts;    // the summary, in order
    QStringList m_problems; // each a short reason
};
