// Our LaserScan definition and CDR bytes read by code we did not write: @foxglove/rosmsg parses
// the definition as a ROS 2 MCAP recording or a Foxglove channel carries it, and
// @foxglove/rosmsg2-serialization reads our bytes and writes the same bytes from the fields.
//   node laser-scan.mjs PATH/TO/laser_scan_samples
import { execFileSync } from "node:child_process";
import assert from "node:assert/strict";
import { test } from "node:test";

import { parse } from "@foxglove/rosmsg";
import { MessageReader, MessageWriter } from "@foxglove/rosmsg2-serialization";

const samples = JSON.parse(execFileSync(process.argv[2], { encoding: "utf8" }));
const SEPARATOR = "\n" + "=".repeat(80) + "\n";

test("the definition is sensor_msgs/msg/LaserScan with its two dependencies, as ros2 bag writes it", () => {
  assert.equal(samples.name, "sensor_msgs/msg/LaserScan");
  assert.equal(samples.encoding, "ros2msg");
  const sections = samples.definition.split(SEPARATOR);
  assert.deepEqual(
    sections.slice(1).map((section) => section.split("\n")[0]),
    ["MSG: std_msgs/Header", "MSG: builtin_interfaces/Time"],
  );
  const types = parse(samples.definition, { ros2: true });
  const fields = (definition) => definition.definitions.filter((f) => !f.isConstant).map((f) => `${f.type}${f.isArray ? "[]" : ""} ${f.name}`);
  assert.deepEqual(fields(types[0]), [
    "std_msgs/Header header",
    "float32 angle_min",
    "float32 angle_max",
    "float32 angle_increment",
    "float32 time_increment",
    "float32 scan_time",
    "float32 range_min",
    "float32 range_max",
    "float32[] ranges",
    "float32[] intensities",
  ]);
  assert.deepEqual(
    types.slice(1).map((t) => [t.name, fields(t)]),
    [
      ["std_msgs/Header", ["time stamp", "string frame_id"]],  // ROS 2 time is a built-in type there
      ["builtin_interfaces/Time", ["int32 sec", "uint32 nanosec"]],
    ],
  );
});

test("Foxglove's ROS 2 codec reads our bytes, and writes the same bytes from the same fields", () => {
  const types = parse(samples.definition, { ros2: true });
  const reader = new MessageReader(types);
  const writer = new MessageWriter(types);
  for (const [i, scan] of samples.scans.entries()) {
    const bytes = Buffer.from(scan.cdr, "hex");
    const read = reader.readMessage(bytes);
    assert.equal(reader.lastReadHadTrailingBytes?.() ?? false, false, `scan ${i}`);
    const expected = scan.fields;
    assert.deepEqual(read.header, expected.header, `scan ${i}`);
    for (const name of ["angle_min", "angle_max", "angle_increment", "time_increment", "scan_time", "range_min", "range_max"])
      assert.equal(read[name], Math.fround(expected[name]), `scan ${i} ${name}`);
    assert.deepEqual(Array.from(read.ranges), expected.ranges.map(Math.fround), `scan ${i}`);
    assert.deepEqual(Array.from(read.intensities), expected.intensities.map(Math.fround), `scan ${i}`);
    const written = writer.writeMessage({
      ...expected,
      ranges: Float32Array.from(expected.ranges),
      intensities: Float32Array.from(expected.intensities),
    });
    assert.equal(Buffer.from(written).toString("hex"), scan.cdr, `scan ${i}`);
  }
});
