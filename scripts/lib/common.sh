# Shared by scripts/run and scripts/test: install the Debian packages that are
# missing, then configure and build with CMake in build/.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

RUN_PACKAGES=(cmake g++ make pkg-config qtbase5-dev libqt5charts5-dev qtmultimedia5-dev libpulse-dev libpipewire-0.3-dev
    libebur128-dev libqt5multimedia5-plugins)
TEST_PACKAGES=(libbenchmark-dev libfftw3-dev)
# The sanitizer build and libFuzzer: clang with its runtimes, and llvm for
# llvm-symbolizer, without which the sanitizers' stacks have no function names
# and the suppressions of Qt's own leaks cannot match.
SANITIZER_PACKAGES=(clang llvm libclang-rt-dev)
TEST_PACKAGES+=("${SANITIZER_PACKAGES[@]}")
FUZZ_PACKAGES=("${SANITIZER_PACKAGES[@]}")
PACKAGE_PACKAGES=(dpkg-dev file)  # CPack Debian packages: dpkg-shlibdeps, file
TEST_PACKAGES+=("${PACKAGE_PACKAGES[@]}")
TEST_PACKAGES+=(lintian appstream)  # test_package checks the package and its metainfo

package_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for pkg in "$@"; do
        package_installed "$pkg" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get -o DPkg::Lock::Timeout=300 update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 \
        install -y -qq --no-install-recommends "${missing[@]}"
}

# The suppressions of Qt's own leaks name Qt's functions, so LeakSanitizer
# must be able to name the functions of a stack. The probe leaks one block in
# a function of a known name: its report must carry that name.
check_leak_stacks() {
    local report
    if report=$("$1" 2>&1); then
        echo "LeakSanitizer reported nothing for the leak of $1: it does not run." >&2
        return 1
    fi
    if ! grep -q tellwynProbeLeak <<<"$report"; then
        echo "LeakSanitizer cannot name the functions in its stacks, so the suppressions of" \
            "Qt's own leaks (tests/sanitizers/lsan-qt.supp) would not match and every GUI" \
            "test would fail with a leak that is Qt's. It needs llvm-symbolizer (package" \
            "llvm) on the PATH or in ASAN_SYMBOLIZER_PATH. What it printed:" >&2
        grep -m 3 -i 'symbolizer\|#0' <<<"$report" >&2 || true
        return 1
    fi
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

# The tests' sound server: a private one, started and stopped by the scripts,
# whose default output is a null sink "null" in the playback format (float32
# mono 48 kHz). It is PipeWire (with WirePlumber and pipewire-pulse) where
# PipeWire is installed and the PulseAudio daemon is not, as on today's
# desktops; PulseAudio where that is installed; and PulseAudio, installed,
# where neither is. TELLWYN_SOUND_SERVER=pipewire or pulseaudio chooses.
# Either way the programs reach it through the PulseAudio protocol
# (PULSE_SERVER), and pactl and parec come from pulseaudio-utils.
choose_sound_server() {
    case ${TELLWYN_SOUND_SERVER:-} in
        pipewire | pulseaudio) echo "$TELLWYN_SOUND_SERVER"; return ;;
        "") ;;
        *) echo "TELLWYN_SOUND_SERVER must be pipewire or pulseaudio" >&2; return 1 ;;
    esac
    if ! package_installed pulseaudio && package_installed pipewire; then
        echo pipewire
    else
        echo pulseaudio
    fi
}
SOUND_SERVER=$(choose_sound_server)

PIPEWIRE_PACKAGES=(pipewire wireplumber pipewire-pulse dbus-daemon pulseaudio-utils)
if [ "$SOUND_SERVER" = pipewire ]; then
    SOUND_PACKAGES=("${PIPEWIRE_PACKAGES[@]}")
else
    SOUND_PACKAGES=(pulseaudio pulseaudio-utils)
fi

# Starts the server in a runtime folder of its own: no desktop session and no
# sound card of this machine is touched. Exports PULSE_SERVER (and for
# PipeWire PIPEWIRE_REMOTE) for the programs started afterwards;
# stop_sound_server ends it (use it in an EXIT trap). "start_sound_server
# default" keeps PulseAudio's default latency settings instead: rewinds
# allowed, a monitor reader that asks for no small latency. "start_sound_server
# card" (PulseAudio only) makes the sink "null" an emulated sound card:
# PulseAudio's pipe sink writes into the FIFO $CARD_FIFO, which
# bench/session_timing --card drains at the sampling rate.
start_sound_server() {
    SOUND_DIR=$(mktemp -d /tmp/tellwyn-sound.XXXXXX)
    SOUND_PIDS=()
    export XDG_RUNTIME_DIR="$SOUND_DIR"
    if [ "$SOUND_SERVER" = pipewire ]; then
        start_pipewire
    else
        start_pulseaudio "${1:-}"
    fi
    local ready=
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && pactl list short sinks 2>/dev/null | grep -q $'\tnull\t' \
            && ready=1 && break
        sleep 0.1
    done
    if [ -z "$ready" ]; then
        echo "The test sound server ($SOUND_SERVER) did not start:" >&2
        cat "$SOUND_DIR"/*.log >&2 || true
        return 1
    fi
    # PipeWire answers "Not supported" until WirePlumber has set up its
    # default nodes, which can come after the sink appears.
    local defaulted=
    for _ in $(seq 50); do
        pactl set-default-sink null 2>/dev/null && defaulted=1 && break
        sleep 0.1
    done
    if [ -z "$defaulted" ]; then
        echo "The test sound server ($SOUND_SERVER) would not make null its default sink:" >&2
        pactl set-default-sink null || true
        return 1
    fi
    [ "${1:-}" = card ] && card_thread_realtime
    # A null sink alone runs in long blocks; a reader with a small latency on
    # its monitor makes it report the end of a sound within a few tens of ms.
    local reader_latency=--latency-msec=10
    [ "${1:-}" = default ] && reader_latency=
    parec --device=null.monitor $reader_latency --raw >/dev/null &
    SOUND_PIDS+=($!)
    echo "Test sound server: $SOUND_SERVER ($(pactl info | sed -n 's/^Server Name: //p'))," \
        "default sink $(pactl get-default-sink)"
}

# On a desktop rtkit gives the sound server's device thread real-time
# priority. There is no rtkit here, so the card's sink thread gets it directly
# where that is allowed: without it a loaded machine starves the thread, and
# the card runs out of samples unknown to the server (a real card's driver
# reports such an underrun; the pipe cannot).
card_thread_realtime() {
    local task
    for task in /proc/"${SOUND_PIDS[0]}"/task/*; do
        if [ "$(cat "$task/comm")" = pipe-sink ]; then
            if chrt -r -p 5 "${task##*/}" 2>/dev/null; then
                echo "The emulated card's sink thread runs at real-time priority (SCHED_RR 5)"
            else
                echo "The emulated card's sink thread could not get real-time priority" >&2
            fi
        fi
    done
}

start_pulseaudio() {
    local sink="module-null-sink sink_name=null rate=48000 channels=1 format=float32le"
    case ${1:-} in
        default) ;;
        card)
            export CARD_FIFO=$SOUND_DIR/card.fifo
            sink="module-pipe-sink sink_name=null file=$CARD_FIFO rate=48000 channels=1 format=float32le"
            ;;
        *) sink="$sink norewinds=1" ;;
    esac
    export PULSE_SERVER="unix:$SOUND_DIR/native"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --log-target=file:"$SOUND_DIR/pulse.log" --log-level=notice \
        -L "module-native-protocol-unix socket=$SOUND_DIR/native auth-anonymous=1" -L "$sink" &
    SOUND_PIDS+=($!)
}

# PipeWire reads its configuration, and WirePlumber its configuration and
# state, below XDG_CONFIG_HOME and XDG_STATE_HOME: both point into the
# runtime folder, so the desktop's own settings are neither read nor changed.
# WirePlumber's device monitors are off (no sound card, camera or Bluetooth
# device is opened); the null sink comes from PipeWire's own configuration. A
# session bus of its own keeps WirePlumber off the desktop's bus.
start_pipewire() {
    local config=$SOUND_DIR/config
    mkdir -p "$config/pipewire/pipewire.conf.d" "$config/wireplumber/main.lua.d" \
        "$config/wireplumber/bluetooth.lua.d" "$config/wireplumber/wireplumber.conf.d" \
        "$SOUND_DIR/state"
    cat >"$config/pipewire/pipewire.conf.d/50-tellwyn-null-sink.conf" <<'CONF'
context.properties = { default.clock.rate = 48000 }
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = "null"
               node.description = "Tellwyn test sink" media.class = Audio/Sink
               audio.format = F32LE audio.rate = 48000 audio.channels = 1
               audio.position = [ MONO ] monitor.channel-volumes = true } }
]
CONF
    # WirePlumber 0.4 (Lua: after the defaults, before 90-enable-all) and 0.5.
    echo 'alsa_monitor.enabled = false' >"$config/wireplumber/main.lua.d/60-tellwyn.lua"
    echo 'v4l2_monitor.enabled = false' >>"$config/wireplumber/main.lua.d/60-tellwyn.lua"
    echo 'libcamera_monitor.enabled = false' >>"$config/wireplumber/main.lua.d/60-tellwyn.lua"
    echo 'bluez_monitor.enabled = false' >"$config/wireplumber/bluetooth.lua.d/60-tellwyn.lua"
    cat >"$config/wireplumber/wireplumber.conf.d/90-tellwyn.conf" <<'CONF'
wireplumber.profiles = { main = { monitor.alsa = disabled monitor.bluez = disabled
    monitor.v4l2 = disabled monitor.libcamera = disabled } }
CONF
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$SOUND_DIR/dbus.pid")
    SOUND_PIDS+=("$(cat "$SOUND_DIR/dbus.pid")")
    export PULSE_SERVER="unix:$SOUND_DIR/pulse/native"
    export PIPEWIRE_REMOTE="$SOUND_DIR/pipewire-0"
    local daemon
    for daemon in pipewire wireplumber pipewire-pulse; do
        env PIPEWIRE_RUNTIME_DIR="$SOUND_DIR" PULSE_RUNTIME_PATH="$SOUND_DIR/pulse" \
            XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$SOUND_DIR/state" \
            DBUS_SESSION_BUS_ADDRESS="$bus" "$daemon" >"$SOUND_DIR/$daemon.log" 2>&1 &
        SOUND_PIDS+=($!)
        if [ "$daemon" = pipewire ]; then
            for _ in $(seq 50); do
                [ -S "$SOUND_DIR/pipewire-0" ] && break
                sleep 0.1
            done
        fi
    done
}

# PipeWire only: every graph cycle from now on is N frames long, whatever
# the streams ask for (as a desktop runs with other programs playing).
force_pipewire_quantum() {
    PIPEWIRE_RUNTIME_DIR="$SOUND_DIR" pw-metadata -n settings 0 clock.force-quantum "$1" >/dev/null
    sleep 0.5
}

# The clients first, then the servers, each ended before the next.
stop_sound_server() {
    local i pid
    for ((i = ${#SOUND_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${SOUND_PIDS[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    SOUND_PIDS=()
    [ -n "${SOUND_DIR:-}" ] && rm -rf "$SOUND_DIR"
    return 0
}
