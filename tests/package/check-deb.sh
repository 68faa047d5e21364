#!/usr/bin/env bash
# Builds the Debian package from the build folder and looks into it: the files it installs, its
# control data (dependencies, the desktop entry, the manual page) and a first start of the unpacked
# waybill-cli, which must set up the user's data folder and write nothing under the prefix.
# Usage: check-deb.sh BUILD_DIR SOURCE_DIR. Exit 77 (skipped) without dpkg-deb.
set -eu  # no pipefail: grep -q may end a pipe early
build=$1
source=$2
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing; skipped"; exit 77; }
command -v cpack >/dev/null || { echo "cpack is missing; skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/waybill_*_*.deb)

# The files: both programs, the shipped data, the menu entry, its icon, the manual page; nothing
# outside /usr.
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for f in ./usr/bin/waybill ./usr/bin/waybill-cli \
    ./usr/share/waybill/config/PRINTER.INI ./usr/share/waybill/config/fonts.ini ./usr/share/waybill/config/help.html \
    ./usr/share/waybill/orders/demo-orders.csv \
    ./usr/share/applications/waybill.desktop ./usr/share/icons/hicolor/scalable/apps/waybill.svg \
    ./usr/share/man/man1/waybill-cli.1.gz; do
    grep -qxF "$f" "$work/files" || fail "the package lacks $f"
done
for t in "$source"/data/template/*/; do
    name=$(basename "$t")
    for file in "$t"*; do
        grep -qxF "./usr/share/waybill/template/$name/$(basename "$file")" "$work/files" ||
            fail "the package lacks the ready template file $name/$(basename "$file")"
    done
done
if grep -v '^\./usr/' "$work/files" | grep -qv '^\./$'; then fail "files outside /usr: $(grep -v '^\./usr/' "$work/files")"; fi

# The control data: the Qt 6 libraries, the print system, the window platforms, every font package
# of the font table, and libzint when the program links it.
dpkg-deb -f "$deb" Package | grep -qx waybill || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6 libqt6sql6 libqt6sql6-sqlite libcups2 qt6-qpa-plugins; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p"
done
for p in $(sed -n 's/^Package[[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/p' "$source/data/config/fonts.ini" | sort -u); do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks the font package $p"
done
if ldd "$build/cli/waybill-cli" | grep -q libzint; then
    grep -qE "(^|, )libzint" <<<"$depends" || fail "Depends lacks libzint"
fi
dpkg-deb -I "$deb" | grep -q "Installed-Size" || fail "dpkg-deb -I"

# Unpacked: the desktop entry is in the Office menu, the manual page is the program's own help.
dpkg-deb -x "$deb" "$work/root"
grep -qx 'Categories=Office;' "$work/root/usr/share/applications/waybill.desktop" || fail "desktop category"
grep -qx 'Icon=waybill' "$work/root/usr/share/applications/waybill.desktop" || fail "desktop icon"
zcat "$work/root/usr/share/man/man1/waybill-cli.1.gz" | grep -q '^\.SS auto\\-print$' || fail "manual page"

# A first start of the installed program: the user's folder is made from the packaged data.
find "$work/root" -printf '%p %s %T@\n' | sort >"$work/before"
mkdir -p "$work/home"
export HOME="$work/home" TMPDIR="$work" LC_ALL=C.UTF-8
unset XDG_DATA_HOME TAVREL_HOME XDG_RUNTIME_DIR
"$work/root/usr/bin/waybill-cli" --version | grep -qx "waybill-cli [0-9.]*" || fail "--version"
"$work/root/usr/bin/waybill-cli" templates >"$work/templates" 2>"$work/err"
[ ! -s "$work/err" ] || fail "stderr: $(cat "$work/err")"
[ "$(wc -l <"$work/templates")" -eq "$(ls -d "$source"/data/template/*/ | wc -l)" ] || fail "templates: $(cat "$work/templates")"
grep -q "$work/home/.local/share/waybill/template/" "$work/templates" || fail "templates not in the data folder"
[ -f "$work/home/.local/share/waybill/config/PRINTER.INI" ] || fail "settings not seeded"
[ -f "$work/home/.local/share/waybill/orders/demo-orders.csv" ] || fail "demo orders not seeded"
"$work/root/usr/bin/waybill-cli" print --orders "$work/home/.local/share/waybill/orders/demo-orders.csv" \
    --template 0 --rows 1 --pdf "$work/one.pdf" >"$work/out" 2>"$work/err" || fail "print: $(cat "$work/err")"
grep -qx "printed 1" "$work/out" || fail "print output: $(cat "$work/out")"
XDG_DATA_HOME="$work/xdg" "$work/root/usr/bin/waybill-cli" templates >/dev/null
[ -f "$work/xdg/waybill/config/PRINTER.INI" ] || fail "XDG_DATA_HOME not followed"
find "$work/root" -printf '%p %s %T@\n' | sort >"$work/after"
diff "$work/before" "$work/after" >/dev/null || fail "the program wrote under the prefix: $(diff "$work/before" "$work/after")"
echo "package ok: $(basename "$deb")"
