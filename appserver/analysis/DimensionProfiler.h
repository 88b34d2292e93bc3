#pragma once

#include "DimensionProfile.h"
#include "Variant.h"

#include <chrono>

class Database;
class ProfileQueries;
class QueryDeadline;

// Computes the data profile of a dimension from its application table, exactly, with one
// time limit over the whole request. The table and fields are judged first as vdDimensao
// judges them, and only names found in the catalogue ever reach a statement.
class DimensionProfiler
{
public:
    DimensionProfiler(Database &db, std::chrono::milliseconds limit) : m_db(db), m_limit(limit) {}

    // The profile packet; or the structure-error reply ("INV_TABELA..." and the like) when the
    // table or a field is not acceptable. MethodFailure when the key or the main attribute is
    // blank, when the time is up ("Análise interrompida após N s.") or on a database error.
    Variant answer(const QString &table, const QString &key, const QString &attribute,
                   const QString &parent);

private:
    // Rows, keys and main attributes; answers the number of rows that have a key.
    static qint64 measureKeys(QueryDeadline &reads, const ProfileQueries &sql,
                              DimensionProfile &profile);
    static void measureHierarchy(QueryDeadline &reads, const ProfileQueries &sql, qint64 keyedRows,
                                 DimensionProfile &profile);

    Database &m_db;
    std::chrono::milliseconds m_limit;
};
