// What the subcommands share: exit statuses, option reading with uniform error messages, and
// reading a whole input file or standard input.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;  // the input could not be read or the output written
constexpr int EXIT_USAGE = 2;   // bad arguments or input in the wrong format

struct DeviceModel;

// What reading a subcommand's arguments came to.
enum class Parsed { Run, Help, Error };

// Walks the arguments of one subcommand. Every failure is reported on `err` as
// "plotwell-tool <command>: <message>" and returns false.
class OptionReader {
public:
    OptionReader(const char* command, const std::vector<std::string>& args, std::ostream& err);

    // The next argument; false when none is left.
    bool Next(std::string& argument);
    // The value that follows the option just read.
    bool Value(std::string& value);
    bool Integer(int64_t min, int64_t max, int64_t& number);
    bool Integer(int32_t min, int32_t max, int32_t& number);
    bool PositiveNumber(float& number);
    // The model named by the value: any row of the table, listed in the viewer or not.
    bool Model(const DeviceModel*& model);
    // none, formula or ros: the compensation mode 0, 1 or 2.
    bool Compensation(int32_t& mode);
    // Reports `message` about the argument just read, and returns false.
    bool Fail(const std::string& message);
    // Reports `message` about the command as a whole, and returns false.
    bool FailCommand(const std::string& message);

private:
    const char* m_command;
    const std::vector<std::string>& m_args;
    std::ostream& m_err;
    size_t m_next = 0;
    std::string m_option;
};

// The whole of `path`, or of `in` when the path is "-"; false with `error` set otherwise.
bool ReadWholeInput(const std::string& path, std::istream& in, std::string& data, std::string& error);

// "TR20, TR20_A, ...": every model name, for messages.
std::string AllModelNames();
