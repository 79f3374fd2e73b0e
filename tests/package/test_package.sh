#!/usr/bin/env bash
# Builds the Debian package from the build folder given as the only argument,
# unpacks it into a throw-away root (this machine's installed packages stay as
# they are) and runs the installed programs from there: tellwyn-tokens on the
# demo tokens, and tellwyn from / under the offscreen platform, which must
# move into the folder of its feedback images. Removing the root removes it.
set -euo pipefail
BUILD=$1
TMP=$(mktemp -d /tmp/tellwyn-package.XXXXXX)
PID=
cleanup() {
    [ -n "$PID" ] && kill "$PID" 2>/dev/null && { wait "$PID" 2>/dev/null || true; }
    rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$TMP/out" >"$TMP/cpack.log" 2>&1 \
    || { cat "$TMP/cpack.log" >&2; fail "cpack"; }
DEB=$(echo "$TMP"/out/tellwyn_*.deb)
[ -f "$DEB" ] || fail "no .deb in $TMP/out"

# Debian's rules: no error or warning from lintian (info tags would not fail;
# it reports none today).
if ! LINT=$(lintian --fail-on error,warning --display-info "$DEB" 2>"$TMP/lintian.err"); then
    echo "$LINT" >&2
    cat "$TMP/lintian.err" >&2
    fail lintian
fi
echo "lintian: ${LINT:-no tags}"

# Depends names runtime packages only, and this machine, which runs the
# programs below, satisfies each of its clauses (no misspelt names).
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
NAMES=$(echo "$DEPENDS" | sed 's/([^)]*)//g; s/[ |]\+/ /g' | tr ',' '\n')
for pkg in libqt5core5a libqt5widgets5 libqt5charts5 libqt5multimedia5 \
    libqt5multimedia5-plugins libc6 libstdc++6; do
    echo "$NAMES" | tr " " "\n" | grep -qxF -- "$pkg" || fail "Depends lacks $pkg"
done
while read -r -a alternatives; do
    ok=
    for pkg in "${alternatives[@]}"; do
        [[ $pkg != *-dev ]] || fail "Depends names a -dev package: $pkg"
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' && ok=1
    done
    [ -n "$ok" ] || fail "none installed here: ${alternatives[*]}"
done <<<"$NAMES"

ROOT=$TMP/root
dpkg-deb -x "$DEB" "$ROOT"
[ "$(ls "$ROOT/usr/bin")" = "$(printf 'tellwyn\ntellwyn-tokens')" ] \
    || fail "programs installed: $(ls "$ROOT/usr/bin" | tr '\n' ' ')"
for f in applications/tellwyn.desktop icons/hicolor/scalable/apps/tellwyn.svg \
    man/man1/tellwyn.1.gz man/man1/tellwyn-tokens.1.gz doc/tellwyn/copyright; do
    [ -s "$ROOT/usr/share/$f" ] || fail "missing /usr/share/$f"
done
# Software centres list it from its metainfo.
appstreamcli validate --no-net "$ROOT"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli"

"$ROOT/usr/bin/tellwyn-tokens" check "$ROOT/usr/share/tellwyn/demo/tokens" \
    || fail "tellwyn-tokens check on the installed demo tokens"

# The main window's start-up asks the default audio output about its format,
# which loads Qt's audio plugin: once that is mapped, the window is built.
# Still running a second later, the program has shown it without a crash.
export QT_QPA_PLATFORM=offscreen
(cd / && exec "$ROOT/usr/bin/tellwyn") >"$TMP/tellwyn.log" 2>&1 &
PID=$!
for _ in $(seq 300); do
    grep -q 'plugins/audio/' "/proc/$PID/maps" 2>/dev/null && break
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
done
sleep 1
kill -0 "$PID" 2>/dev/null || { cat "$TMP/tellwyn.log" >&2; fail "tellwyn ended early"; }
grep -q 'plugins/audio/' "/proc/$PID/maps" || fail "tellwyn loaded no audio plugin"

# The style sheets look the images up in the working directory.
CWD=$(readlink "/proc/$PID/cwd")
[ "$CWD" = "$ROOT/usr/share/tellwyn" ] || fail "tellwyn runs in $CWD"
for image in correct.png incorrect.png; do
    file "$CWD/$image" | grep -q 'PNG image data' || fail "$image is not a PNG image"
done
if grep -q 'not found' "$TMP/tellwyn.log"; then cat "$TMP/tellwyn.log" >&2; fail "warning"; fi
echo "PASS: tellwyn runs in $CWD, beside its images"
