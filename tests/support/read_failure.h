#pragma once

// Makes reads of one device fail, as they fail on a real line when a second reader of the device
// takes the characters between the poll and the read (EAGAIN), or a signal cuts a read short
// (EINTR). A test that links the read_failure library gets a read() that stands before the C
// library's for every caller in the process, Qt's serial port included; unarmed, it only passes
// the call on.
extern "C" {

// The next `count` reads of the device at `devicePath` fail with `error`, reading nothing.
void failNextReads(const char* devicePath, int error, int count);

// How many of the failures asked for have not happened yet.
int readFailuresLeft();
}
