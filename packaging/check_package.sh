#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it without installing it: its file
# list, its fields and the dependencies that dpkg-shlibdeps found, the desktop files inside it,
# and that the program inside it runs: unpacked into a scratch folder and started by the
# real-window test, which hides the host's serial devices first.
#
# usage: check_package.sh CPACK BUILD_DIR VERSION REAL_WINDOW_TEST X_WINDOW_HELPER
# Exits 0 when all holds, 1 on a fault, 77 when the package cannot be built or run here.
set -u

readonly skipped=77
readonly cpack=$1 build=$2 version=$3 real_window_test=$4 x_window=$5
readonly name=arbitrator-configurator

fail() {
    printf 'FAIL: %s\n' "$@" >&2
    exit 1
}

for tool in dpkg-deb dpkg-shlibdeps dpkg; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (dpkg-dev; scripts/setup.sh installs it)"
        exit "$skipped"
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/package-check.XXXXXX") || fail "no temporary directory"
trap 'rm -rf "$work"' EXIT

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    fail "cpack could not build the package: $(cat "$work/cpack.log")"
fi
architecture=$(dpkg --print-architecture)
package=$work/out/${name}_${version}_${architecture}.deb
[ -f "$package" ] || fail "no ${package##*/} after cpack: $(ls "$work/out")"
echo "package: ${package##*/}"

problems=()

# The files, and nothing else: no build-tree leftovers, no /usr/local.
expected="./usr/bin/$name
./usr/share/applications/$name.desktop
./usr/share/doc/$name/README.md
./usr/share/icons/hicolor/16x16/apps/$name.png
./usr/share/icons/hicolor/32x32/apps/$name.png
./usr/share/metainfo/com.varnak.ArbitratorConfigurator.metainfo.xml"
listing=$(dpkg-deb -c "$package") || fail "dpkg-deb cannot list the package"
echo "$listing"
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
[ "$files" = "$expected" ] ||
    problems+=("the package holds \"$(tr '\n' ' ' <<<"$files")\", not \"$(tr '\n' ' ' <<<"$expected")\"")
program_line=$(grep " ./usr/bin/$name\$" <<<"$listing")
[[ "$program_line" == -rwxr-xr-x\ root/root* ]] ||
    problems+=("the program is not an executable owned by root: $program_line")
if grep -v '^d' <<<"$listing" | grep -v " ./usr/bin/$name\$" | grep -qv '^-rw-r--r-- root/root'; then
    problems+=("a data file is not a plain root-owned 0644 file")
fi

field() {
    dpkg-deb -f "$package" "$1"
}
echo "Depends: $(field Depends)"
[ "$(field Package)" = "$name" ] || problems+=("Package is \"$(field Package)\"")
[ "$(field Version)" = "$version" ] || problems+=("Version is \"$(field Version)\", not $version")
[ "$(field Architecture)" = "$architecture" ] ||
    problems+=("Architecture is \"$(field Architecture)\", not $architecture")
[ -n "$(field Maintainer)" ] || problems+=("the package has no Maintainer")
[ -n "$(field Description)" ] || problems+=("the package has no Description")
# Read from the linked libraries, each with the least version that the program needs: a list
# written by hand would name the packages without the versions that dpkg-shlibdeps finds.
depends=$(field Depends)
IFS=',' read -r -a entries <<<"$depends"
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
    found=no
    for entry in "${entries[@]}"; do
        entry=${entry# }
        [[ "$entry" == "$library (>= "?*")" ]] && found=yes
    done
    [ "$found" = yes ] ||
        problems+=("Depends does not name $library with a least version: \"$depends\"")
done

root=$work/root
dpkg-deb -x "$package" "$root" || fail "dpkg-deb cannot unpack the package"
entry=$root/usr/share/applications/$name.desktop
if command -v desktop-file-validate >/dev/null; then
    report=$(desktop-file-validate "$entry" 2>&1) || problems+=("desktop-file-validate: $report")
fi
metainfo=$root/usr/share/metainfo/com.varnak.ArbitratorConfigurator.metainfo.xml
if command -v appstreamcli >/dev/null; then
    report=$(appstreamcli validate --no-net "$metainfo" 2>&1) ||
        problems+=("appstreamcli rejects the metainfo file: $report")
    grep -q "<launchable type=\"desktop-id\">$name.desktop</launchable>" "$metainfo" ||
        problems+=("the metainfo file does not launch $name.desktop")
else
    echo "appstreamcli is not installed: the metainfo file is not validated"
fi
if [ ${#problems[@]} -gt 0 ]; then
    fail "${problems[@]}"
fi

# The program as unpacked, never outside the masked namespace; the README that it names must be
# the one unpacked beside it.
bash "$real_window_test" "$root/usr/bin/$name" "$x_window" --installed
status=$?
case $status in
0) echo "PASS" ;;
"$skipped") echo "SKIPPED: the package is as it should be, but its program could not be started here" ;;
*) echo "FAIL: the program inside the package did not pass the real-window test" >&2 ;;
esac
exit "$status"
