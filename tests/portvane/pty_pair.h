// A pseudo-terminal kept open for the length of a test: its slave is a real character device.
#pragma once

#include <QString>

class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isOpen() const { return !slave.isEmpty(); }
    QString slavePath() const { return slave; }

private:
    int masterFd = -1;
    int slaveFd = -1;
    QString slave;
};
