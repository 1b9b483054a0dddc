// The registry of temporary output files and the handlers that remove them.
#include "framework/PendingOutputs.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// One temporary file. Slots are only ever added to the list, and a slot's name is written
// before it is marked used, so that the handler, which reads only `used` and `name`, never
// meets a half-made one; the list changes with the signals held.
struct Slot {
    volatile sig_atomic_t used = 0;
    char name[PATH_MAX];
    // a finished file waiting for its name, and the name shown if the rename fails
    bool held = false;
    std::string path, shown;
    Slot* next = nullptr;
};

Slot* volatile slots = nullptr;

// Names of the results already complete, ", "-separated, for the interrupt message;
// those that do not fit are counted.
char doneNames[8192];
volatile sig_atomic_t doneLength = 0;
volatile sig_atomic_t doneUnlisted = 0;

// False in a process whose interrupt another process of the same run reports.
volatile sig_atomic_t tellsInterrupt = 1;

const int HANDLED[] = {SIGINT, SIGTERM, SIGHUP};

// Blocks the handled signals, restoring the old mask when it goes.
class HeldSignals {
public:
    HeldSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : HANDLED) sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &old);
    }
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }

private:
    sigset_t old;
};

void put(const char* text)
{
    size_t length = 0;
    while (text[length] != '\0') ++length;
    while (length > 0) {
        ssize_t n = write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        length -= (size_t)n;
    }
}

void on_signal(int sig)
{
    for (Slot* s = slots; s != nullptr; s = s->next)
        if (s->used) {
            unlink(s->name);
            s->used = 0;
        }
    if (!tellsInterrupt) {
        _exit(128 + sig);
    } else if (doneLength == 0 && doneUnlisted == 0) {
        put("Interrupted: no results were written\n");
    } else {
        put("Interrupted: only these results were complete and written: ");
        doneNames[doneLength < (sig_atomic_t)sizeof doneNames ? doneLength : 0] = '\0';
        put(doneNames);
        if (doneUnlisted > 0) {
            char count[32];
            int k = (int)sizeof count - 1;
            count[k] = '\0';
            long n = doneUnlisted;
            do {
                count[--k] = (char)('0' + n % 10);
                n /= 10;
            } while (n > 0 && k > 0);
            put(doneLength > 0 ? " and " : "");
            put(count + k);
            put(" more");
        }
        put("\n");
    }
    _exit(128 + sig);
}

void note_done(const std::string& path)
{
    size_t at = (size_t)doneLength;
    size_t need = path.size() + (at > 0 ? 2 : 0);
    if (at + need + 1 > sizeof doneNames) {
        ++doneUnlisted;
        return;
    }
    if (at > 0) {
        doneNames[at++] = ',';
        doneNames[at++] = ' ';
    }
    memcpy(doneNames + at, path.data(), path.size());
    doneNames[at + path.size()] = '\0';
    doneLength = (sig_atomic_t)(at + path.size());
}

void at_exit() { discard_all_pending(); }

// The permissions a new file gets under the process's umask.
mode_t new_file_mode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void install_output_guards()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int s : HANDLED) sigaddset(&action.sa_mask, s);
    for (int s : HANDLED) {
        struct sigaction old;
        // a signal the caller chose to ignore (nohup, a background job) stays ignored
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
    atexit(at_exit);
}

void quiet_interrupt() { tellsInterrupt = 0; }

int create_pending(const std::string& path, std::string& temporary)
{
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    if (last.size() > 200) last.resize(200);  // room for the suffix within NAME_MAX
    std::string pattern = dir + "." + last + ".tmp-XXXXXX";
    if (pattern.size() >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    HeldSignals held;
    Slot* slot = slots;
    while (slot != nullptr && slot->used) slot = slot->next;
    if (slot == nullptr) {
        slot = new Slot;
        slot->next = slots;
        slots = slot;
    }
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    if (fchmod(fd, new_file_mode()) != 0) {
        int reason = errno;
        close(fd);
        unlink(name.data());
        errno = reason;
        return -1;
    }
    memcpy(slot->name, name.data(), name.size());
    slot->held = false;
    slot->used = 1;
    temporary = name.data();
    return fd;
}

// Forgets the slot of `temporary`; true when there was one.
static bool forget(const std::string& temporary)
{
    for (Slot* s = slots; s != nullptr; s = s->next)
        if (s->used && temporary == s->name) {
            s->used = 0;
            s->held = false;
            return true;
        }
    return false;
}

bool commit_pending(const std::string& temporary, const std::string& path)
{
    HeldSignals held;
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        int reason = errno;
        unlink(temporary.c_str());
        forget(temporary);
        errno = reason;
        return false;
    }
    forget(temporary);
    note_done(path);
    return true;
}

void discard_pending(const std::string& temporary)
{
    HeldSignals held;
    if (forget(temporary)) unlink(temporary.c_str());
}

void discard_all_pending()
{
    HeldSignals held;
    for (Slot* s = slots; s != nullptr; s = s->next)
        if (s->used) {
            unlink(s->name);
            s->used = 0;
            s->held = false;
        }
}

bool is_pending(const std::string& temporary)
{
    for (const Slot* s = slots; s != nullptr; s = s->next)
        if (s->used && temporary == s->name) return true;
    return false;
}

void hold_pending(const std::string& temporary, const std::string& path, const std::string& shown)
{
    HeldSignals held;
    for (Slot* s = slots; s != nullptr; s = s->next)
        if (s->used && temporary == s->name) {
            s->held = true;
            s->path = path;
            s->shown = shown;
        }
}

int commit_held(std::string& failed)
{
    HeldSignals held;
    // the list runs from the newest file to the oldest: rename in the order they were made
    std::vector<Slot*> order;
    for (Slot* s = slots; s != nullptr; s = s->next)
        if (s->used && s->held) order.insert(order.begin(), s);
    for (Slot* s : order) {
        if (rename(s->name, s->path.c_str()) != 0) {
            int reason = errno;
            failed = s->shown;
            discard_all_pending();
            return reason;
        }
        s->used = 0;
        s->held = false;
        note_done(s->path);
    }
    return 0;
}
