// The subcommands of plotwell-tool. Each takes its own arguments (without the command name) and
// the three standard streams, so that tests run it in-process; it returns the exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

using ToolCommandFunction = int (*)(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                                    std::ostream& err);

int RunDecodeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunSimulateCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunMonitorCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunProbeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunPortsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunPublishCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunServeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunRecordCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
int RunConvertCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
