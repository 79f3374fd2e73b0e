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

# check --tsv, the levels table a script reads, in a German locale (a comma
# as decimal separator there): one header, 16 fields in every row, dot
# decimals, -inf for an all-zero token, a TAB and quotes in a name escaped, an
# unreadable token with its problem and nothing else. 0.5 s of zeros at
# 48 kHz, 16-bit mono:
zeros() {
    printf 'RIFF\xa4\xbb\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x80\xbb\x00\x00'
    printf '\x00\x77\x01\x00\x02\x00\x10\x00data\x80\xbb\x00\x00'
    head -c 48000 /dev/zero
}
TOKENS=$TMP/tokens
mkdir "$TOKENS"
cp "$MAN/../../demo/tokens/mom001_hello.wav" "$TOKENS/a_mom001.wav"
cp "$MAN/../../demo/tokens/stranger_a_hello.wav" "$TOKENS/"$'b\t"stranger".wav'
zeros >"$TOKENS/c_zero.wav"
tsv() { env LC_ALL=de_DE.UTF-8 "$BUILD/tellwyn-tokens" check "$TOKENS" --tsv "$@"; }
run ready tsv
[ "$STATUS" -eq 0 ] || fail "check --tsv on playable tokens: status $STATUS"
run strict tsv --strict
[ "$STATUS" -eq 1 ] && grep -q 'more than 20 ms of silence' "$TMP/strict.err" \
    || fail "check --tsv --strict with 500 ms of silence: status $STATUS, $(cat "$TMP/strict.err")"
echo "not a sound" >"$TOKENS/d_broken.wav"
run table tsv
[ "$STATUS" -eq 1 ] || fail "check --tsv with an unreadable token: status $STATUS"
[ "$(head -n 1 "$TMP/table.out")" = "$(printf '%s\t' file rate channels bits frames ms voice \
    rms_dbfs active_rms_dbfs peak_dbfs clipped dc lead_ms trail_ms lufs problem | sed 's/\t$//')" ] \
    || fail "check --tsv header: $(head -n 1 "$TMP/table.out")"
[ "$(wc -l <"$TMP/table.out")" -eq 5 ] || fail "check --tsv: $(wc -l <"$TMP/table.out") lines"
awk -F'\t' 'NF != 16 { exit 1 }' "$TMP/table.out" || fail "check --tsv: a row without 16 fields"
# Every number: dB and LUFS to 0.01 or -inf, ms to 0.001, dc in %g form.
awk -F'\t' 'NR > 1 && $1 != "d_broken.wav" {
    for (i = 8; i <= 15; i++) if (i != 11 && i != 12 && $i != "" && $i !~ /^(-?[0-9]+\.[0-9]+|-inf)$/) exit 1
    if ($6 !~ /^[0-9]+\.[0-9][0-9][0-9]$/ || $13 !~ /\.[0-9][0-9][0-9]$/ || $14 !~ /\.[0-9][0-9][0-9]$/) exit 1
    if ($12 !~ /^-?[0-9.]+(e[-+][0-9]+)?$/ || $11 !~ /^[0-9]+$/) exit 1 }' "$TMP/table.out" \
    || fail "check --tsv: a number not written with a dot: $(cat "$TMP/table.out")"
row() { grep "^$1"$'\t' "$TMP/table.out" | cut -f "$2"; }
[ "$(row 'b\\t\\x22stranger\\x22.wav' 7)" = stranger ] \
    || fail "check --tsv: a TAB or quote in a name not escaped: $(cut -f 1 "$TMP/table.out")"
[ "$(row c_zero.wav 8-10,13-15)" = $'-inf\t\t-inf\t500.000\t500.000\t-inf' ] \
    || fail "check --tsv, all-zero token: $(row c_zero.wav 8-15)"
[ "$(row d_broken.wav 2-15)" = $'\t\t\t\t\tstranger\t\t\t\t\t\t\t\t' ] \
    && [ -n "$(row d_broken.wav 16)" ] || fail "check --tsv, unreadable token: $(row d_broken.wav 2-)"
echo "PASS: both programs' --help, --version, errors and manual pages; check --tsv"
