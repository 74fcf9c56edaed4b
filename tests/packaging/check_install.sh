#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh prefix (with a space in its name, so no path is
# taken unquoted) and checks the tree: exactly the expected files, a runnable
# program, and a desktop entry and metadata that agree with each other.
set -euo pipefail
build=$1
id=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="$work/a prefix"

fail() { echo "install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install failed"; }

expected=$(printf '%s\n' \
    "bin/quillo" \
    "share/applications/$id.desktop" \
    "share/icons/hicolor/scalable/apps/$id.svg" \
    "share/man/man1/quillo.1" \
    "share/metainfo/$id.metainfo.xml" | sort)
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$expected" = "$actual" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$actual") || true)"

[ -x "$prefix/bin/quillo" ] || fail "bin/quillo is not executable"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillo" --version) ||
    fail "the installed program does not run"
[[ $version == "quillo "* ]] || fail "the installed program printed \"$version\""

desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$desktop" || fail "installed desktop entry is not valid"
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Icon)" = "$id" ] || fail "desktop entry's icon \"$(key Icon)\" is not the installed $id"
[[ $(key Exec) == "quillo %f" ]] || fail "desktop entry's Exec is \"$(key Exec)\""

grep -qF "<id>$id</id>" "$metainfo" || fail "metadata id is not $id"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metadata does not launch $id.desktop"
desktop_types=$(key MimeType | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_types=$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' "$metainfo" | sort)
[ "$desktop_types" = "$metainfo_types" ] ||
    fail "desktop entry opens [$desktop_types] but the metadata provides [$metainfo_types]"
for type in image/jpeg image/bmp; do
    grep -qx "$type" <<<"$desktop_types" || fail "$type is not offered"
done

warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/quillo.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "installed manual page: $warnings"
echo "install: tree under \"$prefix\" is complete"
