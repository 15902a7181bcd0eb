// What the libFuzzer targets share: each input is handed to the code under test as a file, as
// the program meets its store and its pictures, in a folder of its own. Any
// failure here is the harness's, not a finding, and stops the run at once.
#pragma once

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace fuzz {

// A new folder under /tmp whose name starts with `prefix`.
inline QString makeScratchFolder(const char *prefix)
{
    QByteArray name = QByteArray("/tmp/") + prefix + ".XXXXXX";
    if (!mkdtemp(name.data()))
        std::abort();
    return QString::fromLocal8Bit(name);
}

// The input's bytes as the whole of the file at `path`.
inline void writeInput(const QString &path, const uint8_t *data, size_t size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += size_t(n);
    }
    ::close(fd);
}

} // namespace fuzz
