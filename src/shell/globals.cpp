#include <cstdio>
#include <filesystem>

#include "boards/display_board.h"
#include "boards/energy_board.h"
#include "firmware/firmware_files.h"
#include "link/korvane_com.h"
#include "link/modem.h"
#include "logger/monitor.h"
#include "logger/session.h"
#include "shell/korvane.h"
#include "shell/phone_book.h"
#include "tables/data_table.h"

FlagSet Flag;
ComHandle hCom = nullptr;
std::string CommPort = "COMx";
std::vector<std::string> Porte;
int Nport = 0;
uint32_t BR_value = 256000;
uint32_t TMO_value = 0;
std::string Data_file;
std::string Exe_dir;
std::string Nome_prog = "Korvane v.5.0";
std::string Nome_prog2 = "Lumivane v.5.0";
std::string FW_release;
LoggerVersion Datalogger;
uint16_t Tsample = 1800;
uint8_t Stato_OP = 1;
uint8_t Stato_OPM = 0;
uint8_t Alarm = 0;
int MaxEdit = 8;
uint16_t T_updfw_fast = 100;
uint16_t Vbat_curr[31] = {};
WinPos PosWin1, PosWin2, PosWin3;
FILE* Exportfile = nullptr;

void assignCapped(std::string& dst, std::string_view src, size_t max) {
    dst.assign(src.substr(0, max));
}

void initVAR() {
    Flag = FlagSet{};
    CommPort = "COMx";
    Porte.clear();
    Nport = 0;
    BR_value = 256000;
    TMO_value = 0;
    Timeout_rx = 100;
    Data_file.clear();
    std::error_code ec;
    Exe_dir = std::filesystem::current_path(ec).string();
    FW_release.clear();
    Datalogger = LoggerVersion{};
    Tsample = 1800;
    Stato_OP = 1;
    Stato_OPM = 0;
    Alarm = 0;
    MaxEdit = 8;
    T_updfw_fast = 100;
    for (auto& v : Vbat_curr) v = 0;
    PosWin1 = PosWin2 = PosWin3 = WinPos{};
    EE = ee_buf{};
    resetMonitorState();
    resetDisplayState();
}

void setProgramNames() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Korvane v.%1.1f%s%s", 5.0, "", "");
    Nome_prog = buf;
    std::snprintf(buf, sizeof buf, "Lumivane v.%1.1f%s%s", 5.0, "", "");
    Nome_prog2 = buf;
}

void resetState() {
    if (hCom) closeComPort(hCom);
    if (Exportfile) {
        std::fclose(Exportfile);
        Exportfile = nullptr;
    }
    initVAR();
    setProgramNames();
    resetSessionState();
    initTables();
    resetFirmwareState();
    iRx = 0;
    Rx_buf[0] = 0;
    Com_lost = 0;
    dcb_old = PortSettings{};
    Modem_line = ModemLine::Direct;
    Modem_fback = 20;
    Ntel.clear();
}
