#pragma once

class Database;

// Makes a database ready to serve: creates the server's own tables when they are missing
// (DIMENSAODIME, ATRIBEXTRADIME, the users USUARIOSERVIDOR and the audit trail
// AUDITORIASERVIDOR) and touches nothing else, so that the server can be pointed at an
// existing application database.
class SchemaInstaller
{
public:
    // Returns true when it created the tables.
    static bool install(Database &db);
};
