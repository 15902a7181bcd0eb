#include "lookup/recognition/picture.h"

#include "lookup/filename.h"
#include "lookup/recognition/prepare.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace recognition {

namespace {

// ---- The decoders' messages ------------------------------------------------------------------

// Qt's image readers pass libpng's and libjpeg's messages, and their own, to Qt's message
// handler. While one of these is alive, the messages of its own thread are kept here instead of
// being printed; other threads' messages go on to whatever handler was there before.
class QtMessageCatcher
{
public:
    QtMessageCatcher() : m_outer(t_current)
    {
        static std::once_flag installed;
        std::call_once(installed, [] { s_previous.store(qInstallMessageHandler(&handle)); });
        t_current = this;
    }
    ~QtMessageCatcher() { t_current = m_outer; }
    QtMessageCatcher(const QtMessageCatcher &) = delete;
    QtMessageCatcher &operator=(const QtMessageCatcher &) = delete;

    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (QtMessageCatcher *catcher = t_current; catcher && type != QtFatalMsg) {
            if (catcher->messages.size() < 16)
                catcher->messages += message;
            return;
        }
        if (const QtMessageHandler previous = s_previous.load())
            previous(type, context, message);
    }

    QtMessageCatcher *m_outer;
    static thread_local QtMessageCatcher *t_current;
    static std::atomic<QtMessageHandler> s_previous;
};

thread_local QtMessageCatcher *QtMessageCatcher::t_current = nullptr;
std::atomic<QtMessageHandler> QtMessageCatcher::s_previous{nullptr};

// libpng's errors (not its warnings) are printed by libpng itself on standard error, under
// Qt's reader. While one of these is alive, whatever is written to standard error goes to a
// file in memory instead; once it ends, the lines that are libpng's are handed back and the
// others passed on to standard error. Standard error is one for the whole process, so one
// capture runs at a time; another thread's writes in the meantime are delayed, not lost.
class StandardErrorCapture
{
public:
    StandardErrorCapture() : m_lock(mutex())
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        m_file = ::memfd_create("crvt-stderr", MFD_CLOEXEC);
        if (m_saved < 0 || m_file < 0 || ::dup2(m_file, STDERR_FILENO) < 0) {
            release(); // not captured, then: printed as before
            return;
        }
    }
    ~StandardErrorCapture() { finish(); }
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;

    // Ends the capture; the library's lines.
    QStringList finish()
    {
        QStringList ours;
        if (m_file < 0 || m_saved < 0) {
            release();
            return ours;
        }
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        QByteArray text(qsizetype(std::min<off_t>(::lseek(m_file, 0, SEEK_END), 1 << 16)), '\0');
        text.resize(std::max<qsizetype>(::pread(m_file, text.data(), size_t(text.size()), 0), 0));
        release();
        QByteArray others;
        for (const QByteArray &line : text.split('\n')) {
            if (line.startsWith("libpng "))
                ours += QString::fromLocal8Bit(line);
            else if (!line.isEmpty())
                others += line + '\n';
        }
        if (!others.isEmpty())
            (void)!::write(STDERR_FILENO, others.constData(), size_t(others.size()));
        return ours;
    }

private:
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    void release()
    {
        if (m_file >= 0)
            ::close(m_file);
        if (m_saved >= 0)
            ::close(m_saved);
        m_file = m_saved = -1;
        if (m_lock.owns_lock())
            m_lock.unlock();
    }

    std::unique_lock<std::mutex> m_lock;
    int m_saved = -1;
    int m_file = -1;
};

// What a decoder's messages say, in a few words: a file cut short shows as libpng's "Read
// Error" (it asked for bytes past the end) or libjpeg's "premature end". Empty when the
// messages name no damage (libpng's remarks on colour profiles and the like).
QString damageIn(const QStringList &messages)
{
    for (QString m : messages) {
        m = m.trimmed();
        for (const QStringView prefix : {u"libpng error: ", u"libpng warning: "})
            if (m.startsWith(prefix))
                m = m.mid(prefix.size());
        if (m.contains(u"Read Error"_s) || m.contains(u"premature end"_s, Qt::CaseInsensitive) ||
            m.contains(u"Not enough image data"_s))
            return u"the file ends early"_s;
        for (const QStringView sign : {u"Corrupt", u"CRC error", u"invalid", u"incorrect", u"bad ",
                                       u"Bogus", u"unknown", u"Unsupported"})
            if (m.contains(sign, Qt::CaseInsensitive))
                return m;
    }
    return {};
}

// ---- The file --------------------------------------------------------------------------------

QString shownName(const QString &path)
{
    return path.isEmpty() ? u"\"\""_s : path;
}

RecognitionError fileError(RecognitionError::Kind kind, const QString &path, const QString &cause)
{
    return {kind, shownName(path) + u": "_s + cause};
}

RecognitionError systemError(const QString &path, int error)
{
    return fileError(RecognitionError::Unreadable, path,
                     error == ENOENT ? u"no such file"_s
                                     : QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<QString> notAFile(const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        return std::nullopt;
    const QString what = S_ISDIR(st.st_mode)                          ? u"is a directory"_s
                         : S_ISFIFO(st.st_mode)                       ? u"is a FIFO"_s
                         : S_ISSOCK(st.st_mode)                       ? u"is a socket"_s
                         : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? u"is a device"_s
                                                                      : u"is not a file"_s;
    return what + u", not an ordinary file"_s;
}

struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Bytes of the file read in order, a block at a time, or at an offset.
class ByteSource
{
public:
    ByteSource(int fd, qint64 size) : m_fd(fd), m_size(size) {}

    qint64 size() const { return m_size; }
    qint64 position() const { return m_blockStart + m_next; }

    // The next byte, or -1 at the end of the file (or on a read error).
    int get()
    {
        if (m_next == m_block.size() && !fill())
            return -1;
        return uchar(m_block[m_next++]);
    }
    bool seek(qint64 offset)
    {
        if (offset < 0 || offset > m_size)
            return false;
        if (offset >= m_blockStart && offset <= m_blockStart + m_block.size()) {
            m_next = qsizetype(offset - m_blockStart);
            return true;
        }
        m_blockStart = offset;
        m_block.clear();
        m_next = 0;
        return true;
    }
    // Moves on to just past the next byte `value`; false at the end of the file.
    bool skipPast(char value)
    {
        for (;;) {
            if (m_next == m_block.size() && !fill())
                return false;
            const char *start = m_block.constData() + m_next;
            const void *hit = std::memchr(start, value, size_t(m_block.size() - m_next));
            if (hit) {
                m_next += static_cast<const char *>(hit) - start + 1;
                return true;
            }
            m_next = m_block.size();
        }
    }
    bool skip(qint64 count) { return seek(position() + count); }
    // `count` bytes from the current position, or fewer at the end of the file.
    QByteArray take(qsizetype count)
    {
        QByteArray bytes;
        for (int c; bytes.size() < count && (c = get()) >= 0;)
            bytes += char(c);
        return bytes;
    }

private:
    bool fill()
    {
        m_blockStart += m_block.size();
        m_next = 0;
        m_block.resize(qsizetype(std::min<qint64>(1 << 16, m_size - m_blockStart)));
        if (m_block.isEmpty())
            return false;
        for (qsizetype done = 0; done < m_block.size();) {
            const ssize_t got = ::pread(m_fd, m_block.data() + done, size_t(m_block.size() - done),
                                        off_t(m_blockStart + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                m_block.resize(done);
                return done > 0;
            }
            done += got;
        }
        return true;
    }

    int m_fd;
    qint64 m_size;
    qint64 m_blockStart = 0;
    QByteArray m_block;
    qsizetype m_next = 0;
};

quint32 bigEndian32(const QByteArray &b, qsizetype at)
{
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16 |
           quint32(uchar(b[at + 2])) << 8 | quint32(uchar(b[at + 3]));
}

// A PNG chunk's type as its four letters, or in hexadecimal when it is not letters.
QString chunkName(const QByteArray &type)
{
    const bool letters = std::all_of(type.begin(), type.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    return letters ? QString::fromLatin1(type) : u"0x"_s + QString::fromLatin1(type.toHex());
}

quint32 littleEndian(const QByteArray &b, qsizetype at, int bytes)
{
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | uchar(b[at + i]);
    return v;
}

// ---- What the header declares ----------------------------------------------------------------

struct Header
{
    QByteArray format; // Qt's name for the format
    QString kind;      // "PNG", for messages
    QSize size;
    // What the decoding allocates for each pixel at most, beyond small buffers: the picture Qt
    // decodes into, and what the decoder keeps of the whole picture meanwhile.
    int bytesPerPixel = 4;
    int keptBytesPerPixel = 0;

    // Only for a size within the limits, which keeps it far from overflowing.
    qint64 decodeBytes() const
    {
        return qint64(size.width()) * size.height() * (bytesPerPixel + keptBytesPerPixel);
    }
};

using HeaderResult = shared::Result<Header, RecognitionError>;

// The chunk structure of a PNG: a signature, then chunks of a 4-byte length, a 4-byte type, the
// data and a 4-byte check, up to IEND. Every length must fit in what is left of the file; a
// length the file does not hold is refused here rather than read (libpng would allocate it).
HeaderResult pngHeader(ByteSource &in, const QString &path)
{
    Header h{"png", u"PNG"_s, {}};
    const auto damaged = [&](const QString &cause) {
        return fileError(RecognitionError::Unreadable, path, u"damaged PNG picture: "_s + cause);
    };
    in.seek(8);
    int colourType = -1, depth = 0;
    for (bool first = true;; first = false) {
        const QByteArray head = in.take(8);
        if (head.size() < 8)
            return damaged(u"the file ends early"_s);
        const quint32 length = bigEndian32(head, 0);
        const QByteArray type = head.mid(4, 4);
        if (length > 0x7FFFFFFFu)
            return damaged(
                u"a chunk claims %1 bytes, more than a PNG chunk can hold"_s.arg(length));
        if (qint64(length) + 4 > in.size() - in.position())
            return damaged(
                u"a chunk (%1) claims %2 bytes, more than the file holds"_s.arg(chunkName(type))
                    .arg(length));
        if (first) {
            if (type != "IHDR" || length != 13)
                return damaged(u"it does not start with its header chunk"_s);
            const QByteArray ihdr = in.take(13);
            if (ihdr.size() < 13)
                return damaged(u"the file ends early"_s);
            h.size = QSize(int(std::min<quint32>(bigEndian32(ihdr, 0), 0x7FFFFFFF)),
                           int(std::min<quint32>(bigEndian32(ihdr, 4), 0x7FFFFFFF)));
            depth = uchar(ihdr[8]);
            colourType = uchar(ihdr[9]);
            in.skip(4);
            continue;
        }
        if (type == "IEND")
            break;
        in.skip(qint64(length) + 4);
    }
    // What Qt decodes into: 1 byte a pixel for grey and palette pictures, 4 for colour, twice as
    // much at 16 bits a sample.
    h.bytesPerPixel =
        colourType == 0 || colourType == 3 ? (depth == 16 ? 2 : 1) : (depth == 16 ? 8 : 4);
    return h;
}

// The segments of a JPEG up to its end: the frame header (SOFn) gives the size and the number
// of components, every scan (SOS) is counted, and the coded data between is walked to the next
// marker. A file cut short is left to the decoder, which reads what is there.
HeaderResult jpegHeader(ByteSource &in, const QString &path)
{
    Header h{"jpeg", u"JPEG"_s, {}};
    const auto damaged = [&](const QString &cause) {
        return fileError(RecognitionError::Unreadable, path, u"damaged JPEG picture: "_s + cause);
    };
    in.seek(2);
    bool frame = false, progressive = false;
    int components = 0, scans = 0;
    int pending = -1; // a marker met at the end of a scan's coded data
    for (;;) {
        int code = pending;
        pending = -1;
        if (code < 0) {
            // Stray bytes between segments are skipped, as libjpeg skips them.
            if (!in.skipPast('\xFF'))
                break;
            int c = in.get();
            while (c == 0xFF)
                c = in.get();
            if (c < 0)
                break;
            code = c;
        }
        if (code == 0xD9) // end of image
            break;
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD8))
            continue;
        const int high = in.get(), low = in.get();
        if (low < 0)
            break;
        const int length = high << 8 | low;
        if (length < 2)
            return damaged(u"a segment has a length of %1"_s.arg(length));
        const bool startOfFrame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (startOfFrame && !frame) {
            if (length < 8)
                return damaged(u"its frame header is %1 bytes long"_s.arg(length));
            const QByteArray f = in.take(6);
            if (f.size() < 6)
                break;
            frame = true;
            progressive = code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
            h.size =
                QSize(int(uchar(f[3])) << 8 | uchar(f[4]), int(uchar(f[1])) << 8 | uchar(f[2]));
            components = uchar(f[5]);
            if (h.size.height() == 0)
                return damaged(
                    u"its height is given only after the picture data (DNL), which is not read"_s);
            in.skip(length - 2 - 6);
        } else if (code == 0xDA) {
            if (!frame)
                return damaged(u"picture data comes before the frame header"_s);
            if (++scans > kMaxJpegScans)
                return fileError(
                    RecognitionError::TooLarge, path,
                    u"a JPEG of more than %1 scans (a progressive JPEG has about ten): "
                    "decoding it would take far too long"_s.arg(kMaxJpegScans));
            in.skip(length - 2);
            // The coded data runs to the next marker: 0xFF followed by anything but a stuffed
            // zero or a restart marker.
            while (pending < 0 && in.skipPast('\xFF')) {
                int next = in.get();
                while (next == 0xFF)
                    next = in.get();
                if (next < 0)
                    break;
                if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7))
                    pending = next;
            }
            if (pending < 0)
                break;
        } else {
            in.skip(length - 2);
        }
    }
    if (!frame)
        return damaged(u"it has no frame header"_s);
    // Qt decodes into 1 byte a pixel for grey, 4 for colour; a progressive or multi-scan JPEG
    // also keeps every coefficient of the picture, 2 bytes each, until the last scan.
    h.bytesPerPixel = components == 1 ? 1 : 4;
    h.keptBytesPerPixel = progressive || scans > 1 ? components * 2 : 0;
    return h;
}

// The BMP file and information headers: the old 12-byte form with 16-bit sizes, or any later
// one with 32-bit sizes (a negative height is a picture stored top down).
HeaderResult bmpHeader(ByteSource &in, const QString &path)
{
    Header h{"bmp", u"BMP"_s, {}};
    in.seek(0);
    const QByteArray head = in.take(30);
    if (head.size() < 26)
        return fileError(RecognitionError::Unreadable, path,
                         u"damaged BMP picture: the file ends early"_s);
    const quint32 infoSize = littleEndian(head, 14, 4);
    qint64 width = 0, height = 0, bitCount = 0;
    if (infoSize == 12) {
        width = littleEndian(head, 18, 2);
        height = littleEndian(head, 20, 2);
        bitCount = littleEndian(head, 24, 2);
    } else if (head.size() >= 30) {
        width = qint32(littleEndian(head, 18, 4));
        height = qint32(littleEndian(head, 22, 4));
        bitCount = littleEndian(head, 28, 2);
    }
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0)
        return fileError(
            RecognitionError::Unreadable, path,
            u"damaged BMP picture: its header gives a size of %1×%2"_s.arg(width).arg(height));
    h.size =
        QSize(int(std::min<qint64>(width, 0x7FFFFFFF)), int(std::min<qint64>(height, 0x7FFFFFFF)));
    h.bytesPerPixel = bitCount <= 8 ? 1 : 4;
    return h;
}

// ---- Marks -----------------------------------------------------------------------------------

// Pieces of one class of pixels (ink or ground), counted a row at a time: a run of the class
// that touches none in the row above starts a piece, a run that joins two pieces makes them
// one. Labels are renumbered after every row, so only two rows' worth are kept.
class PieceCounter
{
public:
    explicit PieceCounter(bool corners) : m_reach(corners ? 1 : 0) {}

    struct Run
    {
        int start, end; // [start, end)
        int label = 0;
    };

    // The runs of the next row, in order; returns the pieces counted so far.
    qint64 addRow(std::vector<Run> &runs)
    {
        m_parent.resize(size_t(m_labels));
        for (int i = 0; i < m_labels; ++i)
            m_parent[size_t(i)] = i;
        size_t first = 0;
        for (Run &run : runs) {
            // Runs above that touch this one: they overlap it, or with corners counting, meet
            // it diagonally.
            while (first < m_above.size() && m_above[first].end + m_reach <= run.start)
                ++first;
            int label = -1;
            for (size_t j = first; j < m_above.size() && m_above[j].start < run.end + m_reach;
                 ++j) {
                const int other = find(m_above[j].label);
                if (label < 0) {
                    label = other;
                } else if ((label = find(label)) != other) {
                    m_parent[size_t(other)] = label;
                    --m_pieces;
                }
            }
            if (label < 0) {
                label = int(m_parent.size());
                m_parent.push_back(label);
                ++m_pieces;
            }
            run.label = label;
        }
        // Renumber the pieces this row holds as 0, 1, 2...
        m_number.assign(m_parent.size(), -1);
        m_labels = 0;
        for (Run &run : runs) {
            int &number = m_number[size_t(find(run.label))];
            if (number < 0)
                number = m_labels++;
            run.label = number;
        }
        m_above.swap(runs);
        runs.clear();
        return m_pieces;
    }

private:
    int find(int x)
    {
        while (m_parent[size_t(x)] != x)
            x = m_parent[size_t(x)] = m_parent[size_t(m_parent[size_t(x)])];
        return x;
    }

    int m_reach;
    std::vector<Run> m_above;
    std::vector<int> m_parent, m_number;
    int m_labels = 0;
    qint64 m_pieces = 0;
};

// ---- Memory ----------------------------------------------------------------------------------

// What reading a capture needs at most, beyond the capture itself: the grey and enlarged
// copies the preparation makes, the copy for the engine's pass on the capture as it is, the
// engine's own copies and page layout (about 11 bytes a pixel, measured on 12 and 36 megapixel
// pictures), and loading the engine's model in case it is not loaded yet (about 90 MB at its
// peak). Some room is added to each.
constexpr qint64 kReadingBytesPerPixel = 16;
constexpr qint64 kReadingBaseBytes = qint64(128) << 20;
// The widest and tallest picture the engine takes (Tesseract refuses more).
constexpr int kEngineSide = 32767;
// Beyond the decoded picture: the decoder's buffers and tables.
constexpr qint64 kDecodingBaseBytes = qint64(16) << 20;

} // namespace

// ---- Limits ----------------------------------------------------------------------------------

std::optional<RecognitionError> sizeProblem(QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.width() <= 0 || size.height() <= 0)
        return RecognitionError{RecognitionError::NoImage, u"the picture has no pixels"_s};
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return RecognitionError{
            RecognitionError::TooLarge,
            u"a picture of %1×%2 pixels, more than %3 pixels wide or tall, larger than any screen "
            "region; the text recognition reads nothing that size"_s.arg(size.width())
                .arg(size.height())
                .arg(kMaxPictureSide)};
    if (pixels > kMaxPicturePixels)
        return RecognitionError{RecognitionError::TooLarge,
                                u"a picture of %1×%2 pixels, more than %3 megapixels, larger than "
                                "any screen region"_s.arg(size.width())
                                    .arg(size.height())
                                    .arg(kMaxPicturePixels / 1'000'000)};
    return std::nullopt;
}

bool memoryAvailable(qint64 bytes)
{
    if (bytes <= 0)
        return true;
    // Address space only: nothing is touched, so nothing is committed, and it is given back at
    // once. Only a limit on address space (or on the system's overcommitting) refuses it.
    void *probe = ::mmap(nullptr, size_t(bytes), PROT_NONE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (probe == MAP_FAILED)
        return false;
    ::munmap(probe, size_t(bytes));
    return true;
}

Result<Picture> readPicture(const QString &path)
{
    if (path.isEmpty())
        return fileError(RecognitionError::Unreadable, path, u"empty file name"_s);
    const QByteArray name = lookup::fileNameToBytes(path);
    // The type first: opening a socket fails with a cause that names no socket, opening a FIFO
    // could wait for a writer, and opening a device can have effects of its own.
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return systemError(path, errno);
    if (const auto what = notAFile(st))
        return fileError(RecognitionError::Unreadable, path, *what);
    // O_NONBLOCK: should the name be given to a FIFO between the check and the open, the open
    // does not wait. The type is checked again on what was opened.
    Descriptor file;
    file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0)
        return systemError(path, errno);
    if (::fstat(file.fd, &st) != 0)
        return systemError(path, errno);
    if (const auto what = notAFile(st))
        return fileError(RecognitionError::Unreadable, path, *what);
    if (st.st_size == 0)
        return fileError(RecognitionError::Unreadable, path, u"empty file, not a picture"_s);
    if (st.st_size > kMaxPictureFileSize)
        return fileError(
            RecognitionError::TooLarge, path,
            u"a file of %1 bytes, more than any picture read (%2 MiB)"_s.arg(st.st_size)
                .arg(kMaxPictureFileSize >> 20));

    ByteSource in(file.fd, qint64(st.st_size));
    const QByteArray magic = in.take(8);
    HeaderResult header = magic.startsWith("\x89PNG\r\n\x1a\n") ? pngHeader(in, path)
                          : magic.startsWith("\xFF\xD8\xFF")    ? jpegHeader(in, path)
                          : magic.startsWith("BM") && st.st_size >= 26
                              ? bmpHeader(in, path)
                              : HeaderResult(fileError(RecognitionError::Unreadable, path,
                                                       u"not a PNG, JPEG or BMP picture"_s));
    if (!header)
        return header.error();
    if (auto problem = sizeProblem(header->size))
        return fileError(problem->kind, path, problem->message);
    const auto outOfMemory = [&] {
        return fileError(RecognitionError::OutOfMemory, path,
                         u"not enough memory to decode a %1×%2 picture"_s.arg(header->size.width())
                             .arg(header->size.height()));
    };
    if (!memoryAvailable(header->decodeBytes() + kDecodingBaseBytes))
        return outOfMemory();

    QFile device;
    if (!device.open(file.fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return systemError(path, EIO);
    Picture picture;
    {
        QtMessageCatcher catcher;
        StandardErrorCapture libpng;
        QImageReader reader(&device, header->format);
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(false);
        // The size was checked above; Qt's own limit (which counts 4 bytes a pixel whatever the
        // format) would refuse what is allowed.
        const qint64 pixels = qint64(header->size.width()) * header->size.height();
        QImageReader::setAllocationLimit(
            int((std::max(header->decodeBytes(), pixels * 8) >> 20) + 16));
        const bool read = reader.read(&picture.image) && !picture.image.isNull();
        catcher.messages += libpng.finish();
        if (!read) {
            if (!memoryAvailable(header->decodeBytes() + kDecodingBaseBytes))
                return outOfMemory();
            const QString damage = damageIn(catcher.messages);
            return fileError(RecognitionError::Unreadable, path,
                             u"damaged %1 picture: %2"_s.arg(
                                 header->kind, damage.isEmpty() ? reader.errorString() : damage));
        }
        picture.damage = damageIn(catcher.messages);
    }
    // Kept in the least memory that holds what the reading uses: grey in one byte a pixel,
    // colour in three (alpha is not read; 16-bit samples are read as 8).
    const QImage::Format compact =
        picture.image.isGrayscale() ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    if (picture.image.depth() > 8 || picture.image.format() == QImage::Format_Grayscale16) {
        QImage smaller = convertedPicture(picture.image, compact);
        if (smaller.isNull())
            return outOfMemory();
        picture.image = std::move(smaller);
    }
    if (picture.image.size() != header->size)
        return fileError(RecognitionError::Unreadable, path,
                         u"damaged %1 picture: it decodes to %2×%3 pixels, not the %4×%5 its "
                         "header gives"_s.arg(header->kind)
                             .arg(picture.image.width())
                             .arg(picture.image.height())
                             .arg(header->size.width())
                             .arg(header->size.height()));
    return picture;
}

std::optional<RecognitionError> captureProblem(const QImage &capture)
{
    if (capture.isNull())
        return RecognitionError{RecognitionError::NoImage, u"the capture is empty"_s};
    if (auto problem = sizeProblem(capture.size()))
        return problem;
    const auto outOfMemory = [&] {
        return RecognitionError{RecognitionError::OutOfMemory,
                                u"not enough memory to read a %1×%2 picture"_s.arg(capture.width())
                                    .arg(capture.height())};
    };
    // How busy it is first: a busy picture is refused whatever memory there is.
    {
        const QImage grey = convertedPicture(capture, QImage::Format_Grayscale8);
        if (grey.isNull())
            return outOfMemory();
        const int threshold =
            otsuThreshold(greyHistogram(grey), qint64(grey.width()) * grey.height());
        if (countMarks(grey, threshold, kMaxMarks) > kMaxMarks)
            return RecognitionError{
                RecognitionError::TooLarge,
                u"more than %1 separate marks in the picture, far busier than "
                "a question; choose a smaller region around the question"_s.arg(kMaxMarks)};
    }
    const qint64 pixels = qint64(capture.width()) * capture.height();
    const qint64 read = std::max(pixels, std::min(pixels * 16, kMaxEnlargedPixels));
    if (!memoryAvailable(kReadingBaseBytes + read * kReadingBytesPerPixel))
        return outOfMemory();
    return std::nullopt;
}

qint64 countMarks(const QImage &grey, int threshold, qint64 stopAfter)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return 0;
    PieceCounter ink(true), ground(false);
    std::vector<PieceCounter::Run> inkRuns, groundRuns;
    const int width = grey.width();
    qint64 marks = 0;
    for (int y = 0; y < grey.height() && marks <= stopAfter; ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = 0; x < width;) {
            const bool isInk = line[x] <= threshold;
            const int start = x;
            while (x < width && (line[x] <= threshold) == isInk)
                ++x;
            (isInk ? inkRuns : groundRuns).push_back({start, x});
        }
        marks = ink.addRow(inkRuns) + ground.addRow(groundRuns);
    }
    return marks;
}

QImage convertedPicture(const QImage &image, QImage::Format format)
{
    if (image.isNull())
        return {};
    if (image.format() == format)
        return image;
    QImage converted(image.size(), format);
    if (converted.isNull())
        return {};
    if (image.colorSpace().isValid())
        converted.setColorSpace(image.colorSpace());
    const QList<QRgb> colours = image.colorTable();
    // Qt converts a large picture in bands on its worker threads, and waits for them forever
    // when none can be started; a picture of one row is never split.
    for (int y = 0; y < image.height(); ++y) {
        QImage row(image.constScanLine(y), image.width(), 1, image.bytesPerLine(), image.format());
        if (!colours.isEmpty())
            row.setColorTable(colours);
        if (image.colorSpace().isValid())
            row.setColorSpace(image.colorSpace());
        const QImage done = row.convertToFormat(format);
        if (done.isNull())
            return {};
        std::memcpy(converted.scanLine(y), done.constScanLine(0),
                    size_t(std::min(converted.bytesPerLine(), done.bytesPerLine())));
    }
    return converted;
}

QImage enlargedGrey(const QImage &grey, int width, int height)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8 || width <= 0 || height <= 0)
        return {};
    QImage out(width, height, QImage::Format_Grayscale8);
    if (out.isNull())
        return {};
    // Where each output pixel's centre falls in the input, in 16.16 fixed point, and the weight
    // (0 to 256) of the next input pixel, clamped at the edges.
    const auto positions = [](int in, int count, std::vector<int> &at, std::vector<int> &weight) {
        at.resize(size_t(count));
        weight.resize(size_t(count));
        const qint64 step = (qint64(in) << 16) / count;
        qint64 value = step / 2 - 0x8000;
        for (int i = 0; i < count; ++i, value += step) {
            const qint64 p = value >> 16;
            at[size_t(i)] = int(std::clamp<qint64>(p, 0, in - 1));
            weight[size_t(i)] = p < 0 || p >= in - 1 ? 0 : int((value >> 8) & 0xFF);
        }
    };
    std::vector<int> xs, xw, ys, yw;
    positions(grey.width(), width, xs, xw);
    positions(grey.height(), height, ys, yw);
    const int lastColumn = grey.width() - 1, lastRow = grey.height() - 1;
    for (int y = 0; y < height; ++y) {
        const uchar *top = grey.constScanLine(ys[size_t(y)]);
        const uchar *bottom = grey.constScanLine(std::min(ys[size_t(y)] + 1, lastRow));
        const int wy = yw[size_t(y)];
        uchar *line = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int a = xs[size_t(x)], b = std::min(a + 1, lastColumn), wx = xw[size_t(x)];
            const int upper = top[a] * (256 - wx) + top[b] * wx;
            const int lower = bottom[a] * (256 - wx) + bottom[b] * wx;
            line[x] = uchar((upper * (256 - wy) + lower * wy + 32768) >> 16);
        }
    }
    return out;
}

double boundedScale(QSize size, double scale, int margin)
{
    const double w = size.width(), h = size.height();
    if (scale <= 1 || w <= 0 || h <= 0)
        return 1;
    const auto fits = [&](double s) {
        const double sw = std::floor(w * s + 0.5) + 2 * margin,
                     sh = std::floor(h * s + 0.5) + 2 * margin;
        return sw <= kEngineSide && sh <= kEngineSide && sw * sh <= double(kMaxEnlargedPixels);
    };
    if (fits(scale))
        return scale;
    // The largest factor that fits, found by halving the interval: the size only grows with it.
    double low = 1, high = scale;
    if (!fits(low))
        return 1;
    for (int i = 0; i < 40; ++i) {
        const double middle = (low + high) / 2;
        (fits(middle) ? low : high) = middle;
    }
    return low;
}

} // namespace recognition
