#include "pty_pair.h"

#include <QFile>

#include <pty.h>
#include <unistd.h>

#include <array>

PtyPair::PtyPair()
{
    if (openpty(&masterFd, &slaveFd, nullptr, nullptr, nullptr) != 0)
        return;
    std::array<char, 256> name{};
    if (ttyname_r(slaveFd, name.data(), name.size()) == 0)
        slave = QFile::decodeName(name.data());
}

PtyPair::~PtyPair()
{
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
}
