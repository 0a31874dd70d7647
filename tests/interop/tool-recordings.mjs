// Recordings that plotwell-tool makes, read by code we did not write: @mcap/core (the indexed
// reader for complete files, the stream reader for one cut mid-chunk and for one whose program
// was killed), with Foxglove's zstd and lz4 decompressors, and every message decoded by
// @foxglove/rosmsg2-serialization on the definition its schema holds. The raw channel's bytes,
// laid end to end, must be the data file's bytes. The other way, a bag of another scanner's
// driver as @mcap/core and Foxglove's CDR writer make it: decode prints its LaserScans' points.
//   node tool-recordings.mjs PATH/TO/plotwell-tool
import { execFileSync, spawn, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import assert from "node:assert/strict";
import { test, after } from "node:test";

import { McapWriter } from "@mcap/core";
import { parse } from "@foxglove/rosmsg";
import { MessageReader, MessageWriter } from "@foxglove/rosmsg2-serialization";
import { readIndexed, readStream } from "./mcap-reading.mjs";

const tool = process.argv[2];
const dir = mkdtempSync(join(tmpdir(), "plotwell-tool-interop-"));
after(() => rmSync(dir, { recursive: true, force: true }));

const RAW_TOPIC = "/plotwell/raw_packets";

function run(...args) {
  execFileSync(tool, args, { stdio: ["ignore", "ignore", "inherit"] });
}

function dumpBytes(path) {
  const text = readFileSync(path, "latin1").trim();
  return Uint8Array.from(text.split(/\s+/), (cell) => parseInt(cell, 16));
}

// Every message decoded through its channel's schema; the raw channel's bytes joined, and the
// LaserScans on /scan checked.
function decodeAll(messages, channelsById, schemasById, minimumScans = 1) {
  const readers = new Map();
  const raw = [];
  let scans = 0;
  let last = 0n;
  for (const message of messages) {
    const channel = channelsById.get(message.channelId);
    const schema = schemasById.get(channel.schemaId);
    assert.ok(schema, `channel ${channel.topic} has its schema`);
    assert.equal(schema.encoding, "ros2msg");
    assert.equal(channel.messageEncoding, "cdr");
    if (!readers.has(schema.id))
      readers.set(schema.id, new MessageReader(parse(new TextDecoder().decode(schema.data), { ros2: true })));
    const reader = readers.get(schema.id);
    const decoded = reader.readMessage(message.data);
    assert.equal(reader.lastReadHadTrailingBytes(), false);
    assert.ok(message.logTime >= last, "log times in order");
    last = message.logTime;
    if (channel.topic === RAW_TOPIC) {
      assert.equal(schema.name, "std_msgs/msg/UInt8MultiArray");
      raw.push(decoded.data);
    } else {
      assert.equal(channel.topic, "/scan");
      assert.equal(schema.name, "sensor_msgs/msg/LaserScan");
      assert.equal(decoded.header.frame_id, "laser");
      assert.ok(decoded.ranges.length > 0 && decoded.ranges.some(Number.isFinite), "a scan with returns");
      const stamp = BigInt(decoded.header.stamp.sec) * 1_000_000_000n + BigInt(decoded.header.stamp.nanosec);
      assert.ok(stamp <= message.logTime && message.logTime - stamp < 1_000_000_000n, "stamped before its log time");
      ++scans;
    }
  }
  assert.ok(scans >= minimumScans, `${scans} LaserScans`);
  return Buffer.concat(raw);
}

// One data file of 40 revolutions per protocol, written the first time it is asked for.
const dumps = new Map();
function simulated(protocol) {
  if (!dumps.has(protocol)) {
    const dump = join(dir, `p${protocol}.txt`);
    run("simulate", "--protocol", protocol, "--frames", "40", "--output", dump);
    dumps.set(protocol, dump);
  }
  return dumps.get(protocol);
}

for (const protocol of ["0", "1", "2", "3"]) {
  for (const compression of ["zstd", "lz4", "none"]) {
    test(`protocol ${protocol}, ${compression}: a converted data file reads whole and cut`, async () => {
      const dump = simulated(protocol);
      const recording = join(dir, `p${protocol}-${compression}.mcap`);
      run("convert", dump, recording, "--protocol", protocol, "--compression", compression);
      const expected = dumpBytes(dump);

      const { reader, messages, metadata } = await readIndexed(recording);
      assert.equal(reader.header.profile, "ros2");
      const raw = decodeAll(messages, reader.channelsById, reader.schemasById, 30);
      assert.deepEqual(new Uint8Array(raw), expected);
      const plotwell = metadata.find((m) => m.name === "plotwell");
      assert.equal(plotwell.metadata.get("protocol"), protocol);
      assert.equal(plotwell.metadata.get("model"), "TR20_A");

      // Cut in the middle of the last chunk: the whole chunks before it read, in order.
      const bytes = readFileSync(recording);
      const lastChunk = reader.chunkIndexes.at(-1);
      const cut = bytes.subarray(0, Number(lastChunk.chunkStartOffset) + Number(lastChunk.chunkLength) / 2);
      const stream = readStream(cut);
      const partial = decodeAll(stream.messages, stream.channelsById, stream.schemasById, 0);
      assert.ok(partial.length > 0 || reader.chunkIndexes.length === 1);
      assert.deepEqual(new Uint8Array(partial), expected.subarray(0, partial.length));
    });
  }
}

// A scanner on a port: simulate --pty as the scanner, record as the operator runs it for two
// seconds, ended by Ctrl+C (complete) or kill -9 (cut); both at once.
async function recordPort(signal) {
  const scanner = spawn(tool, ["simulate", "--pty"], { stdio: ["ignore", "pipe", "inherit"] });
  try {
    const device = await new Promise((resolve) => {
      let text = "";
      scanner.stdout.on("data", (data) => {
        text += data;
        if (text.includes("\n")) resolve(text.slice(0, text.indexOf("\n")));
      });
    });
    const path = join(dir, `port-${signal}.mcap`);
    const record = spawn(tool, ["record", device, path], { stdio: ["ignore", "ignore", "inherit"] });
    const ended = new Promise((resolve) => record.on("exit", resolve));
    await sleep(2000);
    record.kill(signal);
    await ended;
    return path;
  } finally {
    scanner.kill("SIGINT");
  }
}

test("a port recorded for two seconds, ended by SIGINT and by SIGKILL", async () => {
  const [stopped, killed] = await Promise.all([recordPort("SIGINT"), recordPort("SIGKILL")]);
  const { messages, reader } = await readIndexed(stopped);
  assert.ok(decodeAll(messages, reader.channelsById, reader.schemasById).length > 1000);
  const stream = readStream(readFileSync(killed));
  assert.ok(stream.messages.length > 0, "whole chunks before the kill");
  decodeAll(stream.messages, stream.channelsById, stream.schemasById);
});

const LASER_SCAN = `std_msgs/Header header
float32 angle_min
float32 angle_max
float32 angle_increment
float32 time_increment
float32 scan_time
float32 range_min
float32 range_max
float32[] ranges
float32[] intensities
================================================================================
MSG: std_msgs/Header
builtin_interfaces/Time stamp
string frame_id
================================================================================
MSG: builtin_interfaces/Time
int32 sec
uint32 nanosec
`;

// Scan i of a topic: 360 rays counter-clockwise from -pi, one return, at ray (7i + offset) % 360,
// 2 m + i cm away.
function oneReturn(i, offset) {
  const ranges = new Float32Array(360).fill(Infinity);
  ranges[(7 * i + offset) % 360] = 2 + i / 100;
  return {
    header: { stamp: { sec: 1_700_000_000 + Math.floor(i / 10), nanosec: (i % 10) * 100_000_000 }, frame_id: "base_laser" },
    angle_min: -Math.PI, angle_max: Math.PI - Math.PI / 180, angle_increment: Math.PI / 180,
    time_increment: 0, scan_time: 0.1, range_min: 0.1, range_max: 30, ranges, intensities: new Float32Array(0),
  };
}

test("a bag of LaserScans alone, as another driver records them: decode prints the chosen topic's", async () => {
  const parts = [];
  let position = 0n;
  const writable = { position: () => position, write: async (b) => { parts.push(b.slice()); position += BigInt(b.byteLength); } };
  const writer = new McapWriter({ writable, useChunks: true, chunkSize: 2048 });
  await writer.start({ profile: "ros2", library: "another driver" });
  const schemaId = await writer.registerSchema({
    name: "sensor_msgs/msg/LaserScan", encoding: "ros2msg", data: new TextEncoder().encode(LASER_SCAN),
  });
  const cdr = new MessageWriter(parse(LASER_SCAN, { ros2: true }));
  const topics = ["/front/scan", "/rear/scan"];
  const channels = [];
  for (const topic of topics) channels.push(await writer.registerChannel({ topic, schemaId, messageEncoding: "cdr", metadata: new Map() }));
  const SCANS = 20;
  for (let i = 0; i < SCANS; i++) {
    const logTime = 1_700_000_000n * 1_000_000_000n + BigInt(i) * 100_000_000n;
    for (const [k, channelId] of channels.entries())
      await writer.addMessage({ channelId, sequence: i, logTime, publishTime: logTime, data: cdr.writeMessage(oneReturn(i, 100 * k)) });
  }
  await writer.end();
  const bag = join(dir, "another-driver.mcap");
  writeFileSync(bag, Buffer.concat(parts));

  const unchosen = spawnSync(tool, ["decode", bag], { encoding: "utf8" });
  assert.equal(unchosen.status, 2);
  assert.match(unchosen.stderr, /several LaserScan topics; choose one with --topic: \/front\/scan \/rear\/scan/);

  const lines = execFileSync(tool, ["decode", bag, "--topic", "/rear/scan"], { encoding: "utf8" }).trim().split("\n");
  assert.equal(lines[0], "frame,index,angle,distance");
  const returns = lines.slice(1).map((l) => l.split(",").map(Number)).filter(([, , , distance]) => distance !== 0);
  assert.equal(returns.length, SCANS, "one return a scan");
  for (const [frame, , angle, distance] of returns) {
    assert.equal(distance, Math.round((2 + frame / 100) * 1000), `frame ${frame}`);
    // The default model's scanner counts degrees clockwise from x forward.
    const expected = (((180 - (7 * frame + 100)) % 360) + 360) % 360;
    const apart = Math.abs(angle - expected) % 360;
    assert.ok(Math.min(apart, 360 - apart) <= 1, `frame ${frame}: ${angle} degrees, not about ${expected}`);
  }
});
