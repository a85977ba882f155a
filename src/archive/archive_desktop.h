#pragma once
// The plant archive in the desktop program: the setting that names the archive "Start" merges each
// download into (off by default), and the quick view's opening of an archived session.
#include <string>

#include "platform/ui.h"

// The setting is kept in "korvane-archive.ini" in the program's folder (Exe_dir), one line
// "Archivio=PATH"; no file or an empty path: off.
inline constexpr const char* kArchiveSettingFile = "korvane-archive.ini";
// The archive file of the setting; empty = off.
std::string archiveSetting();
// Writes the setting; false when the file cannot be written (reported).
bool setArchiveSetting(Window owner, const std::string& path);
// Alt+R of the main panel: the archive file chosen in a save box, or, when the box is cancelled
// while an archive is set, the question whether to switch it off. 1 = the setting changed.
int chooseArchiveSetting(Window owner);

// Around the main panel's "Start": the download keeps its records when an archive is set, and
// after a successful download they are merged into it; a failed merge (the archive unchanged) and
// conflicting records are reported.
void archiveBeforeDownload();
void archiveAfterDownload(Window owner);

// Quick view, Alt+R: an archive file chosen in an open box and one of its sessions (the newest
// proposed) written whole, averaged at Tsample, as the working file DataTimeSS. 1 = written;
// 0 = cancelled or failed (reported).
int quickLoadArchive(Window owner);
