# Shared by scripts/run and scripts/test: install the Debian packages that are
# missing, then configure and build with CMake in build/.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

RUN_PACKAGES=(cmake g++ make pkg-config qtbase5-dev libqt5charts5-dev qtmultimedia5-dev
    libqt5multimedia5-plugins)
TEST_PACKAGES=(pulseaudio pulseaudio-utils libbenchmark-dev libfftw3-dev)
TEST_PACKAGES+=(python3)  # test_collect: the tables parse with the csv module
TEST_PACKAGES+=(clang libclang-rt-14-dev)  # sanitizer build and libFuzzer
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
PACKAGE_PACKAGES=(dpkg-dev file)  # CPack Debian packages: dpkg-shlibdeps, file
TEST_PACKAGES+=("${PACKAGE_PACKAGES[@]}")  # test_package

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get -o DPkg::Lock::Timeout=300 update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 \
        install -y -qq --no-install-recommends "${missing[@]}"
}

# Builds the given targets, or everything (tests and benchmarks too);
# arguments starting with -D go to CMake.
build() {
    local options=(-DCMAKE_BUILD_TYPE=Release) targets=()
    for t in "$@"; do
        case $t in
            -D*) options+=("$t") ;;
            *) targets+=(--target "$t") ;;
        esac
    done
    cmake -S "$ROOT" -B "$BUILD_DIR" "${options[@]}" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)" "${targets[@]}"
}

# A PulseAudio server of our own, for headless runs: no default script, no
# desktop session, a socket that anyone may use and one null sink in the
# playback format (float32 mono 48 kHz) as the default output. norewinds keeps
# a capture of its monitor sample-exact. Exports PULSE_SERVER for the programs
# started afterwards; stop_sound_server ends it (use it in an EXIT trap).
# "start_sound_server default" keeps PulseAudio's default latency settings
# instead: rewinds allowed, a monitor reader that asks for no small latency.
start_sound_server() {
    local sink_options="norewinds=1" reader_latency="--latency-msec=10"
    [ "${1:-}" = default ] && sink_options="" reader_latency=""
    PULSE_DIR=$(mktemp -d /tmp/tellwyn-pulse.XXXXXX)
    export XDG_RUNTIME_DIR="$PULSE_DIR"
    export PULSE_SERVER="unix:$PULSE_DIR/native"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --log-target=file:"$PULSE_DIR/pulse.log" --log-level=notice \
        -L "module-native-protocol-unix socket=$PULSE_DIR/native auth-anonymous=1" \
        -L "module-null-sink sink_name=null rate=48000 channels=1 format=float32le $sink_options" &
    PULSE_PID=$!
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "PulseAudio did not start:" >&2
        cat "$PULSE_DIR/pulse.log" >&2 || true
        return 1
    fi
    pactl set-default-sink null
    # A null sink alone runs in 2-second blocks; a reader with a small latency
    # on its monitor makes it report the end of a sound within a few tens of ms.
    parec --device=null.monitor $reader_latency --raw >/dev/null &
    READER_PID=$!
    echo "PulseAudio up: $(pactl info | grep -E '^Default Sink')"
}

stop_sound_server() {
    [ -n "${READER_PID:-}" ] && kill "$READER_PID" 2>/dev/null || true
    [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null || true
    [ -n "${PULSE_PID:-}" ] && wait "$PULSE_PID" 2>/dev/null || true
    [ -n "${PULSE_DIR:-}" ] && rm -rf "$PULSE_DIR"
    return 0
}
