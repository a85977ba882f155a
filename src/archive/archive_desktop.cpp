// The plant archive's setting in the desktop program, and archived sessions in the quick view.
#include "archive/archive_desktop.h"

#include <filesystem>

#include "archive/archive_ops.h"
#include "archive/archive_session.h"
#include "boards/input_boxes.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "platform/file_handle.h"
#include "shell/korvane.h"

namespace {

constexpr char kKey[] = "Archivio=";

std::string settingPath() {
    return (std::filesystem::path(Exe_dir) / kArchiveSettingFile).string();
}

// The open or save box of an archive file.
FileBoxRequest archiveFileBox(const std::string& initial, bool open) {
    FileBoxRequest req;
    req.title = "Archivio dell'impianto";
    req.filter = "Archivio impianto (*.db);;All Files (*.*)";
    req.defaultExt = "db";
    req.initialName = initial;
    req.mustExist = open;
    return req;
}

} // namespace

std::string archiveSetting() {
    File f = openFile(settingPath(), "rb");
    if (!f) return "";
    char line[4200];
    while (std::fgets(line, sizeof line, f.get())) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (s.rfind(kKey, 0) == 0) return s.substr(sizeof kKey - 1);
    }
    return "";
}

bool setArchiveSetting(Window owner, const std::string& path) {
    File f = openFile(settingPath(), "wb");
    const std::string line = kKey + path + "\r\n";
    if (!f || std::fwrite(line.data(), 1, line.size(), f.get()) != line.size() ||
        std::fclose(f.release()) != 0) {
        messageBox(owner, settingPath() + " non puo' essere scritto !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return false;
    }
    return true;
}

int chooseArchiveSetting(Window owner) {
    const std::string current = archiveSetting();
    std::string path;
    if (ui().saveFileBox(owner, archiveFileBox(current, false), path))
        return setArchiveSetting(owner, path) ? 1 : 0;
    if (current.empty()) return 0;
    if (messageBox(owner, "Disattivare l'archivio " + current + " ?", "Question", MsgButtons::YesNo,
                   MsgIcon::Question) != MsgAnswer::Yes)
        return 0;
    return setArchiveSetting(owner, "") ? 1 : 0;
}

void archiveBeforeDownload() {
    KeepDownloadedRecords = !archiveSetting().empty();
}

void archiveAfterDownload(Window owner) {
    const std::string path = archiveSetting();
    if (path.empty() || !KeepDownloadedRecords) return;
    archive::ImportReport report;
    std::string error;
    const auto outcome = archive::importCurrentSession(path, "download " + CommPort, report, error);
    DownloadedRecords.clear();
    if (outcome == archive::ImportOutcome::Failed)
        messageBox(owner, "Archivio " + path + " non aggiornato !\r\n" + error, "File Error", MsgButtons::Ok,
                   MsgIcon::Error);
    else if (outcome == archive::ImportOutcome::Stopped)
        messageBox(owner, "Archivio " + path + " non aggiornato !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
    else if (const size_t c = report.total().conflicts; c > 0)
        messageBox(owner,
                   std::to_string(c) + " record diversi da quelli dell'archivio " + path +
                       ": conservati entrambi (korvane-cli archive check).",
                   "Warning", MsgButtons::Ok, MsgIcon::Warning);
}

int quickLoadArchive(Window owner) {
    std::string path;
    if (!ui().openFileBox(owner, archiveFileBox("", true), path)) return 0;
    try {
        archive::Archive a;
        a.open(path, false);
        const auto sessions = a.sessions();
        if (sessions.empty()) {
            messageBox(owner, "Nessuna sessione trovata !", "File Error", MsgButtons::Ok, MsgIcon::Error);
            return 0;
        }
        size_t chosen = sessions.size(); // the newest, listed last
        if (sessions.size() > 1) {
            InputMin = 1;
            InputMax = static_cast<float>(sessions.size());
            Ndec = 0;
            MaxEdit = 6;
            TitoloBuf = "Sessione dell'archivio";
            EditBuf = std::to_string(chosen);
            if (DlgInputNum2_(owner) != 1) return 0;
            chosen = std::strtoul(EditBuf.c_str(), nullptr, 10);
            if (chosen < 1 || chosen > sessions.size()) return 0;
        }
        const archive::SessionInfo& s = sessions[chosen - 1];
        if (!archive::loadSession(s) || !plainFileName(DataTimeSS)) {
            messageBox(owner, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
            return 0;
        }
        Flag.MW51 = s.device.hw == "5" ? 1 : 0;
        return archive::writeArchivedDataFile(a, s, s.firstMarker, s.lastMarker, DataTimeSS);
    } catch (const archive::DbError& e) {
        messageBox(owner, std::string("File non valido !\r\n") + e.what(), "Error", MsgButtons::Ok,
                   MsgIcon::Error);
        return 0;
    }
}
