#pragma once

class Database;

// Makes a database ready to serve: creates DIMENSAODIME and ATRIBEXTRADIME when they are
// missing and touches nothing else, so that the server can be pointed at an existing
// application database.
class SchemaInstaller
{
public:
    // Returns true when it created the tables.
    static bool install(Database &db);
};
