#pragma once

#include <QString>

// Which column types may constitute a dimension (its key, its main attribute, its
// self-relationship, an extra attribute): values that identify or describe a member and
// compare exactly. Accepted: integers, exact numerics (NUMERIC/DECIMAL), character types,
// dates and times, booleans, UUIDs. Refused: binary large objects (BLOB, BYTEA, a SQLite
// column without a declared type), floating point (REAL, FLOAT, DOUBLE: members would not
// compare exactly), and structured types (JSON, XML, arrays, geometry...).
class ColumnTypeRule
{
public:
    // declaredType: SQLite's declared type as written in CREATE TABLE (sqlite true);
    // PostgreSQL's information_schema data_type.
    static bool mayConstituteDimension(bool sqlite, const QString &declaredType);
};
