#include "view/render/RenderOptions.h"

#include <charconv>
#include <cstring>

#include "protocols/ProtocolTable.h"

const char RENDER_USAGE[] =
    "usage: plotwell-render --png OUT.png [--size PX] [--range 0-8] [--marker X,Y] [--protocol 0-3]\n"
    "                       [--compensation 0-2] [--stat-points N] FILE|-\n"
    "Draws the last complete frame of a decoded point list (the frame,index,angle,distance lines\n"
    "of plotwell-tool decode) as the polar view shows it, and writes the picture as a PNG.\n"
    "  --size PX           width and height of the square view, 16..8192; default 800\n"
    "  --range INDEX       0-0.2M, 0-0.5M, 0-1M, 0-2M, 0-4M, 0-6M, 0-8M, 0-10M, 0-18M; default 2\n"
    "  --marker X,Y        click the marker there; the last N frames are drawn in turn\n"
    "  --protocol CODE     angles are mirrored for every code but 0; default 1\n"
    "  --compensation MODE the readout repeats its marker line unless 0; default 1\n"
    "  --stat-points N     readouts in the depth statistics, 1..500; default 20\n";

namespace {

bool Integer(const char* text, int low, int high, int& value)
{
    const char* end = text + std::strlen(text);
    const auto [next, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && next == end && next != text && value >= low && value <= high;
}

bool Point(const char* text, QPoint& point)
{
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr)
        return false;
    const std::string x(text, comma);
    int px = 0;
    int py = 0;
    if (!Integer(x.c_str(), -100000, 100000, px) || !Integer(comma + 1, -100000, 100000, py))
        return false;
    point = QPoint(px, py);
    return true;
}

}  // namespace

ParsedRender ParseRenderOptions(int argc, char* argv[], RenderOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help")
            return ParsedRender::Help;
        if (argument.size() < 2 || argument[0] != '-') {
            if (!options.input.empty()) {
                error = "'" + argument + "' is a second input";
                return ParsedRender::Error;
            }
            options.input = argument;
            continue;
        }
        if (i + 1 >= argc) {
            error = argument + " needs a value";
            return ParsedRender::Error;
        }
        const char* value = argv[++i];
        bool good = true;
        if (argument == "--png")
            options.png = value;
        else if (argument == "--size")
            good = Integer(value, 16, 8192, options.size);
        else if (argument == "--range")
            good = Integer(value, 0, 8, options.range);
        else if (argument == "--marker")
            good = options.hasMarker = Point(value, options.marker);
        else if (argument == "--protocol")
            good = Integer(value, 0, ProtocolCount() - 1, options.protocol);
        else if (argument == "--compensation")
            good = Integer(value, 0, 2, options.compensation);
        else if (argument == "--stat-points")
            good = Integer(value, 1, 500, options.statPoints);
        else {
            error = argument + " is not an option";
            return ParsedRender::Error;
        }
        if (!good) {
            error = argument + " does not take '" + value + "'";
            return ParsedRender::Error;
        }
    }
    if (options.png.empty() || options.input.empty()) {
        error = "needs --png OUT.png and a FILE (or - for standard input)";
        return ParsedRender::Error;
    }
    return ParsedRender::Run;
}
