// Opening a recording with @mcap/core, as Foxglove does: the indexed reader through the file's
// summary, or the stream reader record by record (a cut file), both checking CRCs, with
// Foxglove's zstd and lz4 decompressors.
import { open } from "node:fs/promises";

import { McapIndexedReader, McapStreamReader } from "@mcap/core";
import * as zstd from "@foxglove/wasm-zstd";
import lz4 from "@foxglove/wasm-lz4";

await zstd.isLoaded;
await lz4.isLoaded;
const decompressHandlers = {
  zstd: (buffer, size) => zstd.decompress(buffer, Number(size)),
  lz4: (buffer, size) => lz4(buffer, Number(size)),
};

export async function readIndexed(path) {
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

export function readStream(bytes) {
  const reader = new McapStreamReader({ decompressHandlers, validateCrcs: true });
  reader.append(bytes);
  const records = [];
  for (let record; (record = reader.nextRecord()); ) records.push(record);
  const byKind = (type) => records.filter((r) => r.type === type);
  return {
    done: reader.done(),
    messages: byKind("Message"),
    channelsById: new Map(byKind("Channel").map((c) => [c.id, c])),
    schemasById: new Map(byKind("Schema").map((s) => [s.id, s])),
    metadata: byKind("Metadata"),
  };
}
