#include "serve/HealthMessage.h"

#include <nlohmann/json.hpp>

namespace {

nlohmann::json NumberField(const char* type, const char* description)
{
    return {{"type", type}, {"description", description}};
}

nlohmann::json Schema()
{
    using nlohmann::json;
    const json outputs = {
        {"type", "array"},
        {"description", "Revolutions each output lost because it took them slower than the scanner sent them"},
        {"items",
         {{"type", "object"},
          {"properties",
           {{"name", NumberField("string", "the output")}, {"dropped", NumberField("integer", "revolutions lost")}}},
          {"required", {"name", "dropped"}}}}};
    const json clients = {
        {"type", "object"},
        {"description", "This server's WebSocket clients"},
        {"properties",
         {{"connected", NumberField("integer", "clients connected now")},
          {"sent", NumberField("integer", "messages sent to clients since the server started")},
          {"dropped", NumberField("integer", "messages slow clients lost since the server started")}}},
        {"required", {"connected", "sent", "dropped"}}};
    return {
        {"$schema", "https://json-schema.org/draft/2020-12/schema"},
        {"title", "plotwell/Health"},
        {"description", "How the scanner's serial link is doing, once a second"},
        {"type", "object"},
        {"properties",
         {{"revolutions_per_second", NumberField("number", "from the completion times of the last second")},
          {"bytes_per_second", NumberField("number", "read from the line in the last second")},
          {"bad_share", NumberField("number", "of the last second's packets, those that failed their check bytes (0..1)")},
          {"packets", NumberField("integer", "passed and failed in the last second")},
          {"samples", NumberField("integer", "in the last revolution")},
          {"valid_samples", NumberField("integer", "in the last revolution, those with a return")},
          {"revolutions", NumberField("integer", "completed since the port was opened")},
          {"bytes", NumberField("integer", "read since the port was opened")},
          {"packets_passed", NumberField("integer", "since the port was opened")},
          {"packets_failed", NumberField("integer", "failed their check bytes since the port was opened")},
          {"bytes_skipped", NumberField("integer", "skipped looking for a header since the port was opened")},
          {"revolutions_cut_short", NumberField("integer", "restarted before they completed since the port was opened")},
          {"outputs", outputs},
          {"clients", clients}}},
        {"required",
         {"revolutions_per_second", "bytes_per_second", "bad_share", "packets", "samples", "valid_samples",
          "revolutions", "bytes", "packets_passed", "packets_failed", "bytes_skipped", "revolutions_cut_short",
          "outputs", "clients"}}};
}

}  // namespace

const std::string& HealthMessageSchema()
{
    static const std::string schema = Schema().dump();
    return schema;
}

std::string HealthMessageJson(const HealthSnapshot& snapshot)
{
    nlohmann::json outputs = nlohmann::json::array();
    for (const OutputDrops& output : snapshot.outputs)
        outputs.push_back({{"name", output.name}, {"dropped", output.dropped}});
    const LinkHealthFigures& figures = snapshot.figures;
    const LinkHealthReading& reading = snapshot.reading;
    const nlohmann::json message = {
        {"revolutions_per_second", figures.revolutionsPerSecond},
        {"bytes_per_second", figures.bytesPerSecond},
        {"bad_share", figures.badShare},
        {"packets", figures.packets},
        {"samples", figures.samples},
        {"valid_samples", figures.validSamples},
        {"revolutions", reading.revolutions},
        {"bytes", reading.bytes},
        {"packets_passed", reading.accepted},
        {"packets_failed", reading.rejected},
        {"bytes_skipped", reading.skipped},
        {"revolutions_cut_short", reading.cutShort},
        {"outputs", outputs},
        {"clients",
         {{"connected", snapshot.server.clients}, {"sent", snapshot.server.sent}, {"dropped", snapshot.server.dropped}}}};
    return message.dump();
}
