#pragma once
// Downloading the session into the intermediate record file, averaging it into the session data
// text file, the verbose dump and flash image, and the monitor's export stream.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/ui.h"

// Rows and data columns of the current data table, and the copies kept for reopening it.
struct INFOST {
    uint32_t nItem = 0;    // rows
    uint32_t nSubItem = 0; // data columns (logical channels)
    uint32_t nItem_ = 0;   // copies restored when the user declines a new download
    uint32_t nSubItem_ = 0;
};
extern INFOST InfoSES;

inline constexpr const char* kIntermediateFile = "RX41data.hex";
inline constexpr const char* kDumpFile = "RX41data.txt";
inline constexpr const char* kImageFile = "RX41data.bin";

int saveFile(Window hwndDlg, const std::string& namefile);
// Removes a file of the download if it is there.
void removeFile(const char* name);
// "Warning" box "<name> <what>" about a file of the download.
void warnFile(const std::string& name, const char* what);
// Appends the whole records of a data page to the intermediate record file `hex`; on the first
// page the record at offset 0 gives FirstTimeMarkerDload. false when a write failed.
bool appendRecords(FILE* hex, std::span<const uint8_t> page, bool firstPage);
// Appends the records of the logger's temporary buffer (the bytes read_tmp_buffer gave) up to the
// first byte that is no node address (then a warning) or a record cut off by the end of the
// buffer. Each record moves LastTimeMarker; the first also gives FirstTimeMarkerDload when no
// data page is downloaded (TotalPagNumDload 0).
void appendTemporaryRecords(FILE* hex, std::span<const uint8_t> buf);
// First page a download reads: the most recent TotalPagNumDload data pages.
uint16_t downloadStartPage();
// Sums the records of the intermediate file up to the end of the window centred on i_ref
// (tcf: window length [0.1 s]). 1 = the window holds records or more follow; 0 = end of file
// without records.
int interpData(uint32_t tcf, uint32_t i_ref, FILE* infile);
// Writes one data row from the sums: each logical channel's mean, or "Err" where the window
// holds no reading of it (no record of its node, or only "no reading" samples).
void printData(FILE* outfile);
void printHeader(FILE* outfile);
// Averages the intermediate record file into the session data text file `namefile`: 1 = written.
int writeDataFile(const std::string& namefile);
// The averaging of every session data text file: the channel records of `records` (intermediate
// record layout, read from its current position) averaged into `namefile`, rows from
// FirstTimeMarkerDload while below LastTimeMarker, one per Tsample, for the node table InfoFE.
// 1 = written; 0 reported.
int writeDataFileFrom(FILE* records, const std::string& namefile);
// The intermediate record file's bytes of the last data file written by writeDataFile (a download
// or a flash-image decode), kept only while KeepDownloadedRecords is set: the plant archive
// imports them afterwards.
extern std::vector<uint8_t> DownloadedRecords;
extern bool KeepDownloadedRecords;

// Monitor export stream: per channel the sum (double: 32-bit counters keep every digit), the
// count of readings and the quantity code of the current period.
extern double ExpoCh[256];
extern int ExpoN[256];
extern uint8_t ExpoGra[256];
void printHeaderExp();
void printDataExp(time_t timestamp);
void openFileExp(Window hwndCtrl);
// Replaces the first '.' among the first 10 characters with ',' when `virgola` is not 0.
void virgAdj(std::string& buf, int virgola);
void virgAdj(char* buf, int virgola);
