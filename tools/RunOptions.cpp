#include "tools/RunOptions.h"

namespace {
constexpr int32_t MIN_POINT_NUM = 20;  // the range the viewer keeps "Point Num" in
constexpr int32_t MAX_POINT_NUM = 200;
}  // namespace

RunSettings RunOptions::Settings() const
{
    RunSettings settings = ModelRunSettings(*model);
    if (protocol >= 0)
        settings.protocol = protocol;
    if (pointNum > 0)
        settings.pointNum = pointNum;
    settings.processing.filter = filter;
    settings.processing.filterFactor = filterFactor;
    settings.processing.compensation.mode = compensation;
    return settings;
}

void RunOptions::TakeRecorded(const RecordedRun& recorded)
{
    if (!modelGiven && recorded.model != nullptr)
        model = recorded.model;
    if (!protocolGiven && !modelGiven && recorded.protocol >= 0)
        protocol = recorded.protocol;
}

std::vector<OptionRule> RunOptionRules(RunOptions& options, bool packetOptions)
{
    std::vector<OptionRule> rules = {
        {"--model", [&options](OptionReader& reader) { return options.modelGiven = reader.Model(options.model); }},
        {"--filter",
         [&options](OptionReader& reader) { return reader.PositiveNumberOrOff(options.filter, options.filterFactor); }},
        {"--compensation",
         [&options](OptionReader& reader) {
             return reader.Word({"none", "formula", "ros"}, options.compensation);
         }},
    };
    if (packetOptions) {
        rules.push_back({"--protocol", [&options](OptionReader& reader) {
                             return options.protocolGiven = ProtocolOption(options.protocol).take(reader);
                         }});
        rules.push_back({"--point-num", [&options](OptionReader& reader) {
                             return reader.Integer(MIN_POINT_NUM, MAX_POINT_NUM, options.pointNum);
                         }});
    }
    return rules;
}
