// Our Foxglove WebSocket server as the Foxglove app sees it: @foxglove/ws-protocol's client over
// the ws package, 16 clients at once, one of which stops reading. The other 15 must get every
// message of the channel they subscribed to, byte for byte and in order; the stalled one loses
// its oldest messages, which the server counts for it alone.
//
//   node foxglove-server.mjs PATH/plotwell_foxglove_interop_server
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import readline from "node:readline";

import wsProtocol from "@foxglove/ws-protocol";
import WebSocket from "ws";

const { FoxgloveClient } = wsProtocol;  // a CommonJS package

const CLIENTS = 16;
const MESSAGES = 300;
const RATE = 40;
const QUEUE = 64;
const TIMEOUT_MS = 120_000;

// The bytes of message k, as the server makes them.
function payload(k) {
  const size = 16384 + ((k * 7919) % 65536);
  const bytes = Buffer.alloc(size);
  let state = k >>> 0;
  for (let i = 0; i < size; i++) {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    bytes[i] = state >>> 24;
  }
  return bytes;
}

let waitingFor = "the server to start";

function fail(message) {
  console.error(`FAIL: ${message}`);
  process.exit(1);
}

// Resolves once `predicate` holds; the overall time limit names what was awaited.
function until(predicate, what) {
  waitingFor = what;
  return new Promise((resolve) => {
    const check = () => (predicate() ? resolve() : setTimeout(check, 10));
    check();
  });
}

class Peer {
  constructor(port, expected) {
    this.ws = new WebSocket(`ws://127.0.0.1:${port}/`, [FoxgloveClient.SUPPORTED_SUBPROTOCOL]);
    this.client = new FoxgloveClient({ ws: this.ws });
    this.channels = [];
    this.statuses = [];
    this.received = 0;
    this.lastTimestamp = 0n;
    this.client.on("serverInfo", (info) => (this.info = info));
    this.client.on("advertise", (channels) => this.channels.push(...channels));
    this.client.on("status", (status) => this.statuses.push(status));
    this.client.on("error", (error) => fail(`client error: ${error}`));
    this.client.on("message", ({ subscriptionId, timestamp, data }) => {
      try {
        assert.equal(subscriptionId, this.subscription, "message of another subscription");
        assert.ok(timestamp > this.lastTimestamp, `message ${timestamp} after ${this.lastTimestamp}`);
        this.lastTimestamp = timestamp;
        const k = Number(timestamp);
        const bytes = Buffer.from(data.buffer, data.byteOffset, data.byteLength);
        assert.ok(bytes.equals(expected(k)), `payload of message ${k} differs`);
        this.received++;
      } catch (error) {
        fail(error.message);
      }
    });
  }

  // Subscribes to `topic`, and waits until the server has taken it in: the server answers
  // messages in order, and one it does not know with a status.
  async subscribe(topic) {
    await until(() => this.info && this.channels.some((c) => c.topic === topic), `an advertisement of ${topic}`);
    this.subscription = this.client.subscribe(this.channels.find((c) => c.topic === topic).id);
    this.ws.send(JSON.stringify({ op: "settle" }));
    await until(() => this.statuses.some((s) => s.message.includes('"settle"')), "the answer to settle");
  }
}

async function main() {
  const [serverPath] = process.argv.slice(2);
  assert.ok(serverPath, "usage: node foxglove-server.mjs PATH/plotwell_foxglove_interop_server");
  setTimeout(() => fail(`not done within ${TIMEOUT_MS / 1000} s, waiting for ${waitingFor}`), TIMEOUT_MS).unref();

  const server = spawn(serverPath, ["--messages", `${MESSAGES}`, "--rate", `${RATE}`, "--queue", `${QUEUE}`], {
    stdio: ["pipe", "pipe", "inherit"],
  });
  server.on("exit", (code) => code !== 0 && fail(`server ended with ${code}`));
  const lines = readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]();
  const port = Number((await lines.next()).value.match(/^port (\d+)$/)[1]);

  const cache = new Map();
  const expected = (k) => cache.get(k) ?? cache.set(k, payload(k)).get(k);
  const peers = Array.from({ length: CLIENTS }, () => new Peer(port, expected));
  await Promise.all(peers.map((peer) => peer.subscribe("/blob")));

  const first = peers[0];
  assert.equal(first.info.name, "Plotwell interop test");
  assert.deepEqual(first.info.capabilities, []);
  assert.deepEqual(
    first.channels.map(({ topic, encoding, schemaName, schema, schemaEncoding }) => ({
      topic, encoding, schemaName, schema, schemaEncoding,
    })),
    [
      { topic: "/blob", encoding: "cdr", schemaName: "test_msgs/msg/Blob", schema: "uint8[] data\n",
        schemaEncoding: "ros2msg" },
      { topic: "/other", encoding: "json", schemaName: "Other", schema: '{"type":"object"}',
        schemaEncoding: "jsonschema" },
    ],
  );

  const [stalled, ...steady] = peers;
  stalled.ws.pause();
  server.stdin.write("go\n");
  await until(() => steady.every((peer) => peer.received === MESSAGES), "every message at the steady clients");
  for (const peer of steady)
    assert.deepEqual(peer.statuses.map((s) => s.id), [undefined], "a steady client was told of losses");

  server.stdin.write("done\n");
  const report = JSON.parse((await lines.next()).value);
  assert.equal(report.clients, CLIENTS);
  const lossy = report.perClient.filter((client) => client.dropped > 0);
  assert.equal(lossy.length, 1, `clients with losses: ${JSON.stringify(lossy)}`);
  assert.ok(lossy[0].sent + lossy[0].dropped <= MESSAGES);
  assert.equal(report.dropped, lossy[0].dropped);
  for (const client of report.perClient.filter((c) => c.dropped === 0))
    assert.equal(client.sent, MESSAGES, `${client.address} was sent ${client.sent}`);

  console.log(
    `${steady.length} clients got all ${MESSAGES} messages byte for byte; ` +
      `the stalled one got ${stalled.received} before the end and lost ${lossy[0].dropped}`,
  );
  for (const peer of peers) peer.ws.terminate();
  server.stdin.end();
}

main().catch((error) => fail(error.stack ?? error));
