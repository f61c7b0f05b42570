#ifndef TESTS_SUPPORT_PROCESSRUN_H
#define TESTS_SUPPORT_PROCESSRUN_H

// A program of the application folder run as a child process with its standard output
// collected, optionally under a file size or address space limit (ulimit -f, ulimit -v), as
// another user, or held at a chosen point.

#include "testutil.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace testutil {

struct ProcessResult
{
    bool exited = false; // false: killed by a signal (a sanitizer abort, a crash) or not started
    int status = -1;     // WEXITSTATUS
    int signal = 0;      // WTERMSIG when killed by a signal
    std::vector<std::string> lines;
};

// Limits in bytes; negative: none.
struct ProcessLimits
{
    long long fileSize = -1;
    long long addressSpace = -1;
    bool asNobody = false; // started by root: runs as user and group 65534
    int umask = -1;        // the child's file mode creation mask; negative: the test's
    // The child's file systems offer no unnamed files (O_TMPFILE fails as on NFS), so that a
    // writer uses named staged files.
    bool withoutUnnamedFiles = false;
    // The child is the first process (id 1) of a pid namespace of its own: as root, elsewhere
    // in a user namespace of its own that maps the user to himself. See canMakePidNamespace().
    bool newPidNamespace = false;
};

#if defined(__x86_64__)
#define TESTUTIL_AUDIT_ARCH AUDIT_ARCH_X86_64
#elif defined(__aarch64__)
#define TESTUTIL_AUDIT_ARCH AUDIT_ARCH_AARCH64
#endif

// Makes every later open with O_TMPFILE fail with EOPNOTSUPP. False where it cannot be done.
inline bool refuseUnnamedFiles()
{
#ifdef TESTUTIL_AUDIT_ARCH
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, TESTUTIL_AUDIT_ARCH, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        // The low word of the flags (little-endian).
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

// A child as fork() makes it, in a new pid namespace (and, for other users than root, a new user
// namespace, whose maps the parent writes: see mapToParentUser).
inline pid_t forkIntoPidNamespace()
{
    const unsigned long flags = CLONE_NEWPID | (getuid() == 0 ? 0 : CLONE_NEWUSER);
    return pid_t(syscall(SYS_clone, flags | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
}

// Maps the user and group of the parent to themselves in the user namespace of iPid, if any.
inline bool mapToParentUser(pid_t iPid)
{
    if (getuid() == 0)
        return true;
    const std::string proc = "/proc/" + std::to_string(iPid) + "/";
    std::ofstream(proc + "setgroups") << "deny";
    return bool(std::ofstream(proc + "uid_map") << getuid() << ' ' << getuid() << " 1\n") &&
           bool(std::ofstream(proc + "gid_map") << getgid() << ' ' << getgid() << " 1\n");
}

// Whether runProgram can start a child in a pid namespace of its own, and why not.
inline bool canMakePidNamespace(std::string* oReason)
{
    const pid_t pid = forkIntoPidNamespace();
    if (pid == 0)
        _exit(getpid() == 1 ? 0 : 1);
    const int error = errno;
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0)
        return true;
    *oReason = "this system refuses a new pid namespace: " +
               std::string(pid < 0 ? std::strerror(error) : "its first process has another id");
    return false;
}

// Sanitizers reserve far more address space than any limit a test would set.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCanLimitAddressSpace = false;
#else
constexpr bool kCanLimitAddressSpace = true;
#endif

// The path of a program in VISTREL_APP_DIR.
inline std::string programPath(const std::string& iName)
{
    const char* dir = std::getenv("VISTREL_APP_DIR");
    return std::string(dir ? dir : "") + "/" + iName;
}

// The environment of the child, with sanitizer reports given an exit status of their own: their
// default status 1 would read as success. Another user cannot read the leak suppressions of a
// checkout in a private folder, and a sanitizer that cannot read them dies; the programs run so,
// the converters, need none.
inline std::vector<std::string> childEnvironment(bool iAsAnotherUser = false)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("ASAN_OPTIONS=", 0) == 0 || entry.rfind("UBSAN_OPTIONS=", 0) == 0 ||
            (iAsAnotherUser && entry.rfind("LSAN_OPTIONS=", 0) == 0))
            continue;
        env.push_back(entry);
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    const char* ubsan = std::getenv("UBSAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") + "exitcode=86");
    env.push_back(std::string("UBSAN_OPTIONS=") + (ubsan ? std::string(ubsan) + ":" : "") + "exitcode=86");
    return env;
}

// Lets a child traced by runProgram make one system call at a time until iReached() holds; it
// stays stopped there. False when it ended first.
inline bool stopWhen(pid_t iPid, const std::function<bool()>& iReached)
{
    int wstatus = 0;
    while (!iReached())
        if (ptrace(PTRACE_SYSCALL, iPid, nullptr, nullptr) != 0 || waitpid(iPid, &wstatus, 0) != iPid ||
            !WIFSTOPPED(wstatus))
            return false;
    return true;
}

// Whether a child may be held with ptrace (runProgram's iHeld); a system or a container may
// refuse it.
inline bool canTrace()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0 ? 0 : 1);
    int wstatus = 0;
    return pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0;
}

// The system's protection of links in shared sticky folders (fs.protected_symlinks), on for the
// object's lifetime: turned on, and off again after, where it is off and this process may set it.
class LinkProtection
{
public:
    LinkProtection()
    {
        if (read() == '1') {
            mOn = true;
            return;
        }
        std::ofstream(mSetting) << '1';
        mOn = mTurnedOn = read() == '1';
    }
    ~LinkProtection()
    {
        if (mTurnedOn)
            std::ofstream(mSetting) << '0';
    }
    LinkProtection(const LinkProtection&) = delete;
    LinkProtection& operator=(const LinkProtection&) = delete;
    bool on() const { return mOn; }
    std::string reason() const { return "fs.protected_symlinks is off and cannot be turned on here"; }

private:
    char read() const
    {
        char value = 0;
        std::ifstream(mSetting) >> value;
        return value;
    }
    const char* const mSetting = "/proc/sys/fs/protected_symlinks";
    bool mOn = false;
    bool mTurnedOn = false;
};

// Runs iProgram in iWorkDir. The child starts with the default action of SIGXFSZ (death), so a
// program that writes past the file size limit survives only by ignoring the signal itself. With
// iHeld the child is traced and stopped at its start while iHeld(its id) runs, and goes on after.
inline ProcessResult runProgram(const std::string& iProgram, const std::vector<std::string>& iArgs,
                                const std::string& iWorkDir, const ProcessLimits& iLimits = ProcessLimits(),
                                const std::function<void(pid_t)>& iHeld = nullptr)
{
    ProcessResult run;
    // Another user cannot reach a program inside a checkout in a private folder (a home folder
    // is 0700): that user runs a copy in a folder of its own.
    const bool asNobody = iLimits.asNobody && getuid() == 0;
    std::unique_ptr<TempDir> copyFolder;
    std::string program = iProgram;
    if (asNobody) {
        copyFolder = std::make_unique<TempDir>();
        program = copyFolder->file(std::filesystem::path(iProgram).filename().string());
        std::error_code error;
        if (chmod(copyFolder->path().c_str(), 0755) != 0 || !std::filesystem::copy_file(iProgram, program, error))
            return run;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : iArgs)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> env = childEnvironment(asNobody);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int fds[2];
    int go[2]; // the child waits on it until the parent has mapped its user
    if (pipe(fds) != 0)
        return run;
    if (pipe(go) != 0) {
        close(fds[0]);
        close(fds[1]);
        return run;
    }
    const pid_t pid = iLimits.newPidNamespace ? forkIntoPidNamespace() : fork();
    if (pid < 0) {
        for (int fd : {fds[0], fds[1], go[0], go[1]})
            close(fd);
        return run;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        close(go[1]);
        char byte = 0;
        if (read(go[0], &byte, 1) != 1)
            _exit(125);
        close(go[0]);
        if (iLimits.umask >= 0)
            ::umask(mode_t(iLimits.umask));
        if (chdir(iWorkDir.c_str()) != 0)
            _exit(120);
        for (int signal : {SIGXFSZ, SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
        const std::pair<int, long long> limits[] = {{RLIMIT_FSIZE, iLimits.fileSize},
                                                    {RLIMIT_AS, iLimits.addressSpace}};
        for (const auto& limit : limits) {
            const rlimit value = {rlim_t(limit.second), rlim_t(limit.second)};
            if (limit.second >= 0 && setrlimit(limit.first, &value) != 0)
                _exit(122);
        }
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(123);
        if (iLimits.withoutUnnamedFiles && !refuseUnnamedFiles())
            _exit(126);
        if (iHeld && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(124);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(121);
    }
    close(fds[1]);
    close(go[0]);
    if (!iLimits.newPidNamespace || mapToParentUser(pid))
        (void)!write(go[1], "g", 1);
    close(go[1]);
    int wstatus = 0;
    if (iHeld && waitpid(pid, &wstatus, 0) == pid && WIFSTOPPED(wstatus)) {
        iHeld(pid);
        ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
    }
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    run.exited = WIFEXITED(wstatus);
    run.status = run.exited ? WEXITSTATUS(wstatus) : -1;
    run.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    std::size_t begin = 0;
    while (begin < out.size()) {
        std::size_t end = out.find('\n', begin);
        if (end == std::string::npos)
            end = out.size();
        run.lines.push_back(out.substr(begin, end - begin));
        begin = end + 1;
    }
    return run;
}

} // namespace testutil

#endif
