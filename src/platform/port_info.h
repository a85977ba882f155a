#pragma once
// What the system knows about a serial port: the USB adapter behind it (vendor and product codes,
// the maker's and product's names, the serial number) and its stable /dev/serial/by-id name.
//
// The attributes are the ones udev itself reads: the tty's sysfs node (/sys/class/tty/NAME/device)
// leads to the USB interface, whose parent device holds idVendor, idProduct, manufacturer, product
// and serial. The sysfs folder is /sys, or the folder named by KORVANE_SYS_DIR (the tests build a
// fake tree there); the device folder follows KORVANE_DEV_DIR as the scan does.
#include <string>

struct PortInfo {
    std::string name;      // the port as the scan names it ("COM1", a by-id name, a path)
    std::string device;    // the device node the name leads to ("/dev/ttyUSB0")
    std::string byId;      // its /dev/serial/by-id/... link; empty when there is none
    std::string vendorId;  // USB vendor code, four hexadecimal digits ("0403"); empty: not USB
    std::string productId; // USB product code ("6001")
    std::string manufacturer, product, serial; // as the adapter reports them; empty when it does not
    bool usb() const { return !vendorId.empty(); }
};

// Looks the port up; fields the system does not know stay empty.
PortInfo describePort(const std::string& name);

// One line for people: "FTDI FT232R USB UART [0403:6001] S/N A6008isP" (the parts known), empty
// for a port without USB attributes.
std::string portSummary(const PortInfo& p);
