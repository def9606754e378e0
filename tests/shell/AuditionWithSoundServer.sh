#!/bin/bash
# Real playback: starts a private sound server with a null sink (nothing is heard), runs the
# playback test of shell_tests against it and stops the server. Exit 77 (skipped) when the server
# program is missing.
#
#     AuditionWithSoundServer.sh SHELL_TESTS
set -u
tests=$1
if ! command -v pulseaudio >/dev/null; then
    echo "pulseaudio is not installed: real playback is not tested"
    exit 77
fi
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime HOME=$runtime
stop() {
    pulseaudio --kill 2>/dev/null
    rm -rf "$runtime"
}
trap stop EXIT
if ! pulseaudio -D --exit-idle-time=-1 --system=false -n --load="module-null-sink sink_name=orvanta_null" \
    --load="module-native-protocol-unix auth-anonymous=1" --log-target=stderr 2>"$runtime/server.log"; then
    cat "$runtime/server.log"
    echo "the sound server did not start"
    exit 1
fi
# The tests run with a private home and runtime folder of their own: the server is named directly.
PULSE_SERVER=unix:$runtime/pulse/native ORVANTA_AUDIO_SINK=1 QT_QPA_PLATFORM=offscreen "$tests" \
    --gtest_filter='AuditionTest.FramesReachTheAudioOutputAndPlaybackEndsByItself:AuditionTest.AnOutputThatAppearsAfterTheStartIsTaken'
