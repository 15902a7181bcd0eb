// An application-defined like() for the store's SQLite connection.
//
// The search statement spends most of its time in SQLite's generic LIKE. This replacement keeps
// the built-in's meaning exactly (ASCII-only case folding; % and _ over characters as SQLite's
// own UTF-8 reader splits them, malformed bytes included; ESCAPE; the pattern length limit; the
// blob rule of the linked library) and is fast for the statement's '%' || T || '%'.
#pragma once

struct sqlite3;

namespace store {

// Registers like(X,Y) and like(X,Y,Z) on `db`, overriding the built-in LIKE operator for that
// connection. Returns an SQLite result code.
int registerLike(sqlite3 *db);

} // namespace store
