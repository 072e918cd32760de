#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal whose slave side the program opens as its serial device, and whose master
// side a test holds as the far end of the line. Both sides are raw from the start, so nothing
// echoes or rewrites a byte.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device path that the program opens.
    QString devicePath() const { return devicePath_; }

    // Puts bytes on the line towards the program, whole.
    void send(const QByteArray& bytes);

    // What the program has written, read until `count` bytes came or `timeoutMs` passed, with
    // Qt's events processed meanwhile.
    QByteArray receive(qsizetype count, int timeoutMs = 2000);

    // Everything that arrives within `timeoutMs`, events processed meanwhile.
    QByteArray receiveFor(int timeoutMs);

    // Fills the line towards the far side through a descriptor of its own, as a far side that
    // stops reading leaves it: from then on the program's writes wait. Returns how many bytes
    // that took; they arrive at the far side first once it reads again.
    qsizetype clog();

    // Hangs up: the far side goes away, as an unplugged cable does.
    void hangUp();

    int masterDescriptor() const { return master_; }
    // The line's own descriptor on the program's side, open as long as the line is: for asking
    // how many characters wait there for the program (FIONREAD), never for reading them.
    int slaveDescriptor() const { return slave_; }
    // How many characters wait on the program's side, not yet taken by the program.
    int unreadByProgram() const;

private:
    QByteArray readWaiting();

    int master_ = -1;
    int slave_ = -1;
    QString devicePath_;
};
