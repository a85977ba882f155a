// Imports into the plant archive with the wait window.
#include "archive/archive_ops.h"

#include "archive/archive_session.h"
#include "logger/download.h"
#include "platform/ui.h"
#include "shell/korvane.h"

namespace archive {

namespace {

ImportOutcome runImport(const std::string& path, const std::vector<SessionImport>& sessions,
                        const std::string& source, ImportReport& report, std::string& error) {
    const bool ownWait = !waitMsgOpen();
    if (ownWait)
        Show_wait_msg(nullptr, "Archivio: importazione dei record");
    else
        Print_wait_msg("Archivio: importazione dei record");
    ImportOutcome outcome = ImportOutcome::Done;
    try {
        Archive a;
        a.open(path, true);
        const bool done = a.import(sessions, source, report, [](size_t done, size_t total) {
            Setbar_wait_msg(static_cast<unsigned>(done), static_cast<unsigned>(total));
            return Test_wait_msg() != 0;
        });
        if (!done) outcome = ImportOutcome::Stopped;
    } catch (const DbError& e) {
        error = e.what();
        outcome = ImportOutcome::Failed;
    }
    if (ownWait || outcome != ImportOutcome::Done) Close_wait_msg();
    return outcome;
}

} // namespace

ImportOutcome importCurrentSession(const std::string& path, const std::string& source, ImportReport& report,
                                   std::string& error) {
    const std::vector<SessionImport> sessions{currentSession(deviceOf(FW_release), DownloadedRecords)};
    return runImport(path, sessions, source, report, error);
}

ImportOutcome importImageSessions(const std::string& path, const std::string& fwRelease,
                                  const std::string& source, ImportReport& report,
                                  std::vector<std::string>& skipped, std::string& error) {
    Show_wait_msg(nullptr, "Lettura immagine flash");
    std::vector<SessionImport> sessions;
    std::vector<std::vector<uint8_t>> buffers;
    if (!imageSessions(deviceOf(fwRelease), sessions, buffers, skipped)) return ImportOutcome::Stopped;
    const ImportOutcome o = runImport(path, sessions, source, report, error);
    Close_wait_msg();
    return o;
}

std::string importSummary(const ImportReport& report) {
    const ImportCounts t = report.total();
    return std::to_string(t.records) + " records: " + std::to_string(t.added) + " new, " +
           std::to_string(t.duplicates) + " already kept, " + std::to_string(t.conflicts) +
           " conflicting (kept beside the archived ones)";
}

} // namespace archive
