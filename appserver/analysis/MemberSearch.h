#pragma once

#include "Variant.h"

#include <QHash>
#include <QString>
#include <chrono>
#include <optional>

class Database;
class MemberQueries;
class QueryDeadline;

// rdmAnalise.procuraMembros: the members whose key or main attribute begins with a text, each
// with its path from the top of the tree, so that a view can open the tree down to it.
class MemberSearch
{
public:
    MemberSearch(Database &db, std::chrono::milliseconds limit) : m_db(db), m_limit(limit) {}

    // CDMEMBRO, NMMEMBRO, CDPAI and CAMINHO (the keys from the top-level ancestor down to the
    // member, as a JSON array of texts); the structure-error reply when a name is not
    // acceptable; MethodFailure as DimensionProfiler.
    Variant answer(const QString &table, const QString &key, const QString &attribute,
                   const QString &parent, const QString &text, int limit);

private:
    using Parents = QHash<QString, std::optional<QString>>; // key -> its parent

    // Adds the parent of every ancestor of the keys in `parents`, one level per statement;
    // each key is asked once, so a cycle ends the walk. A parent that is no member stays out.
    static void climb(QueryDeadline &reads, const MemberQueries &sql, Parents &parents);
    static QString pathTo(const QString &key, const Parents &parents);

    Database &m_db;
    std::chrono::milliseconds m_limit;
};
