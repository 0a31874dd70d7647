// Recordings that plotwell-tool makes, read by code we did not write: @mcap/core (the indexed
// reader for complete files, the stream reader for one cut mid-chunk and for one whose program
// was killed), with Foxglove's zstd and lz4 decompressors, and every message decoded by
// @foxglove/rosmsg2-serialization on the definition its schema holds. The raw channel's bytes,
// laid end to end, must be the data file's bytes.
//   node tool-recordings.mjs PATH/TO/plotwell-tool
import { execFileSync, spawn } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { open } from "node:fs/promises";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import assert from "node:assert/strict";
import { test, after } from "node:test";

import { McapIndexedReader, McapStreamReader } from "@mcap/core";
import { parse } from "@foxglove/rosmsg";
import { MessageReader } from "@foxglove/rosmsg2-serialization";
import * as zstd from "@foxglove/wasm-zstd";
import lz4 from "@foxglove/wasm-lz4";

await zstd.isLoaded;
await lz4.isLoaded;
const decompressHandlers = {
  zstd: (buffer, size) => zstd.decompress(buffer, Number(size)),
  lz4: (buffer, size) => lz4(buffer, Number(size)),
};

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

async function readIndexed(path) {
  const handle = await open(path, "r");
  const readable = {
    size: async () => BigInt((await handle.stat()).size),
    read: async (offset, length) => {
      const buffer = new Uint8Array(Number(length));
      await handle.read(buffer, 0, buffer.length, Number(offset));
      return buffer;
    },
  };
  try {
    const reader = await McapIndexedReader.Initialize({ readable, decompressHandlers });
    const messages = [];
    for await (const message of reader.readMessages({ validateCrcs: true })) messages.push(message);
    const metadata = [];
    for await (const record of reader.readMetadata()) metadata.push(record);
    return { reader, messages, metadata };
  } finally {
    await handle.close();
  }
}

function readStream(bytes) {
  const reader = new McapStreamReader({ decompressHandlers, validateCrcs: true });
  reader.append(bytes);
  const records = [];
  for (let record; (record = reader.nextRecord()); ) records.push(record);
  const byKind = (type) => records.filter((r) => r.type === type);
  return {
    messages: byKind("Message"),
    channelsById: new Map(byKind("Channel").map((c) => [c.id, c])),
    schemasById: new Map(byKind("Schema").map((s) => [s.id, s])),
  };
}

for (const protocol of ["0", "1", "2", "3"]) {
  for (const compression of ["zstd", "lz4", "none"]) {
    test(`protocol ${protocol}, ${compression}: a converted data file reads whole and cut`, async () => {
      const dump = join(dir, `p${protocol}.txt`);
      const recording = join(dir, `p${protocol}-${compression}.mcap`);
      run("simulate", "--protocol", protocol, "--frames", "40", "--output", dump);
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

// A scanner on a port: simulate --pty as the scanner, record as the operator runs it, ended by
// Ctrl+C (complete) or kill -9 (cut).
for (const signal of ["SIGINT", "SIGKILL"]) {
  test(`a port recorded for three seconds, ended by ${signal}`, async () => {
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
      await sleep(3000);
      record.kill(signal);
      await ended;
      const bytes = readFileSync(path);
      if (signal === "SIGINT") {
        const { messages, reader } = await readIndexed(path);
        assert.ok(decodeAll(messages, reader.channelsById, reader.schemasById).length > 1000);
      } else {
        const stream = readStream(bytes);
        assert.ok(stream.messages.length > 0, "whole chunks before the kill");
        decodeAll(stream.messages, stream.channelsById, stream.schemasById);
      }
    } finally {
      scanner.kill("SIGINT");
    }
  });
}
