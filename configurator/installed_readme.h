#pragma once

#include <QString>

namespace configurator {

// Where the README lies once the program is installed: under share/doc of the prefix that the
// running program was installed into, found from the program's own place (prefix/bin), so that
// a package, /usr/local and a prefix in the user's home all name the file that is really there.
// A program that does not run from an installed bin folder (the build tree) names the README
// under the prefix that the build was configured to install into.
QString installedReadmePath();

// The same for a program whose folder is `programDirectory`.
QString installedReadmePath(const QString& programDirectory);

} // namespace configurator
