#pragma once

class Database;

// A small application database of the project's own, so that a fresh server has something
// real to show: a few dimension-like tables (one with a self-referencing parent key, one with
// a picture column that may not constitute a dimension), some rows, and dimensions with extra
// attributes over them, and the user "demo" (password "demo", role maintain) so that the demo
// can be logged into. Written for SQLite: only ever put into a SQLite file the server has just
// created.
class DemoContent
{
public:
    static void install(Database &db);

    static constexpr const char *UserName = "demo";
    static constexpr const char *Password = "demo";
};
