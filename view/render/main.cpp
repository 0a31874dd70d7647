// plotwell-render: draws a decoded point list with the polar view's own drawing code into a PNG,
// so the view can be looked at and checked without the dialog or a scanner.
#include <QApplication>
#include <QImage>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

#include "acquisition/SharedState.h"
#include "view/ImageCoord.h"
#include "view/render/DecodedFrames.h"
#include "view/render/RenderOptions.h"

namespace {

bool ReadInput(const RenderOptions& options, std::deque<DecodedFrame>& frames)
{
    // With a marker, the last N revolutions are drawn in turn so the statistics line fills as it would live.
    const size_t keep = options.hasMarker ? static_cast<size_t>(options.statPoints) : 1;
    std::string error;
    bool read = false;
    if (options.input == "-") {
        read = ReadDecodedFrames(std::cin, keep, frames, error);
    } else {
        std::ifstream file(options.input);
        if (!file) {
            std::cerr << "plotwell-render: cannot open " << options.input << "\n";
            return false;
        }
        read = ReadDecodedFrames(file, keep, frames, error);
    }
    if (!read)
        std::cerr << "plotwell-render: " << options.input << ", " << error << "\n";
    else if (frames.empty())
        std::cerr << "plotwell-render: " << options.input << " holds no complete frame\n";
    return read && !frames.empty();
}

void Show(const DecodedFrame& frame)
{
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    CopyToPointList(frame, g_PointList);
}

void Render(const RenderOptions& options, const std::deque<DecodedFrame>& frames, CImageCoord& view)
{
    view.resize(options.size, options.size);
    view.InitView();
    if (!options.hasMarker) {
        Show(frames.back());
        view.SetRange(options.range, CImageCoord::Recentre, QPoint());
        return;
    }
    // Too few frames: the oldest is repeated so that N readouts are taken.
    for (size_t i = 0; i < static_cast<size_t>(options.statPoints); ++i) {
        const size_t missing = options.statPoints - frames.size();
        Show(frames[i < missing ? 0 : i - missing]);
        if (i == 0) {
            view.SetRange(options.range, CImageCoord::Recentre, QPoint());
            view.OnLButtonDown(options.marker);
        } else {
            view.Redraw();
        }
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    RenderOptions options;
    std::string error;
    switch (ParseRenderOptions(argc, argv, options, error)) {
    case ParsedRender::Help:
        std::cout << RENDER_USAGE;
        return 0;
    case ParsedRender::Error:
        std::cerr << "plotwell-render: " << error << "\n" << RENDER_USAGE;
        return 2;
    case ParsedRender::Run:
        break;
    }
    // Nothing is shown on a screen: draw off-screen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::deque<DecodedFrame> frames;
    if (!ReadInput(options, frames))
        return 1;
    Store(g_nCompensation, options.compensation);
    Store(g_nStatPoints, options.statPoints);

    CImageCoord view;
    view.SetDirection(ProtocolFor(options.protocol).direction);
    Render(options, frames, view);
    if (!view.Surface().save(QString::fromStdString(options.png), "PNG")) {
        std::cerr << "plotwell-render: cannot write " << options.png << "\n";
        return 1;
    }
    return 0;
}
