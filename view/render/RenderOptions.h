// The command line of plotwell-render.
#pragma once

#include <QPoint>
#include <string>

extern const char RENDER_USAGE[];

struct RenderOptions {
    std::string png;
    std::string input;
    int size = 800;
    int range = 2;
    bool hasMarker = false;
    QPoint marker;
    int protocol = 1;  // every selectable model speaks protocol 1
    int compensation = 1;
    int statPoints = 20;
};

enum class ParsedRender { Run, Help, Error };

ParsedRender ParseRenderOptions(int argc, char* argv[], RenderOptions& options, std::string& error);
