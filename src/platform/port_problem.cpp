#include "platform/port_problem.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

PortProblem classifyOpenError(int err) {
    switch (err) {
    case 0:
        return PortProblem::None;
    case EACCES:
    case EPERM:
        return PortProblem::Permission;
    case EBUSY:
        return PortProblem::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return PortProblem::Missing;
    case ENOTTY:
        return PortProblem::NotSerial;
    default:
        return PortProblem::Other;
    }
}

namespace {

std::string deviceGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
    return std::to_string(st.st_gid);
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::vector<std::string> portHolders(const std::string& devicePath, const std::string& procDir) {
    std::vector<std::string> out;
    std::error_code ec;
    const fs::path device = fs::weakly_canonical(devicePath, ec);
    if (ec) return out;
    const std::string self = std::to_string(::getpid());
    // Processes come and go while /proc is read: every step takes an error code, none throws.
    fs::directory_iterator end;
    for (fs::directory_iterator proc(procDir, ec); !ec && proc != end; proc.increment(ec)) {
        const std::string pid = proc->path().filename().string();
        if (!allDigits(pid) || pid == self) continue; // descriptors this program inherited do not count
        bool holds = false;
        std::error_code fdEc;
        for (fs::directory_iterator fd(proc->path() / "fd", fdEc); !fdEc && fd != end && !holds;
             fd.increment(fdEc)) {
            std::error_code linkEc;
            holds = fs::read_symlink(fd->path(), linkEc) == device && !linkEc;
        }
        if (!holds) continue;
        std::string name;
        std::getline(std::ifstream(proc->path() / "comm"), name);
        out.push_back((name.empty() ? std::string("?") : name) + " (pid " + pid + ")");
    }
    return out;
}

PortOpenFailure describeOpenFailure(const std::string& path, int err, const std::string& procDir) {
    PortOpenFailure f;
    f.path = path;
    f.err = err;
    f.problem = classifyOpenError(err);
    if (f.problem == PortProblem::Permission) f.group = deviceGroup(path);
    if (f.problem == PortProblem::Busy) f.holders = portHolders(path, procDir);
    return f;
}

std::string portProblemTag(PortProblem p) {
    switch (p) {
    case PortProblem::None:
        return {};
    case PortProblem::Permission:
        return "accesso negato";
    case PortProblem::Busy:
        return "in uso da un altro programma";
    case PortProblem::Missing:
        return "scollegata";
    case PortProblem::NotSerial:
        return "non seriale";
    case PortProblem::Other:
        break;
    }
    return "non apribile";
}

std::string portProblemText(const PortOpenFailure& f) {
    switch (f.problem) {
    case PortProblem::None:
        return {};
    case PortProblem::Permission: {
        // Serial devices belong to "dialout" on Debian and Ubuntu and to "uucp" on Arch; a group
        // joined now counts only for the sessions started afterwards.
        std::string s = "Accesso negato alla porta " + f.path;
        if (!f.group.empty()) s += " (gruppo " + f.group + ")";
        if (f.group == "dialout" || f.group == "uucp")
            s += ": aggiungere l'utente al gruppo " + f.group + " (sudo usermod -aG " + f.group + " $USER)";
        else
            s += ": aggiungere l'utente al gruppo dialout su Debian e Ubuntu, uucp su Arch "
                 "(sudo usermod -aG dialout $USER)";
        return s + ", poi chiudere la sessione e rientrare (il gruppo vale dal nuovo login).";
    }
    case PortProblem::Busy: {
        std::string s = "La porta " + f.path + " e' gia' in uso";
        if (f.holders.empty()) {
            s += " da un altro programma";
        } else {
            s += " da ";
            for (size_t i = 0; i < f.holders.size(); ++i) s += (i ? ", " : "") + f.holders[i];
        }
        return s + ": chiuderlo e riprovare.";
    }
    case PortProblem::Missing:
        return "La porta " + f.path + " non esiste (adattatore scollegato?): ricollegarlo e riprovare.";
    case PortProblem::NotSerial:
        return f.path + " non e' una porta seriale.";
    case PortProblem::Other:
        break;
    }
    return "Errore di apertura della porta " + f.path + ": " + std::strerror(f.err) + ".";
}
