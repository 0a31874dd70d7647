#include "tools/ToolArguments.h"

#include <charconv>
#include <cmath>
#include <ostream>

#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

OptionReader::OptionReader(const char* command, const std::vector<std::string>& args, std::ostream& err)
    : m_command(command), m_args(args), m_err(err)
{
}

Parsed OptionReader::Read(const std::vector<OptionRule>& options, const OperandRule* operand,
                          const OperandRule* second)
{
    while (m_next < m_args.size()) {
        const std::string& argument = m_args[m_next++];
        m_option = argument;
        if (argument == "--help")
            return Parsed::Help;
        const bool looksLikeOption = argument.size() > 1 && argument[0] == '-';
        if (!looksLikeOption) {
            if (!TakeOperand(argument, operand, second))
                return Parsed::Error;
            continue;
        }
        const OptionRule* rule = nullptr;
        for (const OptionRule& candidate : options) {
            if (argument == candidate.name)
                rule = &candidate;
        }
        if (rule == nullptr) {
            Fail(std::string("is not an option of ") + m_command);
            return Parsed::Error;
        }
        if (!rule->take(*this))
            return Parsed::Error;
    }
    for (const OperandRule* rule : {operand, second}) {
        if (rule != nullptr && rule->value->empty()) {
            FailCommand(std::string("needs ") + rule->usage);
            return Parsed::Error;
        }
    }
    return Parsed::Run;
}

bool OptionReader::TakeOperand(const std::string& argument, const OperandRule* operand, const OperandRule* second)
{
    if (operand == nullptr)
        return Fail(std::string("is not an option of ") + m_command);
    const OperandRule* rule = operand->value->empty() || second == nullptr ? operand : second;
    if (argument.empty())
        return FailCommand(std::string("needs ") + rule->usage + ", not an empty argument");
    if (!rule->value->empty())
        return Fail(second == nullptr
                        ? std::string("is a second ") + operand->kind + "; " + m_command + " takes one"
                        : std::string("is a third argument; ") + m_command + " takes an " + operand->kind +
                              " and an " + second->kind);
    *rule->value = argument;
    return true;
}

bool OptionReader::Text(std::string& value)
{
    if (m_next >= m_args.size())
        return Fail("needs a value");
    const std::string& text = m_args[m_next++];
    if (text.empty())
        return Fail("needs a value, not an empty argument");
    value = text;
    return true;
}

bool OptionReader::Integer(int64_t min, int64_t max, int64_t& number)
{
    std::string text;
    if (!Text(text))
        return false;
    int64_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || end != text.data() + text.size() || parsed < min || parsed > max)
        return Fail("takes a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                    ", not '" + text + "'");
    number = parsed;
    return true;
}

bool OptionReader::Integer(int32_t min, int32_t max, int32_t& number)
{
    int64_t wide = 0;
    if (!Integer(int64_t{min}, int64_t{max}, wide))
        return false;
    number = static_cast<int32_t>(wide);
    return true;
}

namespace {

// Plain decimal notation only (from_chars takes no leading plus and, in the general format, no
// hexadecimal), and a value beyond a float's range is refused rather than turned into infinity.
bool ParsePositive(const std::string& text, float& number)
{
    float parsed = 0.0f;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(parsed) || parsed <= 0.0f)
        return false;
    number = parsed;
    return true;
}

}  // namespace

bool OptionReader::PositiveNumber(float& number)
{
    std::string text;
    if (!Text(text))
        return false;
    return ParsePositive(text, number) || Fail("takes a number above 0, not '" + text + "'");
}

bool OptionReader::PositiveNumberOrOff(bool& on, float& number)
{
    std::string text;
    if (!Text(text))
        return false;
    on = text != "off";
    return !on || ParsePositive(text, number) || Fail("takes a number above 0 or off, not '" + text + "'");
}

bool OptionReader::Word(const std::vector<const char*>& words, int32_t& index)
{
    std::string text;
    if (!Text(text))
        return false;
    std::string list;
    for (size_t k = 0; k < words.size(); ++k) {
        if (text == words[k]) {
            index = static_cast<int32_t>(k);
            return true;
        }
        list += k == 0 ? "" : k + 1 == words.size() ? " or " : ", ";
        list += words[k];
    }
    return Fail("takes " + list + ", not '" + text + "'");
}

bool OptionReader::Model(const DeviceModel*& model)
{
    std::string name;
    if (!Text(name))
        return false;
    const DeviceModel* found = FindAnyModel(name.c_str());
    if (found == nullptr)
        return Fail("'" + name + "' is not a model; use one of " + ModelNames());
    model = found;
    return true;
}

bool OptionReader::Fail(const std::string& message)
{
    return FailCommand(m_option + " " + message);
}

bool OptionReader::FailCommand(const std::string& message)
{
    m_err << "plotwell-tool " << m_command << ": " << message << "\n";
    return false;
}

OptionRule ModelOption(const DeviceModel*& model)
{
    return {"--model", [&model](OptionReader& reader) { return reader.Model(model); }};
}

OptionRule ProtocolOption(int32_t& protocol)
{
    return {"--protocol", [&protocol](OptionReader& reader) { return reader.Integer(0, ProtocolCount() - 1, protocol); }};
}

OptionRule FormatOption(bool& hex)
{
    return {"--format", [&hex](OptionReader& reader) {
                int32_t format = 0;
                if (!reader.Word({"hex", "binary"}, format))
                    return false;
                hex = format == 0;
                return true;
            }};
}

std::optional<int> EndBeforeRun(Parsed parsed, const char* usage, std::ostream& out)
{
    if (parsed == Parsed::Help) {
        out << usage;
        return EXIT_OK;
    }
    if (parsed == Parsed::Error)
        return EXIT_USAGE;
    return std::nullopt;
}
