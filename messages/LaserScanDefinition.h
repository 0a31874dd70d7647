// The name and the message definition of sensor_msgs/msg/LaserScan as a ROS 2 MCAP recording
// (schema encoding "ros2msg") and a Foxglove WebSocket channel carry them: the .msg text of the
// type, then for each type it uses a line of 80 '=', "MSG: " and the type's name, and its .msg
// text, as `ros2 bag record` writes them.
#pragma once

// "sensor_msgs/msg/LaserScan"
extern const char* const LASER_SCAN_SCHEMA_NAME;
// "ros2msg"
extern const char* const LASER_SCAN_SCHEMA_ENCODING;
// The definition with std_msgs/Header and builtin_interfaces/Time after it.
extern const char* const LASER_SCAN_DEFINITION;
