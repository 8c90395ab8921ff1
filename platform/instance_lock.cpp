// Single-instance lock: an exclusive flock on a file in the user's runtime folder. The kernel drops the
// lock when the process ends, however it ends, so a crashed copy never blocks the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/platform.h"

namespace hc {

namespace {

// Locks this process holds, by name; kept open for the rest of the process.
std::map<std::string, int>& heldLocks() {
    static std::map<std::string, int> locks;
    return locks;
}

}  // namespace

std::string instanceLockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/" + name + ".lock";
    // The shared temporary folder: one lock per user, as the runtime folder would give.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

bool acquireInstanceLock(const std::string& name) {
    auto& held = heldLocks();
    if (held.count(name)) return true;
    std::string path = instanceLockPath(name);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // No lock file can be had (read-only or foreign folder): nothing shows that another copy runs.
        return true;
    }
    int result;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        bool busy = errno == EWOULDBLOCK;
        close(fd);
        return !busy;
    }
    held[name] = fd;
    return true;
}

}  // namespace hc
