#pragma once

#include "Variant.h"

#include <QString>
#include <QVariantList>
#include <chrono>
#include <optional>

class Database;
class DimensionColumns;

// rdmAnalise.getMembros: one page of a dimension's members, by key, under one time limit.
class MemberPages
{
public:
    MemberPages(Database &db, std::chrono::milliseconds limit) : m_db(db), m_limit(limit) {}

    // The page (CDMEMBRO, NMMEMBRO, CDPAI, QTFILHOS, IDSITUACAO); the structure-error reply
    // when a name is not acceptable. `parentKey` nullopt: the top level (every member of a flat
    // dimension); `after` nullopt: the first page. MethodFailure as DimensionProfiler, and for
    // a parent key asked of a flat dimension.
    // On PostgreSQL, when this connection has looked the table up before, the page built on
    // that look-up's names goes to the database together with a fresh look-up and the time
    // limit, in one round trip; it is answered only if the fresh look-up finds the same table
    // and columns, and is built again on what it found otherwise.
    Variant answer(const QString &table, const QString &key, const QString &attribute,
                   const QString &parent, const std::optional<QString> &parentKey,
                   const std::optional<QString> &after, int limit);

private:
    // A page's statement and values, or its answer when no read is needed.
    struct Plan
    {
        std::optional<Variant> answer;
        QString sql;
        QVariantList values;
    };
    Plan plan(const DimensionColumns &columns, const std::optional<QString> &parentKey,
              const std::optional<QString> &after, int limit) const;

    Database &m_db;
    std::chrono::milliseconds m_limit;
};
