#pragma once

#include "Variant.h"

#include <QString>
#include <chrono>
#include <optional>

class Database;

// rdmAnalise.getMembros: one page of a dimension's members, by key, under one time limit.
class MemberPages
{
public:
    MemberPages(Database &db, std::chrono::milliseconds limit) : m_db(db), m_limit(limit) {}

    // The page (CDMEMBRO, NMMEMBRO, CDPAI, QTFILHOS, IDSITUACAO); the structure-error reply
    // when a name is not acceptable. `parentKey` nullopt: the top level (every member of a flat
    // dimension); `after` nullopt: the first page. MethodFailure as DimensionProfiler, and for
    // a parent key asked of a flat dimension.
    Variant answer(const QString &table, const QString &key, const QString &attribute,
                   const QString &parent, const std::optional<QString> &parentKey,
                   const std::optional<QString> &after, int limit);

private:
    Database &m_db;
    std::chrono::milliseconds m_limit;
};
