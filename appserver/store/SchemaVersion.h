#pragma once

#include "ServerTables.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class Database;

// The version of the server's own tables, kept in the database itself (ESQUEMASERVIDOR: one
// row per version reached, with when). Version 1 is the layout from before that table
// existed. A program that finds an older database brings it up to Current in one transaction;
// one that finds a newer database refuses it before touching anything, since an older program
// cannot know what the newer tables mean. Several servers on one PostgreSQL database upgrade
// it once: the upgrade holds a transaction-wide advisory lock and looks again under it.
class SchemaVersion
{
public:
    static constexpr int Current = 4;
    static constexpr const char *Table = server_tables::Schema;

    // What a database holds before the server prepares it.
    struct Found
    {
        std::optional<qint64> version; // nullopt: no version table
        bool serverTables = false;  // the server's tables were there already

        bool older() const { return serverTables && version.value_or(1) < Current; }
    };

    // Looks without changing anything. Throws Exception (Portuguese, nothing touched) when the
    // database is newer than this program.
    static Found inspect(Database &db);
    // After the tables of the current layout exist: the steps from the version found up to
    // Current, and the version recorded, all or none. Returns true when it upgraded.
    static bool bringUpToDate(Database &db, const Found &found);
    // The version recorded; nullopt when there is no version table. Throws Exception
    // (Portuguese) when a row holds no version there ever was: below 1, or not a whole number.
    static std::optional<qint64> read(Database &db);

private:
    static void refuseNewer(qint64 version);
};
