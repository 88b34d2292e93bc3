#pragma once

class Database;

// A small application database of the project's own, so that a fresh server has something
// real to show: a few dimension-like tables (one with a self-referencing parent key, one with
// a picture column that may not constitute a dimension), some rows, and dimensions with extra
// attributes over them. Written for SQLite: only ever put into a SQLite file the server has
// just created.
class DemoContent
{
public:
    static void install(Database &db);
};
