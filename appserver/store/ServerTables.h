#pragma once

// Tables the server keeps for itself in the application's database (the version table apart,
// TableVersion). No client call may see or name them (Catalogue).
namespace server_tables {

constexpr const char *Users = "USUARIOSERVIDOR";
constexpr const char *Audit = "AUDITORIASERVIDOR";
constexpr const char *Logins = "ACESSOSERVIDOR";
constexpr const char *Schema = "ESQUEMASERVIDOR";
constexpr const char *SessionEnds = "FIMSESSAOSERVIDOR";
constexpr const char *Sessions = "SESSAOSERVIDOR";

} // namespace server_tables
