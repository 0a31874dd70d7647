#!/usr/bin/env bash
# The test suite again under sanitizers, halting on the first report: all of it (and the fuzz
# corpus replay) under AddressSanitizer with UndefinedBehaviorSanitizer, and the test programs
# that run two threads under ThreadSanitizer. Each configuration builds only what it runs.
#   scripts/ci-sanitizers.sh [address] [thread]     (default: both; build trees build-asan, build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(address thread)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:suppressions=$PWD/scripts/sanitizers/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/sanitizers/tsan.supp"

# The suites whose tests run a second thread: the output stage, the receive loop, the link's
# waits, the dialog's frame hand-over and acquisition, playback while a file is dropped, redraws against the
# receive thread, the simulated scanner's pseudo-terminal, the monitor and probe commands, the
# dialog's health line and Detect (a worker thread), the DDS publisher and subscriber, and the
# Foxglove server (its thread, its clients' threads, publishers), plotwell-tool serve and the
# window's Serve box on it (the output's thread, the health thread), the MCAP recording (its output
# thread and chunk ticker), the commands that record, and a recording's LaserScans played in the
# window (the player's thread). The hostile-clients case
# measures resident memory, which the race detector's shadow memory makes meaningless; it runs
# in the normal and the address-sanitized suites.
THREADED_PROGRAMS=(test_acquisition test_run test_files test_ui test_view test_tools test_ros2 test_foxglove test_serve test_recording)
THREADED_SUITES='^(OutputStage|RecordingRoundTripTest|ReceiveLoopTest|SerialLinkTest|ConcurrencyTest|AcquisitionTest|FrameHandOver|ViewTest\.Redraw|MonitorCommand|ProbeCommand|SimulatePty|PseudoTerminalScanner|DialogTest\.DemoScanner|DialogTest\.(Publishes|Serves|Subscribed|HealthLine|Detect)|Loopback|PublishCommand|FoxgloveServerTest|ServeProcess\.ClientGets|Recording\.|McapCommands|FilesDialogTest\.ARecordingOfLaserScans)'

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
jobs=$(nproc)

for config in "${configs[@]}"; do
  started=$SECONDS
  case $config in
    address)
      echo "== AddressSanitizer + UndefinedBehaviorSanitizer: the whole suite"
      cmake -S . -B build-asan -G Ninja "${launcher[@]}" -DPLOTWELL_SANITIZE=address >/dev/null
      cmake --build build-asan -j "$jobs" --target plotwell_tests
      ctest --test-dir build-asan --output-on-failure -j "$jobs" | tee build-asan/ctest.log
      ;;
    thread)
      echo "== ThreadSanitizer: the tests that run two threads"
      cmake -S . -B build-tsan -G Ninja "${launcher[@]}" -DPLOTWELL_SANITIZE=thread >/dev/null
      cmake --build build-tsan -j "$jobs" --target "${THREADED_PROGRAMS[@]}"
      ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R "$THREADED_SUITES"
      ;;
    *)
      echo "unknown configuration '$config': use address or thread" >&2
      exit 2
      ;;
  esac
  echo "== $config: built and tested in $(( SECONDS - started )) s"
done
