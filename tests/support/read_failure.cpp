#include "read_failure.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {

using ReadFunction = ssize_t (*)(int, void*, size_t);

std::atomic<int> failuresLeft{0};
int failureError = 0;
char armedPath[PATH_MAX] = {};

ReadFunction nextRead() {
    static const auto next = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
    return next;
}

bool readsArmedDevice(int descriptor) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link, target, sizeof target - 1);
    if (length < 0)
        return false;
    target[length] = '\0';
    return std::strcmp(target, armedPath) == 0;
}

} // namespace

extern "C" {

void failNextReads(const char* devicePath, int error, int count) {
    failuresLeft = 0;
    std::snprintf(armedPath, sizeof armedPath, "%s", devicePath);
    failureError = error;
    failuresLeft = count;
}

int readFailuresLeft() {
    return failuresLeft;
}

ssize_t read(int descriptor, void* buffer, size_t size) {
    if (failuresLeft > 0 && readsArmedDevice(descriptor) && failuresLeft.fetch_sub(1) > 0) {
        errno = failureError;
        return -1;
    }
    return nextRead()(descriptor, buffer, size);
}
}
