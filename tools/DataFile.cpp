#include "tools/DataFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>

#include "files/HexDump.h"
#include "tools/ToolArguments.h"

namespace {

std::string Describe(char c)
{
    char text[16];
    if (c >= 0x21 && c <= 0x7E)
        std::snprintf(text, sizeof text, "'%c'", c);
    else
        std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned char>(c));
    return text;
}

// The whole of `path`, or of `in` when the path is "-"; false with `error` set otherwise.
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

}  // namespace

int ReadDataFile(const char* command, const std::string& path, std::istream& in, bool hex,
                 std::vector<uint8_t>& bytes, std::ostream& err)
{
    std::string data;
    std::string error;
    if (!ReadWholeInput(path, in, data, error)) {
        err << "plotwell-tool " << command << ": " << error << "\n";
        return EXIT_FAILED;
    }
    if (!hex) {
        bytes.assign(data.begin(), data.end());
        return EXIT_OK;
    }
    bytes.resize(data.size() / 3);
    int64_t bad = 0;
    if (DecodeHexDump(data.data(), static_cast<int64_t>(data.size()), bytes.data(), &bad) >= 0)
        return EXIT_OK;
    err << "plotwell-tool " << command << ": " << (path == "-" ? "standard input" : path)
        << " is not a raw data file: character " << bad + 1 << " is " << Describe(data[static_cast<size_t>(bad)])
        << ", where " << (bad % 3 == 2 ? "a space" : "a hexadecimal digit")
        << " belongs (every byte is two hexadecimal digits and a space)\n";
    return EXIT_USAGE;
}
