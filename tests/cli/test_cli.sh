#!/usr/bin/env bash
# Both programs' command lines as a script or an ssh session meets them, with
# no display at all: --help and --version answer, a wrong option is one line
# and status 2, tellwyn says it needs a graphical session, and each manual
# page names exactly the options that the program's parser takes.
# Usage: test_cli.sh BUILD_DIR MAN_DIR VERSION
set -euo pipefail
BUILD=$1 MAN=$2 VERSION=$3
TMP=$(mktemp -d /tmp/tellwyn-cli.XXXXXX)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# run NAME COMMAND...: output in $TMP/NAME.out and .err, status in $STATUS
run() {
    local name=$1
    shift
    STATUS=0
    "$@" >"$TMP/$name.out" 2>"$TMP/$name.err" || STATUS=$?
}
one_line_error() { # one_line_error NAME STATUS
    [ "$STATUS" -eq "$2" ] || fail "$1: status $STATUS, not $2"
    [ ! -s "$TMP/$1.out" ] || fail "$1 wrote to standard output"
    [ "$(wc -l <"$TMP/$1.err")" -eq 1 ] || fail "$1: not one line: $(cat "$TMP/$1.err")"
}

for program in tellwyn tellwyn-tokens; do
    run version "$BUILD/$program" --version
    [ "$STATUS" -eq 0 ] && [ ! -s "$TMP/version.err" ] || fail "$program --version: $STATUS"
    [ "$(head -n 1 "$TMP/version.out")" = "$program $VERSION" ] || fail "$program --version"
    run help "$BUILD/$program" --help
    [ "$STATUS" -eq 0 ] && [ ! -s "$TMP/help.err" ] || fail "$program --help: $STATUS"
    grep -q "^Usage: $program " "$TMP/help.out" || fail "$program --help has no usage line"
    run unknown "$BUILD/$program" --no-such-option
    one_line_error unknown 2

    # The help's option lines ("  -o, --output FILE  ...") against the tags of
    # the page's OPTIONS section (".BR \-o ", " \-\-output ...").
    help_options=$(grep -oE '^ +(-[a-z], )?--[a-z-]+' "$TMP/help.out" | grep -oE -- '-[-a-z]+' \
        | sort)
    page_options=$(sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$MAN/$program.1" | grep -E '^\.B[IR]? ' \
        | sed 's/\\-/-/g' | grep -oE -- '(^| |")--?[a-z][-a-z]*' | tr -d ' "' | sort)
    [ -n "$help_options" ] || fail "no options found in $program --help"
    [ "$help_options" = "$page_options" ] \
        || fail "$program: --help names $(echo $help_options), the manual page $(echo $page_options)"
done

# Qt's own options are handed on, and do not stop --version.
run qt "$BUILD/tellwyn" -platform offscreen -reverse --version
[ "$STATUS" -eq 0 ] || fail "tellwyn with Qt's options: $STATUS"
for display in "" :99; do
    run window env ${display:+DISPLAY=$display} "$BUILD/tellwyn"
    one_line_error window 1
    grep -q 'needs a graphical session' "$TMP/window.err" || fail "$(cat "$TMP/window.err")"
done
run extra "$BUILD/tellwyn-tokens" check
one_line_error extra 2

# check --tsv in a German locale (decimal comma there): one header, 16 fields
# a row, dot decimals (the demo token's RMS as sox stats reads it), -inf for
# all-zero (0.5 s here), a TAB and quotes in a name escaped, an unreadable
# token with its problem and no measures.
T=$TMP/tokens
mkdir "$T"
cp "$MAN/../../demo/tokens/mom001_hello.wav" "$T/a_mom001.wav"
cp "$MAN/../../demo/tokens/stranger_a_hello.wav" "$T/"$'b\t"stranger".wav'
{ printf 'RIFF\xa4\xbb\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x80\xbb\0\0\0\x77\x01\0\x02\0\x10\0data\x80\xbb\0\0'
    head -c 48000 /dev/zero; } >"$T/c_zero.wav"
tsv() { run "$1" env LC_ALL=de_DE.UTF-8 "$BUILD/tellwyn-tokens" check "$T" --tsv "${@:2}"; }
tsv ready
[ "$STATUS" -eq 0 ] || fail "check --tsv on playable tokens: status $STATUS"
tsv strict --strict
[ "$STATUS" -eq 1 ] && grep -q 'more than 20 ms of silence' "$TMP/strict.err" || fail "--strict: $STATUS"
echo "not a sound" >"$T/d_broken.wav"
tsv table
OUT=$TMP/table.out
[ "$STATUS" -eq 1 ] || fail "check --tsv with an unreadable token: status $STATUS"
[ "$(head -n 1 "$OUT")" = "$(echo file rate channels bits frames ms voice rms_dbfs active_rms_dbfs \
    peak_dbfs clipped dc lead_ms trail_ms lufs problem | tr ' ' '\t')" ] || fail "header: $(head -n 1 "$OUT")"
[ "$(wc -l <"$OUT")" -eq 5 ] && awk -F'\t' 'NF != 16 { exit 1 }' "$OUT" || fail "rows: $(cat "$OUT")"
! grep -q '[0-9],[0-9]' "$OUT" && grep -q $'\t401.500\tmother\t-18.71\t' "$OUT" || fail "numbers: $(cat "$OUT")"
row() { grep "^$1"$'\t' "$OUT" | cut -f "$2" | tr '\t' ,; }
[ "$(row 'b\\t\\x22stranger\\x22.wav' 7)" = stranger ] || fail "names: $(cut -f 1 "$OUT")"
[ "$(row c_zero.wav 8-10,13-15)" = -inf,,-inf,500.000,500.000,-inf ] || fail "zero: $(row c_zero.wav 8-)"
[ "$(row d_broken.wav 2-15)" = ,,,,,stranger,,,,,,,, ] && [ -n "$(row d_broken.wav 16)" ] \
    || fail "unreadable token: $(row d_broken.wav 2-)"
echo "PASS: both programs' --help, --version, errors and manual pages; check --tsv"
