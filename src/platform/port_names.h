#pragma once
// Serial port names. A port is named as the user knows it: "COMn" for the n-th built-in port
// (/dev/ttyS{n-1}), a device path otherwise (/dev/ttyUSB0, /dev/serial/by-id/..., a pseudo-terminal).

#include <string>
#include <vector>

// Device path of a port name: "COMn" (case-insensitive, n = 1..256) → "<dev>/ttyS{n-1}";
// anything else is taken as a path and returned unchanged.
std::string portDevicePath(const std::string& name);

// The ports the automatic scan tries, in order: COM1..COM50 where their device exists, the USB
// and ACM adapters (under their stable by-id names where those exist), then the paths of the
// environment variable KORVANE_PORTS (colon-separated). Each entry is the name shown to the
// user ("COMn" for built-in ports, a path otherwise). The device folder is /dev, or the folder
// named by KORVANE_DEV_DIR.
std::vector<std::string> scanPortNames();
