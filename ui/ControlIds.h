// Numeric ids of the main dialog's controls, timers and its frame notification; tests and the
// handlers address every control by these.
#pragma once

namespace ControlId {
constexpr int PORT = 1000;           // combo box of free serial ports
constexpr int MODEL = 1001;          // combo box of scanner models
constexpr int OPEN_CLOSE = 1002;     // OPEN, or "ClOSE" while a port is open
constexpr int RECEIVE = 1004;        // receive indicator
constexpr int RANGE_0_2M = 1005;
constexpr int RANGE_1M = 1006;
constexpr int RANGE_2M = 1007;
constexpr int RANGE_4M = 1008;
constexpr int RANGE_6M = 1009;
constexpr int RANGE_8M = 1010;
constexpr int RANGE_10M = 1011;
constexpr int RANGE_18M = 1012;
constexpr int START_STOP = 1013;     // hidden; sends the scanner's start and stop bytes
constexpr int POINT_NUM = 1014;      // edit of g_nPointNum
constexpr int FILTER_FACTOR = 1015;  // edit of g_fFilterFactor ("auto" during playback)
constexpr int FILTER = 1016;         // check box of g_bFilter
constexpr int COMP_NONE = 1017;
constexpr int COMP_FORMULA = 1018;
constexpr int COMP_BINS = 1019;
constexpr int RECORD_DATA = 1020;
constexpr int VIEW = 1021;           // the polar view
constexpr int POINT_NUM_SHOW = 1022; // static copy of g_nPointNum
constexpr int FACTOR_SHOW = 1023;    // static copy of g_fFilterFactor; a click steps playback
constexpr int FLOAT_FORMAT = 1024;   // Chinese layout only
constexpr int RANGE_0_5M = 1025;
constexpr int STAT_POINTS = 1026;    // Chinese layout only
constexpr int STAT_POINTS_LABEL = 1027;  // the label of 1026, which the templates leave without id
constexpr int FILE_NOTE = 1028;      // above RECORD_DATA: the file last written or played, or why not
constexpr int LINK_LINE = 1031;      // under the receive indicator: the link's health, or the detection
constexpr int DETECT = 1030;         // beside the model list: finds the model of the scanner on the port
constexpr int PUBLISH = 1029;        // with --publish: sends revolutions as ROS 2 LaserScans
constexpr int SERVE = 1032;          // with --serve: sends revolutions to Foxglove WebSocket clients
constexpr int RECORD_FORMAT = 1040;  // beside RECORD_DATA: text files or an MCAP recording
}  // namespace ControlId

// The range buttons in the order of the view's range index 0..8.
constexpr int RANGE_BUTTONS[9] = {
    ControlId::RANGE_0_2M, ControlId::RANGE_0_5M, ControlId::RANGE_1M,
    ControlId::RANGE_2M,   ControlId::RANGE_4M,   ControlId::RANGE_6M,
    ControlId::RANGE_8M,   ControlId::RANGE_10M,  ControlId::RANGE_18M};

constexpr int TIMER_PORT_SCAN = 1000;     // port list refresh, every 1000 ms
constexpr int TIMER_RECEIVE_SHOW = 100;   // 10 ms after a frame: show the status text
constexpr int TIMER_RECEIVE_HIDE = 200;   // 100 ms later: hide it again

constexpr int PORT_SCAN_MS = 1000;
constexpr int RECEIVE_SHOW_MS = 10;
constexpr int RECEIVE_HIDE_MS = 100;
