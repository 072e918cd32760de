#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds there what it needs to
# list the program in its menu: the program, its menu entry and the icon the entry names, and
# the README that the window points to.
# The installed program is never started: it would open the host's serial ports.
#
# usage: check_install.sh CMAKE BUILD_DIR
set -u

readonly cmake=$1
readonly build=$2
readonly name=arbitrator-configurator

work=$(mktemp -d "${TMPDIR:-/tmp}/install-check.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    echo "FAIL: the install into $prefix failed:" >&2
    cat "$work/install.log" >&2
    exit 1
fi
(cd "$prefix" && find . -type f | sort | sed 's|^\./|installed: |')

problems=()

program=$prefix/bin/$name
[ -f "$program" ] && [ -x "$program" ] || problems+=("bin/$name is missing or not executable")

entry=$prefix/share/applications/$name.desktop
# The value of a key of the [Desktop Entry] group.
key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$1"'=//p}' "$entry" | head -n 1
}

if [ -f "$entry" ]; then
    [ "$(key Type)" = Application ] || problems+=("the entry's Type is \"$(key Type)\", not Application")
    [ "$(key Terminal)" = false ] || problems+=("the entry's Terminal is \"$(key Terminal)\", not false")
    [ -n "$(key Name)" ] || problems+=("the entry has no Name")
    [ -n "$(key Comment)" ] || problems+=("the entry has no Comment")
    [[ "$(key Categories)" == *Utility\;* ]] ||
        problems+=("the entry's Categories, \"$(key Categories)\", do not put it under Utility")
    exec_line=$(key Exec)
    [ "${exec_line%% *}" = "$name" ] ||
        problems+=("the entry starts \"${exec_line%% *}\", not the installed bin/$name")
    [ "$(key Icon)" = "$name" ] ||
        problems+=("the entry's Icon is \"$(key Icon)\", not the installed icon $name")

    if command -v desktop-file-validate >/dev/null; then
        if ! report=$(desktop-file-validate "$entry" 2>&1); then
            problems+=("desktop-file-validate rejects the entry: $report")
        elif [ -n "$report" ]; then
            echo "desktop-file-validate: $report"
        fi
    else
        echo "desktop-file-validate is not installed: the entry's syntax is not checked"
    fi
else
    problems+=("share/applications/$name.desktop is missing")
fi

# The README that Label3 names for this prefix, the same text as the source tree's.
readme=$prefix/share/doc/$name/README.md
source_readme=$(dirname "$0")/../README.md
if [ ! -f "$readme" ]; then
    problems+=("share/doc/$name/README.md is missing")
elif ! cmp -s "$readme" "$source_readme"; then
    problems+=("share/doc/$name/README.md differs from the source tree's README.md")
fi

metainfo=$prefix/share/metainfo/com.varnak.ArbitratorConfigurator.metainfo.xml
if [ ! -f "$metainfo" ]; then
    problems+=("share/metainfo/com.varnak.ArbitratorConfigurator.metainfo.xml is missing")
elif command -v appstreamcli >/dev/null; then
    report=$(appstreamcli validate --no-net "$metainfo" 2>&1) ||
        problems+=("appstreamcli rejects the metainfo file: $report")
else
    echo "appstreamcli is not installed: the metainfo file is not validated"
fi

# Each icon must be a PNG of the size its directory promises, or the theme lookup shows it wrongly.
for size in 16 32; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$name.png
    if [ ! -f "$icon" ]; then
        problems+=("share/icons/hicolor/${size}x${size}/apps/$name.png is missing")
        continue
    fi
    read -r -a bytes < <(od -An -v -tu1 -N24 "$icon" | tr '\n' ' ')
    if [ ${#bytes[@]} -lt 24 ]; then
        problems+=("the ${size}x${size} icon is too short for a PNG")
        continue
    fi
    signature="${bytes[*]:0:8}"
    width=$(((bytes[16] << 24) | (bytes[17] << 16) | (bytes[18] << 8) | bytes[19]))
    height=$(((bytes[20] << 24) | (bytes[21] << 16) | (bytes[22] << 8) | bytes[23]))
    if [ "$signature" != "137 80 78 71 13 10 26 10" ]; then
        problems+=("the ${size}x${size} icon is not a PNG")
    elif [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
        problems+=("the ${size}x${size} icon is ${width}x${height}")
    fi
done

if [ ${#problems[@]} -gt 0 ]; then
    printf 'FAIL: %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "PASS"
