// The health channel's messages and the JSON schema a client reads them by: every field the
// schema names is in the message with the schema's type, and the message has no other.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "serve/HealthMessage.h"

namespace {

bool HasType(const nlohmann::json& value, const std::string& type)
{
    if (type == "integer")
        return value.is_number_integer();
    if (type == "number")
        return value.is_number();
    if (type == "string")
        return value.is_string();
    if (type == "array")
        return value.is_array();
    if (type == "object")
        return value.is_object();
    return false;
}

// Checks `value` against the object schema `schema`, recursing into objects and array items.
void ExpectFits(const nlohmann::json& value, const nlohmann::json& schema, const std::string& where)
{
    ASSERT_TRUE(HasType(value, schema["type"])) << where << ": " << value.dump();
    if (schema["type"] == "array") {
        for (const nlohmann::json& item : value)
            ExpectFits(item, schema["items"], where + "[]");
        return;
    }
    if (schema["type"] != "object")
        return;
    for (const nlohmann::json& name : schema["required"])
        EXPECT_TRUE(value.contains(name.get<std::string>())) << where << " lacks " << name;
    for (const auto& [name, field] : value.items()) {
        ASSERT_TRUE(schema["properties"].contains(name)) << where << "." << name << " is not in the schema";
        ExpectFits(field, schema["properties"][name], where + "." + name);
    }
}

}  // namespace

TEST(HealthMessage, EveryFieldIsInTheSchemaWithItsType)
{
    const nlohmann::json schema = nlohmann::json::parse(HealthMessageSchema());
    HealthSnapshot snapshot;
    snapshot.reading.revolutions = 70;
    snapshot.reading.bytes = 123456;
    snapshot.reading.rejected = 2;
    snapshot.figures.revolutionsPerSecond = 7.0;
    snapshot.figures.bytesPerSecond = 11520.5;
    snapshot.figures.badShare = 0.25;
    snapshot.figures.samples = 513;
    snapshot.outputs = {{"view", 0}, {"Foxglove server", 3}};
    snapshot.server = {2, 140, 5};
    const nlohmann::json message = nlohmann::json::parse(HealthMessageJson(snapshot));
    ExpectFits(message, schema, "health");
    EXPECT_EQ(message["outputs"][1]["name"], "Foxglove server");
    EXPECT_EQ(message["outputs"][1]["dropped"], 3);
    EXPECT_EQ(message["revolutions_per_second"], 7.0);
    EXPECT_EQ(message["bad_share"], 0.25);
    EXPECT_EQ(message["clients"]["dropped"], 5);

    snapshot.outputs.clear();  // an empty list, not a missing field or null
    ExpectFits(nlohmann::json::parse(HealthMessageJson(snapshot)), schema, "health without outputs");
}
