// plotwell-tool serve as the Foxglove app sees it: a simulated scanner on a pseudo-terminal
// (simulate --pty), serve reading it, and 16 clients of @foxglove/ws-protocol, the client library
// of the Foxglove app, over ws. Each scan is decoded with @foxglove/rosmsg2-serialization from the
// definition the server advertised, and must equal, within float rounding, the revolution that
// decode finds in the same bytes, cut into bins as messages/ScanConversion.h documents. One
// client stops reading: the other 15 get every revolution from their first on, in order; the
// stalled one's losses are counted by the server.
//
//   node foxglove-serve.mjs PATH/plotwell-tool
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import readline from "node:readline";

import { parse } from "@foxglove/rosmsg";
import { MessageReader } from "@foxglove/rosmsg2-serialization";
import wsProtocol from "@foxglove/ws-protocol";
import WebSocket from "ws";

const { FoxgloveClient } = wsProtocol;  // a CommonJS package

const CLIENTS = 16;
const FRAMES = 120;     // decoded; 17 s of the simulated scanner's 7 revolutions a second
const SCANS = 100;      // served to each steady client before the end
const SEED = "23";
const BINS = 16000;     // 64 KB a scan, so that the stalled client's queue overflows
const PROCESSING = ["--filter", "2.5", "--compensation", "formula"];  // serve's defaults
const RANGE_MIN = 0.1;  // TR20_A's, as ModelScanShape gives it
const DECODE_ANGLE_DIGITS = 4;
const TIMEOUT_MS = 150_000;

let waitingFor = "the scanner to start";

function fail(message) {
  console.error(`FAIL: ${message}`);
  process.exit(1);
}

function until(predicate, what) {
  waitingFor = what;
  return new Promise((resolve) => {
    const check = () => (predicate() ? resolve() : setTimeout(check, 10));
    check();
  });
}

// decode's revolutions of the bytes simulate writes for the same seed: [[angle, distance], ...].
function decodedRevolutions(tool) {
  const dir = mkdtempSync(join(tmpdir(), "plotwell-serve-"));
  try {
    const file = join(dir, "scanner.bin");
    execFileSync(tool, ["simulate", "--frames", `${FRAMES}`, "--seed", SEED, "--format", "binary", "--output", file]);
    const text = execFileSync(tool, ["decode", file, "--format", "binary", ...PROCESSING], {
      maxBuffer: 1 << 28,
    }).toString();
    const frames = [];
    for (const line of text.trim().split("\n").slice(1)) {
      const [frame, , angle, distance] = line.split(",").map(Number);
      (frames[frame] ??= []).push([angle, distance]);
    }
    return frames;
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The ranges a revolution becomes, with the bins whose value the printed angles leave open (a
// sample within the printout's rounding of a bin's edge may belong to either side).
function expectedScan(points) {
  const ranges = new Float32Array(BINS).fill(Infinity);
  const open = new Set();
  const kind = (r) => (Number.isNaN(r) ? 2 : r === -Infinity ? 0 : r === Infinity ? 3 : 1);
  const nearer = (a, b) => kind(a) < kind(b) || (kind(a) === 1 && kind(b) === 1 && a < b);
  const slack = (0.5 * 10 ** -DECODE_ANGLE_DIGITS + 1e-6) * (BINS / 360);
  for (const [angle, distance] of points) {
    // Bin k holds the scanner's own degrees k x 360 / BINS up to the next bin's, in sweep order.
    const x = ((((angle % 360) + 360) % 360) * BINS) / 360;
    const bin = Math.min(Math.max(Math.floor(x), 0), BINS - 1);
    const edge = Math.round(x);  // between bins edge - 1 and edge
    if (Math.abs(x - edge) < slack) {
      open.add(((edge % BINS) + BINS) % BINS);
      open.add((((edge - 1) % BINS) + BINS) % BINS);
    }
    const metres = Math.fround(distance * Math.fround(0.001));
    const range = distance === 0 ? Infinity : distance < 0 ? NaN : metres < Math.fround(RANGE_MIN) ? -Infinity : metres;
    if (nearer(range, ranges[bin])) ranges[bin] = range;
  }
  return { ranges, open };
}

function sameScan(scan, expected) {
  if (scan.ranges.length !== BINS) return false;
  for (let i = 0; i < BINS; i++) {
    if (expected.open.has(i)) continue;
    if (!Object.is(scan.ranges[i], expected.ranges[i])) return false;
  }
  return true;
}

class Peer {
  constructor(url) {
    this.ws = new WebSocket(url, [FoxgloveClient.SUPPORTED_SUBPROTOCOL]);
    this.client = new FoxgloveClient({ ws: this.ws });
    this.channels = [];
    this.statuses = [];
    this.scans = [];
    this.client.on("serverInfo", (info) => (this.info = info));
    this.client.on("advertise", (channels) => this.channels.push(...channels));
    this.client.on("status", (status) => this.statuses.push(status));
    this.client.on("error", (error) => fail(`client error: ${error}`));
    this.client.on("message", ({ subscriptionId, timestamp, data }) => {
      assert.equal(subscriptionId, this.subscription, "message of another subscription");
      this.scans.push({ timestamp, scan: this.reader.readMessage(data) });
    });
  }

  async subscribe(topic) {
    await until(() => this.info && this.channels.some((c) => c.topic === topic), `an advertisement of ${topic}`);
    const channel = this.channels.find((c) => c.topic === topic);
    this.channel = channel;
    this.reader = new MessageReader(parse(channel.schema, { ros2: true }));
    this.subscription = this.client.subscribe(channel.id);
  }
}

async function main() {
  const [tool] = process.argv.slice(2);
  assert.ok(tool, "usage: node foxglove-serve.mjs PATH/plotwell-tool");
  setTimeout(() => fail(`not done within ${TIMEOUT_MS / 1000} s, waiting for ${waitingFor}`), TIMEOUT_MS).unref();
  const expected = decodedRevolutions(tool).map(expectedScan);
  assert.ok(expected.length >= FRAMES - 1, `decode found ${expected.length} revolutions`);

  // The serve reads the terminal before the scanner sends: the scanner waits for its reader, and
  // the clients subscribe before its first revolution has ended.
  const scanner = spawn(tool, ["simulate", "--pty", "--frames", "100000", "--seed", SEED], {
    stdio: ["ignore", "pipe", "inherit"],
  });
  let stopping = false;
  scanner.on("exit", (code) => stopping || fail(`the scanner ended early with ${code}`));
  const pty = (await readline.createInterface({ input: scanner.stdout })[Symbol.asyncIterator]().next()).value.trim();
  const serve = spawn(tool, ["serve", pty, "--listen", "127.0.0.1:0", "--bins", `${BINS}`, ...PROCESSING], {
    stdio: ["ignore", "inherit", "pipe"],
  });
  let said = "";
  serve.stderr.on("data", (chunk) => (said += chunk));
  const served = new Promise((resolve) => serve.on("exit", resolve));
  serve.on("exit", (code) => stopping || fail(`serve ended early with ${code}: ${said}`));
  waitingFor = "serve to listen";
  await until(() => /on ws:\/\/127\.0\.0\.1:\d+: /.test(said), "serve to listen");
  const url = said.match(/on (ws:\/\/127\.0\.0\.1:\d+): /)[1];

  const peers = Array.from({ length: CLIENTS }, () => new Peer(url));
  await Promise.all(peers.map((peer) => peer.subscribe("/scan")));
  const [stalled, ...steady] = peers;
  stalled.ws.pause();

  const channel = steady[0].channel;
  assert.equal(channel.encoding, "cdr");
  assert.equal(channel.schemaName, "sensor_msgs/msg/LaserScan");
  assert.equal(channel.schemaEncoding, "ros2msg");
  assert.ok(steady[0].channels.some((c) => c.topic === "/plotwell/health" && c.schemaEncoding === "jsonschema"));

  await until(() => steady.every((peer) => peer.scans.length >= SCANS), `${SCANS} scans at every steady client`);
  stopping = true;
  serve.kill("SIGTERM");
  waitingFor = "serve to end";
  const status = await served;
  assert.equal(status, 0, `serve ended with ${status}: ${said}`);
  scanner.kill("SIGTERM");

  for (const [k, peer] of steady.entries()) {
    const { scans } = peer;
    // Its first scan is some revolution j; from there on, every one in order.
    const first = expected.findIndex((e) => sameScan(scans[0].scan, e));
    assert.ok(first >= 1, `client ${k}'s first scan is no revolution decode found`);
    scans.forEach(({ scan, timestamp }, i) => {
      assert.ok(sameScan(scan, expected[first + i]), `client ${k}: scan ${i} is not revolution ${first + i}`);
      assert.equal(scan.header.frame_id, "laser");
      // A clockwise scanner's rays in the order measured: from half a bin clockwise of x forward.
      const increment = (-2 * Math.PI) / BINS;
      assert.ok(Math.abs(scan.angle_increment - increment) < 1e-9 && Math.abs(scan.angle_min - increment / 2) < 1e-9);
      assert.ok(i === 0 || timestamp > scans[i - 1].timestamp);
    });
    assert.ok(first + scans.length <= expected.length, `client ${k} got more revolutions than decode checks`);
  }
  const lost = Number(said.match(/(\d+) lost by clients that read slower/)?.[1]);
  assert.ok(lost > 0, `no losses counted for the stalled client: ${said}`);
  console.log(
    `${steady.length} clients got every revolution from their first on (${steady[0].scans.length} scans of ` +
      `${BINS} bins, equal to decode's); the stalled client lost ${lost}`,
  );
  for (const peer of peers) peer.ws.terminate();
}

main().catch((error) => fail(error.stack ?? error));
