#!/usr/bin/env bash
# Runs a command with a PulseAudio server to play into: the user's own when it
# answers and takes pacmd commands (a test ends our stream as the server would),
# otherwise a private one with a null sink (machines without a sound card, CI, a
# desktop on PipeWire), stopped again afterwards.
set -u
if ! pactl info >/dev/null 2>&1 || ! pacmd stat >/dev/null 2>&1; then
    runtime=$(mktemp -d)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime"
    export PULSE_RUNTIME_PATH="$runtime/pulse"
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --disable-shm \
        --load="module-null-sink sink_name=tunevault_null" \
        --load="module-native-protocol-unix" --load="module-cli-protocol-unix" --log-target=stderr >"$runtime/log" 2>&1 &
    server=$!
    trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$runtime"' EXIT
    for _ in $(seq 1 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "no audio server could be started:"
        cat "$runtime/log"
        exit 1
    fi
fi
"$@"
