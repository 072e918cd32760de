#pragma once

#include <thread>

namespace platform {

// Loads the font database (fontconfig's configuration and the list of faces) on a thread of its
// own while the caller builds its window; the window's first text then finds it loaded, or waits
// for the rest. Made right after the application object; it waits for the thread when it goes.
class FontDatabaseWarmUp {
public:
    FontDatabaseWarmUp();
    ~FontDatabaseWarmUp();
    FontDatabaseWarmUp(const FontDatabaseWarmUp&) = delete;
    FontDatabaseWarmUp& operator=(const FontDatabaseWarmUp&) = delete;

private:
    std::thread thread_;
};

} // namespace platform
