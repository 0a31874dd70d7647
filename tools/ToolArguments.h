// What the subcommands share: exit statuses, and one reader of their arguments, so that every
// command takes its values the same way: never empty, numbers in one decimal syntax, words from
// a fixed list. Every refusal is reported as "plotwell-tool <command>: <message>".
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;  // the input could not be read or the output written, or the run came to nothing
constexpr int EXIT_USAGE = 2;   // bad arguments or input in the wrong format
// A stop signal (Ctrl+C, kill, a closed terminal) ends a command early through its close path;
// the status then says what the command did until then, judged as at any other end.

struct DeviceModel;
class OptionReader;

// What reading a subcommand's arguments came to.
enum class Parsed { Run, Help, Error };

// Where reading the arguments ends the command before it runs: the usage printed for --help
// (EXIT_OK), or a refusal already said (EXIT_USAGE). Nothing when the command runs.
std::optional<int> EndBeforeRun(Parsed parsed, const char* usage, std::ostream& out);

// One option of a command: its name, and how it is taken (reading its value, if it has one,
// through the reader). False after the reader reported a refusal.
struct OptionRule {
    const char* name;
    std::function<bool(OptionReader&)> take;
};

// A plain argument a command takes, such as its FILE or PORT.
struct OperandRule {
    std::string* value;
    const char* kind;   // for "X is a second <kind>"
    const char* usage;  // for "needs <usage>"
};

class OptionReader {
public:
    OptionReader(const char* command, const std::vector<std::string>& args, std::ostream& err);

    // Reads the arguments in order: "--help" asks for the usage; an option in `options` is taken
    // by its rule; any other argument that begins with '-' (but "-" alone) is refused; anything
    // else is the operand, which must come once and not be empty (then `second`, for a command
    // that takes two, such as an input and an output). Stops at the first refusal. A command
    // without an operand passes null.
    Parsed Read(const std::vector<OptionRule>& options, const OperandRule* operand,
                const OperandRule* second = nullptr);

    // For the rules, the value that follows the option being taken:
    // present and not empty;
    bool Text(std::string& value);
    // a whole number within the bounds;
    bool Integer(int64_t min, int64_t max, int64_t& number);
    bool Integer(int32_t min, int32_t max, int32_t& number);
    // a finite decimal number above 0 (neither inf, nan, hexadecimal nor beyond a float);
    bool PositiveNumber(float& number);
    // such a number, or "off";
    bool PositiveNumberOrOff(bool& on, float& number);
    // one of `words`, as its index;
    bool Word(const std::vector<const char*>& words, int32_t& index);
    // the name of any row of the model table, listed in the viewer or not.
    bool Model(const DeviceModel*& model);

    // Reports `message` about the option being taken, and returns false.
    bool Fail(const std::string& message);
    // Reports `message` about the command as a whole, and returns false.
    bool FailCommand(const std::string& message);

private:
    bool TakeOperand(const std::string& argument, const OperandRule* operand, const OperandRule* second);

    const char* m_command;
    const std::vector<std::string>& m_args;
    std::ostream& m_err;
    size_t m_next = 0;
    std::string m_option;
};

// --model NAME: any row of the model table.
OptionRule ModelOption(const DeviceModel*& model);
// --protocol 0-3: a packet protocol instead of the model's.
OptionRule ProtocolOption(int32_t& protocol);
// --format hex|binary: a raw data file's hexadecimal dump or the bytes themselves.
OptionRule FormatOption(bool& hex);

