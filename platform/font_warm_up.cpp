#include "font_warm_up.h"

#include <QFontDatabase>
#include <QStringList>

namespace platform {

FontDatabaseWarmUp::FontDatabaseWarmUp()
    : thread_([] { QFontDatabase::families(); }) {}

FontDatabaseWarmUp::~FontDatabaseWarmUp() {
    thread_.join();
}

} // namespace platform
