#!/usr/bin/env bash
# Writes the first inputs of a fuzz target into DIR: simulated revolutions of every protocol,
# wrapped in the target's script format (see tests/fuzz/), or for the MCAP reader our writer's
# recordings. Used by scripts/fuzz.sh on an empty corpus, with the fuzz build's plotwell-tool and
# mcap_sample_recordings.
#   scripts/fuzz-seeds.sh TARGET DIR BUILD_DIR
set -euo pipefail
target=$1 dir=$2 build=$3
tool=$build/tools/plotwell-tool
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [ "$target" = mcap_reader ]; then
  # One recording per compression, one cut in the middle of a chunk, one without messages.
  "$build/tests/mcap_sample_recordings" "$scratch" >/dev/null
  for recording in "$scratch"/*.mcap; do
    cp "$recording" "$dir/seed-$(basename "$recording" .mcap)"
  done
  exit 0
fi
for p in 0 1 2 3; do
  "$tool" simulate --protocol "$p" --frames 3 --format binary --output "$scratch/p$p.bin"
  "$tool" simulate --protocol "$p" --frames 3 --output "$scratch/p$p.txt"
done
python3 - "$target" "$dir" "$scratch" <<'PY'
import pathlib, struct, sys
target, out, scratch = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])

def segments(stream, control):
    # control byte, length byte (8 * (n + 1) bytes), bytes
    parts = bytearray()
    for i in range(0, len(stream), 2048):
        chunk = stream[i:i + 2048]
        parts += bytes([control, 255]) + chunk
    return parts

def write(name, data):
    (out / name).write_bytes(bytes(data))

if target.startswith("protocol"):
    own = int(target[-1])
    for size_code in (0, 8, 14):
        stream = (scratch / f"p{own}.bin").read_bytes()
        write(f"seed-{size_code}", bytes([10]) + segments(stream, size_code << 2))
    other = (own + 1) % 4
    mixed = segments((scratch / f"p{own}.bin").read_bytes()[:3000], 8 << 2)
    mixed += segments((scratch / f"p{other}.bin").read_bytes()[:3000], 0x80 | other | 8 << 2)
    mixed += segments((scratch / f"p{own}.bin").read_bytes(), 8 << 2)
    write("seed-switch", bytes([10]) + mixed)
elif target == "playback":
    ops = bytes([0, 210, 0, 3, 2, 0, 0x7E, 0x17, 6, 1, 50, 0, 7, 2, 0, 210, 0])
    for p in range(4):
        data = (scratch / f"p{p}.bin").read_bytes()[:65535]
        write(f"seed-{p}", bytes([1 | p << 1, 10]) + struct.pack("<H", len(data)) + data + ops)
    text = (scratch / "p1.txt").read_bytes()[:65535]
    write("seed-text", bytes([2, 10]) + struct.pack("<H", len(text)) + text + ops)
elif target == "decode_command":
    words = {"-": 0, "--protocol": 11, "--compensation": 30, "ros": 33, "formula": 32,
             "--filter": 24, "2.5": 25, "--chunk": 37, "7": 38, "--format": 34, "binary": 36}
    for p in range(4):
        text = (scratch / f"p{p}.txt").read_bytes()
        write(f"seed-{p}", bytes([3, words["--protocol"], 12 + p, words["-"]]) + text)
        args = ["--protocol", None, "--compensation", "ros", "--filter", "2.5", "-"]
        codes = [12 + p if a is None else words[a] for a in args]
        write(f"seed-bins-{p}", bytes([len(codes)] + codes) + text)
    binary = (scratch / "p2.bin").read_bytes()
    write("seed-binary", bytes([5, words["--format"], words["binary"], words["--chunk"], words["7"], words["-"]]) + binary)
elif target == "foxglove_client":
    def message(text, binary=False):
        data = text if isinstance(text, bytes) else text.encode()
        return bytes([1 if binary else 0]) + struct.pack("<H", len(data)) + data
    subscribe = '{"op":"subscribe","subscriptions":[{"id":%d,"channelId":%d}]}'
    write("seed-subscribe", message(subscribe % (0, 1)) + message(subscribe % (1, 2)))
    write("seed-unsubscribe", message(subscribe % (4, 3)) + message('{"op":"unsubscribe","subscriptionIds":[4]}'))
    write("seed-refused", message(subscribe % (5, 9)) + message('{"op":"getParameters","parameterNames":[]}')
          + message("[1,2.5,null,true,\"x\"]"))
    write("seed-binary", message(b"\x01\x01\x00\x00\x00payload", binary=True))
else:
    sys.exit(f"no seeds for {target}")
PY
