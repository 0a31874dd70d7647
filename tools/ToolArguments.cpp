#include "tools/ToolArguments.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "protocols/DeviceModel.h"

OptionReader::OptionReader(const char* command, const std::vector<std::string>& args, std::ostream& err)
    : m_command(command), m_args(args), m_err(err)
{
}

bool OptionReader::Next(std::string& argument)
{
    if (m_next >= m_args.size())
        return false;
    argument = m_args[m_next++];
    m_option = argument;
    return true;
}

bool OptionReader::Value(std::string& value)
{
    if (m_next >= m_args.size())
        return Fail("needs a value");
    value = m_args[m_next++];
    return true;
}

bool OptionReader::Integer(int64_t min, int64_t max, int64_t& number)
{
    std::string text;
    if (!Value(text))
        return false;
    int64_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || end != text.data() + text.size() || parsed < min || parsed > max)
        return Fail("takes a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                    ", not '" + text + "'");
    number = parsed;
    return true;
}

bool OptionReader::PositiveNumber(float& number)
{
    std::string text;
    if (!Value(text))
        return false;
    std::istringstream stream(text);
    float parsed = 0.0f;
    stream >> parsed;
    if (!stream || stream.peek() != std::char_traits<char>::eof() || !std::isfinite(parsed) || parsed <= 0.0f)
        return Fail("takes a number above 0, not '" + text + "'");
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

bool OptionReader::Model(const DeviceModel*& model)
{
    std::string name;
    if (!Value(name))
        return false;
    model = FindAnyModel(name.c_str());
    return model != nullptr || Fail("'" + name + "' is not a model; use one of " + AllModelNames());
}

bool OptionReader::Compensation(int32_t& mode)
{
    std::string text;
    if (!Value(text))
        return false;
    const char* const names[] = {"none", "formula", "ros"};
    for (int32_t k = 0; k < 3; ++k) {
        if (text == names[k]) {
            mode = k;
            return true;
        }
    }
    return Fail("takes none, formula or ros, not '" + text + "'");
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

bool ReadWholeInput(const std::string& path, std::istream& in, std::string& data, std::string& error)
{
    if (path == "-") {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open '" + path + "'";
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

std::string AllModelNames()
{
    std::string names;
    for (int i = 0; g_AllModels[i] != nullptr; ++i)
        names += (i == 0 ? "" : ", ") + std::string(g_AllModels[i]->szName);
    return names;
}
