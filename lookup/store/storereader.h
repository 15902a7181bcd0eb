// The one reader of store files. It knows where the program's store is (storelocation.h),
// holds the one loaded store, and decides by one rule when the file is read again: at every
// request the file is looked at, and it is read, checked and loaded again only when its
// identity (device, inode, size and times) has changed. The search (StoreSession), capture and
// crvt-tool all read through a reader; the search and capture share the program's one.
//
// A reader may be used from several threads (capture loads in the background while the player
// types): each request holds the reader until it is answered.
#pragma once

#include "lookup/store/recordset.h"
#include "lookup/store/storeerror.h"
#include "lookup/store/storelocation.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

namespace store {

namespace detail {
struct LoadedStore;
class StoreCache;
} // namespace detail

// The statement capture and crvt-tool read every row with: question and answer in store order.
inline constexpr char16_t kEveryRowStatement[] = u"select question, answer from cv";

class StoreReader
{
public:
    using Locator = std::function<StoreLocation()>;

    // The program's store: the player's own when the player's folder holds one, else the one
    // beside the program.
    StoreReader();
    explicit StoreReader(Locator locator);
    ~StoreReader();
    StoreReader(const StoreReader &) = delete;
    StoreReader &operator=(const StoreReader &) = delete;

    // Where the program's store is now; looked up afresh at each call.
    StoreLocation location() const;

    // The store at `path` opened with `password`: its file checked, its password compared and
    // its database made, or why not. The same store while the file is unchanged; a store that
    // was refused is refused again without being read again.
    Result<std::shared_ptr<detail::LoadedStore>> open(const QString &path, const QString &password);
    // Runs `statement` with its ? parameters bound in order to `parameters` on an opened store.
    Result<RecordSet> run(const std::shared_ptr<detail::LoadedStore> &store,
                          const QString &statement, const QStringList &parameters = {});
    // The two above.
    Result<RecordSet> query(const QString &path, const QString &password, const QString &statement,
                            const QStringList &parameters = {});

    // Question and answer of every row (kEveryRowStatement), read once per loaded store: the
    // same rows (RecordSet::sharesRowsWith) for as long as the file is unchanged.
    Result<RecordSet> everyRow(const QString &path, const QString &password);
    // The same of the program's store, opened with the program's password.
    Result<RecordSet> everyRow();

    // How many times a store file has been read and parsed.
    int loads() const;

private:
    Result<std::shared_ptr<detail::LoadedStore>> openLocked(const QString &path,
                                                            const QString &password);

    Locator m_locator;
    mutable std::mutex m_mutex;
    std::unique_ptr<detail::StoreCache> m_cache;
};

} // namespace store
