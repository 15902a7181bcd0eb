#include "lookup/capture/regionfile.h"

#include "lookup/capture/regionthumbnail.h"
#include "siteconfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace capture {

namespace {

// The file's bytes, at most kRegionFileLimit of them, or why not. Opened without waiting, so
// that a pipe or device put in its place is refused at once instead of blocking the capture.
std::optional<QByteArray> readBounded(const QString &file, QString *problem)
{
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *problem = u"cannot be opened: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    struct stat info;
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *problem = u"is not an ordinary file"_s;
    } else if (info.st_size > kRegionFileLimit) {
        *problem = u"holds %1 bytes, more than a region file ever does"_s.arg(info.st_size);
    } else {
        QByteArray read(qsizetype(kRegionFileLimit) + 1, '\0');
        qsizetype total = 0;
        for (;;) {
            const ssize_t n = ::read(fd, read.data() + total, size_t(read.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            total += n;
            if (total == read.size())
                break;
        }
        if (total > kRegionFileLimit) {
            *problem = u"grew beyond the size of a region file while being read"_s;
        } else {
            read.truncate(total);
            bytes = std::move(read);
        }
    }
    ::close(fd);
    return bytes;
}

// "@Rect(x y w h)", as QSettings writes a rectangle, within the bounds of a screen.
std::optional<QRect> parseRect(QStringView value)
{
    if (!value.startsWith(u"@Rect(") || !value.endsWith(u')'))
        return std::nullopt;
    const QList<QStringView> parts =
        value.sliced(6, value.size() - 7).split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return std::nullopt;
    qlonglong n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts[i].toLongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    const auto within = [](qlonglong v, qlonglong low, qlonglong high) {
        return v >= low && v <= high;
    };
    if (!within(n[0], -kRegionCoordinateLimit, kRegionCoordinateLimit) ||
        !within(n[1], -kRegionCoordinateLimit, kRegionCoordinateLimit) ||
        !within(n[2], kRegionSmallestSide, kRegionSideLimit) ||
        !within(n[3], kRegionSmallestSide, kRegionSideLimit))
        return std::nullopt;
    return QRect(int(n[0]), int(n[1]), int(n[2]), int(n[3]));
}

QByteArray parseThumbnail(QStringView value)
{
    if (value.size() != 2 * kThumbnailCells)
        return {};
    for (QChar c : value)
        if (!isxdigit(c.unicode() < 128 ? c.unicode() : 0))
            return {};
    return QByteArray::fromHex(value.toLatin1());
}

} // namespace

QString regionFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QString::fromUtf16(site::applicationName) + u"/capture.ini"_s;
}

RegionLoad loadRegion(const QString &file)
{
    RegionLoad load;
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
        return load;
    const std::optional<QByteArray> bytes = readBounded(file, &load.problem);
    if (!bytes)
        return load;

    // Lines of "key=value" under "[section]" headings; anything else is passed over.
    QString section;
    std::optional<QRect> region;
    QByteArray thumbnail;
    const QString text = QString::fromUtf8(*bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.sliced(1, line.size() - 2).trimmed().toString();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section != u"question"_s || equals < 0)
            continue;
        const QStringView key = line.first(equals).trimmed();
        QStringView value = line.sliced(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.sliced(1, value.size() - 2);
        if (key == u"region")
            region = parseRect(value);
        else if (key == u"thumbnail")
            thumbnail = parseThumbnail(value);
    }
    if (!region) {
        load.problem = u"holds no usable region"_s;
        return load;
    }
    load.record = RegionRecord{*region, thumbnail};
    return load;
}

bool saveRegion(const QString &file, const RegionRecord &record)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    const QRect &r = record.region;
    QString text =
        u"[question]\nregion=@Rect(%1 %2 %3 %4)\n"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(
            r.height());
    if (record.thumbnail.size() == kThumbnailCells)
        text += u"thumbnail="_s + QString::fromLatin1(record.thumbnail.toHex()) + u'\n';
    // Written beside and renamed over the old file: a crash midway leaves the old region.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text.toUtf8());
    return out.commit();
}

} // namespace capture
