// Our recordings read by code we did not write: @mcap/core, the MCAP reader Foxglove runs (the
// indexed reader for complete files, the stream reader for one cut mid-chunk), with Foxglove's
// zstd and lz4 decompressors, and the ROS 2 CDR codec @foxglove/rosmsg2-serialization on the
// message definition parsed by @foxglove/rosmsg. CRCs are checked by the readers and, for the
// data section and the summary, by @foxglove/crc. Then the other way: recordings written by
// @mcap/core's writer (chunked, with schemas and channels inside the chunks; unchunked; cut)
// listed by our reader.
//   node mcap-readers.mjs PATH/TO/mcap_sample_recordings PATH/TO/mcap_list_recording
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { crc32 } from "@foxglove/crc";
import assert from "node:assert/strict";
import { test, after } from "node:test";

import { McapWriter } from "@mcap/core";
import { parse } from "@foxglove/rosmsg";
import { MessageReader } from "@foxglove/rosmsg2-serialization";
import * as zstd from "@foxglove/wasm-zstd";
import { readIndexed, readStream } from "./mcap-reading.mjs";

const dir = mkdtempSync(join(tmpdir(), "plotwell-interop-"));
after(() => rmSync(dir, { recursive: true, force: true }));
execFileSync(process.argv[2], [dir], { stdio: "inherit" });

const SECOND = 1_000_000_000n;

// What SampleRecordings.cpp writes as message i of /sweep.
function expectedSweep(i) {
  return {
    header: { stamp: { sec: 1_700_000_000 + Math.floor(i / 10), nanosec: (i % 10) * 100_000_000 }, frame_id: "laser" },
    angle_min: Math.fround(-Math.PI / 2),
    ranges: Float32Array.from([0, 1, 2, 3], (k) => i / 4 + k),
    raw: Uint8Array.from([i, 0x55]),
  };
}

function logTimeOf(i) {
  return (1_700_000_000n + BigInt(Math.floor(i / 10))) * SECOND + BigInt(i % 10) * 100_000_000n;
}

function checkMessages(messages, channelsById, schemasById, count) {
  const sweep = [...channelsById.values()].find((c) => c.topic === "/sweep");
  const raw = [...channelsById.values()].find((c) => c.topic === "/raw");
  assert.ok(sweep && raw, "both channels");
  assert.equal(sweep.messageEncoding, "cdr");
  assert.equal(raw.schemaId, 0);
  const schema = schemasById.get(sweep.schemaId);
  assert.equal(schema.name, "plotwell_test/msg/Sweep");
  assert.equal(schema.encoding, "ros2msg");
  const reader = new MessageReader(parse(new TextDecoder().decode(schema.data), { ros2: true }));

  const sweeps = messages.filter((m) => m.channelId === sweep.id);
  const raws = messages.filter((m) => m.channelId === raw.id);
  assert.equal(sweeps.length, count);
  assert.equal(raws.length, count);
  sweeps.forEach((message, i) => {
    assert.equal(message.logTime, logTimeOf(i));
    assert.equal(message.sequence, i);
    assert.deepEqual(reader.readMessage(message.data), expectedSweep(i));
    assert.equal(reader.lastReadHadTrailingBytes(), false);
  });
  raws.forEach((message, i) => {
    assert.deepEqual(message.data, new Uint8Array(16 + i).fill(0xa0 + i));
  });
}

// The data section's CRC (from the magic to the Data End record) and the summary's (from its
// start to the footer's summary CRC field), computed here.
function checkFileCrcs(bytes, reader) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const dataEnd = Number(reader.dataEndOffset);
  assert.equal(reader.dataSectionCrc, crc32(bytes.subarray(0, dataEnd)));
  const footerAt = bytes.length - 8 - 29;
  const summaryStart = Number(reader.footer.summaryStart);
  assert.equal(reader.footer.summaryCrc, crc32(bytes.subarray(summaryStart, footerAt + 25)));
  assert.equal(view.getUint8(footerAt), 0x02);
}

for (const name of ["zstd", "lz4", "none"]) {
  test(`${name}: the indexed reader opens it through its summary`, async () => {
    const path = join(dir, `${name}.mcap`);
    const { reader, messages, metadata } = await readIndexed(path);
    assert.equal(reader.header.profile, "ros2");
    assert.match(reader.header.library, /^plotwell \d/);
    assert.equal(reader.chunkIndexes.length, 3);
    assert.ok(reader.chunkIndexes.every((c) => c.compression === (name === "none" ? "" : name)));
    assert.equal(reader.statistics.messageCount, 60n);
    assert.equal(reader.statistics.chunkCount, 3);
    assert.deepEqual(
      metadata.map((m) => [m.name, Object.fromEntries(m.metadata)]),
      [["plotwell", { baud_rate: "230400", model: "TEST", protocol: "1" }]],
    );
    checkMessages(messages, reader.channelsById, reader.schemasById, 30);
    checkFileCrcs(readFileSync(path), reader);
  });

  test(`${name}: the stream reader reads it from end to end`, () => {
    const read = readStream(readFileSync(join(dir, `${name}.mcap`)));
    assert.equal(read.done, true);
    checkMessages(read.messages, read.channelsById, read.schemasById, 30);
    assert.equal(read.metadata.length, 1);
  });
}

test("stopped before its first message: both readers open it", async () => {
  const { reader, messages } = await readIndexed(join(dir, "empty.mcap"));
  assert.equal(reader.statistics.messageCount, 0n);
  assert.equal(reader.chunkIndexes.length, 0);
  assert.deepEqual([...reader.channelsById.values()].map((c) => c.topic), ["/raw"]);
  assert.equal(messages.length, 0);
  checkFileCrcs(readFileSync(join(dir, "empty.mcap")), reader);
  assert.equal(readStream(readFileSync(join(dir, "empty.mcap"))).done, true);
});

test("cut mid-chunk: the stream reader reads every whole chunk before the cut", () => {
  const read = readStream(readFileSync(join(dir, "cut.mcap")));
  assert.equal(read.done, false);
  checkMessages(read.messages, read.channelsById, read.schemasById, 20);
});

// A recording as Foxglove's writer makes it: 45 messages on two channels, 10 a second, chunks of
// about 1 KB compressed with zstd (or no chunks), metadata.
async function foreignRecording(useChunks) {
  const parts = [];
  let position = 0n;
  const writable = {
    position: () => position,
    write: async (buffer) => {
      parts.push(buffer.slice());
      position += BigInt(buffer.byteLength);
    },
  };
  const writer = new McapWriter({
    writable,
    useChunks,
    chunkSize: 1024,
    compressChunk: (data) => ({ compression: "zstd", compressedData: zstd.compress(data) }),
  });
  await writer.start({ profile: "ros2", library: "foxglove test" });
  const schemaId = await writer.registerSchema({
    name: "std_msgs/msg/String",
    encoding: "ros2msg",
    data: new TextEncoder().encode("string data\n"),
  });
  const topics = ["/chatter", "/other"];
  const channelIds = [];
  for (const topic of topics)
    channelIds.push(await writer.registerChannel({ topic, schemaId, messageEncoding: "cdr", metadata: new Map() }));
  await writer.addMetadata({ name: "robot", metadata: new Map([["id", "r2"]]) });
  const written = [];
  for (let i = 0; i < 45; i++) {
    const logTime = 1_700_000_000n * SECOND + BigInt(i) * 100_000_000n;
    const data = new Uint8Array(40 + i).fill(i);
    const channel = i % 3 === 0 ? 1 : 0;
    await writer.addMessage({ channelId: channelIds[channel], sequence: i, logTime, publishTime: logTime, data });
    written.push(`message ${topics[channel]} ${i} ${logTime} ${data.length} ${crc32(data).toString(16).padStart(8, "0")}`);
  }
  await writer.end();
  return { bytes: Buffer.concat(parts), written };
}

function listed(path) {
  return execFileSync(process.argv[3], [path], { encoding: "utf8" }).trim().split("\n");
}

for (const useChunks of [true, false]) {
  test(`a recording of Foxglove's writer ${useChunks ? "in zstd chunks" : "without chunks"}: our reader lists it`, async () => {
    const { bytes, written } = await foreignRecording(useChunks);
    const path = join(dir, `foreign-${useChunks}.mcap`);
    writeFileSync(path, bytes);
    const lines = listed(path);
    assert.equal(lines[0], `state 1 ${useChunks ? 1 : 0} ros2`);
    assert.deepEqual(lines.filter((l) => l.startsWith("channel")), [
      "channel 0 /chatter cdr std_msgs/msg/String",
      "channel 1 /other cdr std_msgs/msg/String",
    ]);
    assert.deepEqual(lines.filter((l) => l.startsWith("metadata")), ["metadata robot id=r2"]);
    assert.deepEqual(lines.filter((l) => l.startsWith("message")), written);
    assert.deepEqual(lines.filter((l) => l.startsWith("problem")), []);

    // Cut in the middle: what our reader lists is the start of what was written, nothing else.
    writeFileSync(path, bytes.subarray(0, Math.floor(bytes.length * 0.6)));
    const cut = listed(path);
    assert.equal(cut[0], "state 0 0 ros2");
    const messages = cut.filter((l) => l.startsWith("message"));
    assert.ok(messages.length >= 15 && messages.length < 45, `${messages.length} messages`);
    assert.deepEqual(messages, written.slice(0, messages.length));
    assert.deepEqual(cut.filter((l) => l.startsWith("problem")), []);
  });
}
