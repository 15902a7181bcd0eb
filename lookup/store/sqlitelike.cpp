#include "lookup/store/sqlitelike.h"

#include "lookup/store/likematch.h"

#include <sqlite3.h>

#include <cstdint>

namespace store {
namespace {

using Char = detail::LikeChar;
using Byte = std::uint8_t;

// The number of characters SQLite counts when it checks that an ESCAPE text is one character.
int escapeLength(const Byte *z)
{
    int count = 0;
    while (*z) {
        if (*z++ >= 0xC0) {
            while ((*z & 0xC0) == 0x80)
                ++z;
        }
        ++count;
    }
    return count;
}

// A pattern read once per statement run and kept with SQLite's per-argument auxiliary data,
// with what it was made from.
class Pattern : public detail::LikePattern
{
public:
    Pattern(const Byte *z, int bytes, sqlite3 *db, bool hasEscape, Char escape)
        : LikePattern(z, hasEscape, escape), m_bytes(bytes), m_db(db), m_hasEscape(hasEscape),
          m_escape(escape)
    {}

    int bytes() const { return m_bytes; }
    sqlite3 *connection() const { return m_db; }
    bool isFor(bool hasEscape, Char escape) const
    {
        return hasEscape == m_hasEscape && escape == m_escape;
    }

private:
    int m_bytes;
    sqlite3 *m_db;
    bool m_hasEscape;
    Char m_escape;
};

struct LikeOptions
{
    // Debian's SQLite (and others) is built so that LIKE never matches a blob.
    bool blobsNeverMatch;
};

void deletePattern(void *p)
{
    delete static_cast<Pattern *>(p);
}

// Mirrors the order of the built-in's checks, since that order decides which error a bad call
// reports: blobs, the pattern length limit, the escape text, then null arguments.
//
// SQLite keeps auxiliary data only while the argument is a constant of the running statement,
// so a compiled pattern found there was made from this very first argument: its type, length
// and connection are known without asking SQLite again. The escape is another argument and is
// compared.
void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    const auto *options = static_cast<const LikeOptions *>(sqlite3_user_data(context));
    auto *compiled = static_cast<const Pattern *>(sqlite3_get_auxdata(context, 0));
    if (options->blobsNeverMatch && ((!compiled && sqlite3_value_type(argv[0]) == SQLITE_BLOB) ||
                                     sqlite3_value_type(argv[1]) == SQLITE_BLOB)) {
        sqlite3_result_int(context, 0);
        return;
    }
    const int patternBytes = compiled ? compiled->bytes() : sqlite3_value_bytes(argv[0]);
    sqlite3 *db = compiled ? compiled->connection() : sqlite3_context_db_handle(context);
    if (patternBytes > sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    bool hasEscape = false;
    Char escape = 0;
    if (argc == 3) {
        const Byte *e = sqlite3_value_text(argv[2]);
        if (!e)
            return;
        if (escapeLength(e) != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = detail::readLikeChar(e);
        hasEscape = true;
    }
    if (!compiled || !compiled->isFor(hasEscape, escape)) {
        const Byte *pattern = sqlite3_value_text(argv[0]);
        if (!pattern || !sqlite3_value_text(argv[1]))
            return;
        // value_text may have converted the value, so its length is taken again.
        const int sourceBytes = sqlite3_value_bytes(argv[0]);
        sqlite3_set_auxdata(context, 0, new Pattern(pattern, sourceBytes, db, hasEscape, escape),
                            deletePattern);
        // SQLite may drop auxiliary data at once (out of memory); ask for it back.
        compiled = static_cast<const Pattern *>(sqlite3_get_auxdata(context, 0));
        if (!compiled) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    const Byte *text = sqlite3_value_text(argv[1]);
    if (!text)
        return;
    sqlite3_result_int(context, compiled->matches(text, std::size_t(sqlite3_value_bytes(argv[1]))));
}

} // namespace

int registerLike(sqlite3 *db)
{
    static const LikeOptions kOptions{sqlite3_compileoption_used("LIKE_DOESNT_MATCH_BLOBS") != 0};
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    auto *data = const_cast<LikeOptions *>(&kOptions);
    int rc = sqlite3_create_function_v2(db, "like", 2, flags, data, likeFunction, nullptr, nullptr,
                                        nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "like", 3, flags, data, likeFunction, nullptr, nullptr,
                                        nullptr);
    return rc;
}

} // namespace store
