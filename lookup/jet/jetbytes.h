// Jet files store every number little-endian, whatever the machine.
#pragma once

#include <QtGlobal>

namespace jet {

inline quint32 get16(const void *at)
{
    const auto *p = static_cast<const uchar *>(at);
    return quint32(p[0]) | quint32(p[1]) << 8;
}

inline quint32 get32(const void *at)
{
    const auto *p = static_cast<const uchar *>(at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

inline void put16(void *at, quint16 v)
{
    auto *p = static_cast<uchar *>(at);
    p[0] = uchar(v & 0xFF);
    p[1] = uchar(v >> 8);
}

inline void put32(void *at, quint32 v)
{
    auto *p = static_cast<uchar *>(at);
    for (int i = 0; i < 4; ++i)
        p[i] = uchar((v >> (8 * i)) & 0xFF);
}

} // namespace jet
