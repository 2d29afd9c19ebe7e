#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what lands there: the programs,
# the program folder's data with the manuals, the desktop entry (desktop-file-validate),
# the icons, the man pages (groff warnings, every option of --help documented); then runs
# the installed pelmar-batch with a fresh HOME to show it seeds and uses its per-user
# program folder.
#   check-install.sh BUILD_DIR
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() {
    echo "check-install: $*" >&2
    fail=1
}

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr > "$work/install.log"
p="$work/dest/usr"

for f in bin/pelmar bin/pelmar-batch; do
    [ -x "$p/$f" ] || problem "$f is not installed"
done
if ls "$p/bin" | grep -v -x -e pelmar -e pelmar-batch > "$work/extra"; then
    problem "bin/ holds more than the two programs: $(tr '\n' ' ' < "$work/extra")"
fi
for f in share/pelmar/Ini/pelmar.ini share/pelmar/Ini/keys.ini share/pelmar/Lang/german.ini \
         share/pelmar/Struc/c.struc share/pelmar/Colorer/libicolorer.so \
         share/pelmar/Help/manual.css share/pelmar/Help/english/index.html \
         share/pelmar/Help/german/index.html \
         share/applications/pelmar.desktop share/icons/hicolor/scalable/apps/pelmar.svg \
         share/man/man1/pelmar.1 share/man/man1/pelmar-batch.1; do
    [ -f "$p/$f" ] || problem "$f is not installed"
done

# Each bitmap icon has the size of its folder.
for size in 16 24 32 48 64 128 256; do
    icon="$p/share/icons/hicolor/${size}x${size}/apps/pelmar.png"
    if [ ! -f "$icon" ]; then
        problem "no ${size}x${size} icon"
        continue
    fi
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$icon")
    [ "$got" = "${size}x${size}" ] || problem "the ${size}x${size} icon is $got"
done

# The desktop entry: valid, and starting the program with the files it is given.
desktop="$p/share/applications/pelmar.desktop"
if ! command -v desktop-file-validate > /dev/null; then
    problem "desktop-file-validate is missing (scripts/setup.sh installs desktop-file-utils)"
elif ! desktop-file-validate "$desktop"; then
    problem "pelmar.desktop does not validate"
fi
for line in 'Exec=pelmar %F' 'Icon=pelmar' 'Terminal=false' 'Categories=Utility;TextEditor;' \
            'StartupWMClass=Pelmar'; do
    grep -q -x -F "$line" "$desktop" || problem "pelmar.desktop lacks '$line'"
done
for type in text/plain text/x-csrc text/x-chdr text/x-c++src text/x-python text/x-shellscript \
            application/x-shellscript text/html text/xml text/markdown text/x-pascal; do
    grep -q "^MimeType=\(.*;\)\?$type;" "$desktop" || problem "pelmar.desktop lacks type $type"
done

# The man pages: no groff warnings, and every option the programs' --help names is there.
for page in pelmar pelmar-batch; do
    man="$p/share/man/man1/$page.1"
    if warnings=$(groff -man -Tutf8 -ww -z "$man" 2>&1) && [ -z "$warnings" ]; then
        :
    else
        problem "$page.1: $warnings"
    fi
    if ! help=$(QT_QPA_PLATFORM=offscreen "$p/bin/$page" --help); then
        problem "$page --help fails"
        continue
    fi
    rendered=$(groff -man -Tutf8 "$man" 2> /dev/null | sed 's/.\x08//g; s/‐/-/g')
    for option in $(grep -o -e '--[a-z][a-z-]*' <<< "$help" | sort -u); do
        grep -q -F -e "$option" <<< "$rendered" || problem "$page.1 does not name $option"
    done
done

# First start of the installed batch program: no program folder yet, so it is seeded
# from <prefix>/share/pelmar into $XDG_DATA_HOME/pelmar (else ~/.local/share/pelmar), and
# the C structure template and highlighter come from there.
printf 'struct point { int x; };\n\nint main(void)\n{\n    return 0;\n}\n' > "$work/a.c"
run_batch() {
    env -u PELMAR_HOME -u XDG_DATA_HOME HOME="$work/home" "$@" \
        "$p/bin/pelmar-batch" "$work/a.c" --structure --file-type
}
mkdir -p "$work/home"
if out=$(run_batch 2>&1); then
    grep -q '^  main  (line 3)$' <<< "$out" || problem "the installed batch gave no C structure: $out"
    grep -q '"name":"c"' <<< "$out" || problem "the installed batch found no highlighter: $out"
else
    problem "the installed pelmar-batch failed: $out"
fi
[ -f "$work/home/.local/share/pelmar/Ini/pelmar.ini" ] ||
    problem "no per-user program folder in ~/.local/share/pelmar"
[ -f "$work/home/.local/share/pelmar/Help/english/index.html" ] ||
    problem "the per-user program folder has no manual"
if out=$(run_batch XDG_DATA_HOME="$work/xdg" 2>&1); then
    [ -f "$work/xdg/pelmar/Ini/keys.ini" ] || problem "XDG_DATA_HOME/pelmar was not seeded"
else
    problem "the installed pelmar-batch failed with XDG_DATA_HOME: $out"
fi

exit $fail
