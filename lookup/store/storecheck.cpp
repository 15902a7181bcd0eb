#include "lookup/store/storecheck.h"

#include "lookup/store/storefile.h"

namespace store::detail {

Result<jet::HeaderInfo> readHeaderOf(const QByteArray &bytes, const QString &path)
{
    const auto header =
        jet::readHeader(QByteArrayView(bytes).first(qMin(bytes.size(), jet::kJet4PageSize)));
    if (!header)
        return storeError(StoreError::NotJet, path, QStringLiteral("not a Jet database"));
    if (header->damaged || jet::jet3HeaderOnJet4Pages(*header, bytes))
        return storeError(StoreError::Corrupt, path,
                          QStringLiteral("the header is damaged: its version byte does not "
                                         "match the file"));
    if (header->version == jet::Version::Later)
        return storeError(StoreError::NotJet, path,
                          QStringLiteral("an Access 2007 or later database, which Jet 4 does "
                                         "not open"));
    return *header;
}

StoreError wrongPassword(const QString &path)
{
    return storeError(StoreError::WrongPassword, path, QStringLiteral("wrong database password"));
}

Result<OpenedFile> openChecked(const QString &path, const QString &password)
{
    auto file = readStore(path);
    if (!file)
        return file.error();
    auto header = readHeaderOf(file->bytes, path);
    if (!header)
        return header.error();
    if (!jet::passwordMatches(*header, password))
        return wrongPassword(path);
    return OpenedFile{std::move(file->bytes), header->version};
}

} // namespace store::detail
