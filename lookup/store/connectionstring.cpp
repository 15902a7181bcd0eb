#include "lookup/store/store.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace store {

namespace {

constexpr char16_t kProvider[] = u"Microsoft.Jet.OLEDB.4.0";

} // namespace

QString connectionString(const QString &applicationFolder)
{
    const QString password = QString::fromUtf16(kStorePassword);
    return u"Provider="_s + QString::fromUtf16(kProvider) +
           u";Persist Security Info=False;Data Source="_s + applicationFolder + u'\\' +
           QString::fromUtf16(kStoreFileName) + u";Jet OLEDB:Database Password="_s + password +
           u";admin,"_s + password;
}

Result<ConnectionTarget> parseConnectionString(const QString &connection)
{
    const auto refuse = [](const QString &cause) {
        return StoreError{StoreError::NotAFile, u"connection string: "_s + cause};
    };
    std::optional<QString> source;
    QString password;
    qsizetype i = 0;
    const qsizetype n = connection.size();
    while (i < n) {
        const qsizetype equals = connection.indexOf(u'=', i);
        qsizetype semicolon = connection.indexOf(u';', i);
        if (semicolon < 0)
            semicolon = n;
        if (equals < 0 || equals > semicolon) {
            i = semicolon + 1; // a part without a key, like the "admin,..." at the end
            continue;
        }
        const QString key = connection.mid(i, equals - i).trimmed().toLower();
        qsizetype j = equals + 1;
        while (j < n && connection[j].isSpace())
            ++j;
        QString value;
        if (j < n && (connection[j] == u'"' || connection[j] == u'\'')) {
            // A quoted value may hold ';'; a doubled quote stands for one.
            const QChar quote = connection[j++];
            for (;;) {
                if (j >= n)
                    return refuse(QStringLiteral("a quoted value is not closed"));
                if (connection[j] == quote) {
                    if (j + 1 < n && connection[j + 1] == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += connection[j++];
            }
            while (j < n && connection[j] != u';') {
                if (!connection[j].isSpace())
                    return refuse(QStringLiteral("text follows a quoted value"));
                ++j;
            }
            i = j + 1;
        } else {
            semicolon = connection.indexOf(u';', j);
            if (semicolon < 0)
                semicolon = n;
            value = connection.mid(j, semicolon - j).trimmed();
            i = semicolon + 1;
        }
        if (key == u"provider"_s) {
            if (value.compare(QString::fromUtf16(kProvider), Qt::CaseInsensitive) != 0)
                return StoreError{StoreError::Engine,
                                  QStringLiteral("connection string: provider %1 is not "
                                                 "available")
                                      .arg(value)};
        } else if (key == u"data source"_s) {
            source = value;
        } else if (key == u"jet oledb:database password"_s) {
            password = value;
        }
    }
    if (!source || source->isEmpty())
        return refuse(QStringLiteral("no data source"));
    QString path = *source;
    if (QDir::separator() != u'\\') {
        const qsizetype separator = path.lastIndexOf(u'\\');
        if (separator >= 0)
            path[separator] = u'/';
    }
    return ConnectionTarget{path, password};
}

} // namespace store
