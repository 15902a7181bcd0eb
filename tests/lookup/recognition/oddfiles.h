// Names a picture may be given that lead to no ordinary file: a FIFO (opening it would wait for
// a writer forever), a link to one, a socket, a directory, a device, nothing at all, or no name.
// Whatever reads pictures must name them as such without opening them.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace hostile {

using namespace Qt::StringLiterals;

// Data rows: the kind of file, and the reason it is refused for.
inline void oddFileRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("cause");
    QTest::newRow("FIFO") << u"FIFO"_s << u"is a FIFO, not an ordinary file"_s;
    QTest::newRow("link to a FIFO") << u"link"_s << u"is a FIFO, not an ordinary file"_s;
    QTest::newRow("socket") << u"socket"_s << u"is a socket, not an ordinary file"_s;
    QTest::newRow("directory") << u"directory"_s << u"is a directory, not an ordinary file"_s;
    QTest::newRow("device") << u"device"_s << u"is a device, not an ordinary file"_s;
    QTest::newRow("missing") << u"missing"_s << u"no such file"_s;
    QTest::newRow("empty name") << QString() << u"empty file name"_s;
}

struct OddFile
{
    QString path;         // empty for the empty name
    int socketFd = -1;    // the bound socket's, for close() once the file has been tried
    bool notHere = false; // this machine cannot make it (a device node, when not root)

    void close()
    {
        if (socketFd >= 0)
            ::close(socketFd);
        socketFd = -1;
    }
};

// Makes a file of `kind` (as the rows above name them) in `dir`; what fails is reported through
// QTest, so look at QTest::currentTestFailed() after, and skip where `notHere`.
inline void makeOddFile(const QTemporaryDir &dir, const QString &kind, OddFile *file)
{
    file->path = kind.isEmpty() ? QString() : dir.filePath(u"node.png"_s);
    const QByteArray name = QFile::encodeName(file->path);
    if (kind == u"FIFO") {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    } else if (kind == u"link") {
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
        QVERIFY(QFile::link(dir.filePath(u"fifo"_s), file->path));
    } else if (kind == u"directory") {
        QVERIFY(QDir().mkdir(file->path));
    } else if (kind == u"device") {
        file->notHere = ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0;
    } else if (kind == u"socket") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(name.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        file->socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(
            ::bind(file->socketFd, reinterpret_cast<const sockaddr *>(&address), sizeof address),
            0);
    }
}

} // namespace hostile
