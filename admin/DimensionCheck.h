#pragma once

#include "ProfileReport.h"
#include "StoredRuleCheck.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct AdminServer;

// The data profile of every stored dimension, asked of "KZR01200.rdmAnalise" one dimension at
// a time, every rule a stored dimension or extra breaks (stored before the server kept it),
// and their rendering as plain text or JSON (layouts in docs/admin.md).
class DimensionCheck
{
public:
    struct Result
    {
        QString code;
        QString name;
        QString table;
        ProfileReport report;
    };

    static DimensionCheck run(const AdminServer &server);

    // Two stored names that differ only by blanks around them: the screen now stores names
    // without them, so the two read as one name; stored data is left as it is and reported.
    struct SpacedNames
    {
        const Result *first;
        const Result *second;
    };
    QVector<SpacedNames> spacedNames() const;

    bool hasProblems() const;
    QByteArray text() const;
    QByteArray json() const;

private:
    QVector<Result> m_results;
    QVector<StoredRuleCheck::Breach> m_breaches;
};
