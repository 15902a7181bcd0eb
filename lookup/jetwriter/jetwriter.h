// Writes Jet 4 databases (the Access 2000-2003 file format) holding tables of text columns.
//
// The file has 4096-byte pages, unencrypted:
//   page 0  header: version, masked region, database password, creation date (jetheader.h)
//   page 1  the database-wide page usage map
//   page 2  MSysObjects' definition (every reader finds the catalog there), pages 3 to 5 those
//           of MSysACEs, MSysQueries and MSysRelationships
//   then, per table: its definition page, a page holding its usage maps, and its data pages
//   (plus usage bitmap pages when the data runs past what one inline map covers).
// Each table is listed in MSysObjects under the "Tables" container with the number of its
// definition page as its Id, which is how Jet and mdbtools find it.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace jetwriter {

struct TextTable
{
    QString name;
    QStringList columns;                                   // all text(255) columns
    std::vector<std::vector<std::optional<QString>>> rows; // nullopt = null field
};

// Jet 4 databases end at 2 GiB: Jet refuses a larger file and page numbers beyond it do not fit
// a table's page map.
inline constexpr qint64 kMaxFileSize = qint64(2) << 30;

// Why `path` cannot be written to: it exists and is not an ordinary file (after following
// symbolic links), e.g. "is a FIFO, not an ordinary file". nullopt when it is one or is absent.
std::optional<QString> outputProblem(const QString &path);

// Writes a complete Jet 4 database with the database password set (empty = none) and the
// given tables, to a temporary file beside `path` renamed into place. nullopt on success,
// otherwise one clear message (e.g. value longer than 255 characters in row 12 column answer).
// Nothing is left at `path` or beside it on failure; an existing file there is replaced only
// by a complete new one, and anything at `path` that is not an ordinary file is refused
// (outputProblem). A database that would be larger than `maxFileSize` (at most kMaxFileSize)
// is refused before anything is written.
//
// No table at all gives a valid database with only the system tables. Values must be text that
// mdbtools can read back as written: characters outside the Basic Multilingual Plane and U+0000
// are refused, since Jet 4 readers see text as UCS-2 code units.
std::optional<QString> writeJet4(const QString &path, const QString &password,
                                 const std::vector<TextTable> &tables,
                                 qint64 maxFileSize = kMaxFileSize);

} // namespace jetwriter
