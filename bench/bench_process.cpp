#include "bench/bench_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#ifdef KODEXA_BENCH_X11
#include <X11/Xlib.h>
#endif

#include "bench/sqlite_db.h"

extern char** environ;

namespace kodexa::bench {

namespace {

std::vector<char*> ArgPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Spawns with standard input from /dev/null and standard output to outFd
// (or /dev/null when outFd is -1); standard error goes to /dev/null.
pid_t Spawn(const std::vector<std::string>& argv, int outFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = ArgPointers(argv);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) Die("cannot start " + argv[0]);
    return pid;
}

ProcessRun Reap(pid_t pid) {
    ProcessRun run;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) < 0) Die("wait4 failed");
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.peakResidentBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    return run;
}

}  // namespace

ProcessRun RunProcess(const std::vector<std::string>& argv) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = Spawn(argv, -1);
    ProcessRun run = Reap(pid);
    run.seconds = SecondsSince(start);
    return run;
}

Sample RepeatProcess(int reps, const std::vector<std::string>& argv) {
    RunProcess(argv);  // warm the page cache and the loader
    Sample sample;
    for (int i = 0; i < reps; ++i) sample.Add(RunProcess(argv).seconds);
    return sample;
}

double InstructionCount(const std::vector<std::string>& argv, const std::string& scratch) {
    const std::string profile = scratch + "/callgrind.out";
    std::vector<std::string> run = {"valgrind", "--tool=callgrind", "--callgrind-out-file=" + profile};
    run.insert(run.end(), argv.begin(), argv.end());
    unlink(profile.c_str());
    if (RunProcess(run).exitStatus >= 126) return -1;  // no valgrind, or it could not run the program
    std::ifstream in(profile);
    double count = -1;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) count = std::atof(line.c_str() + line.find(':') + 1);
    }
    unlink(profile.c_str());
    return count;
}

std::string CaptureOutput(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe(fds) != 0) Die("pipe failed");
    pid_t pid = Spawn(argv, fds[1]);
    close(fds[1]);
    std::string output;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    Reap(pid);
    return output;
}

#ifdef KODEXA_BENCH_X11

namespace {

// VmHWM of a running process, in bytes; 0 when it cannot be read.
double PeakResidentOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) * 1024.0;
    return 0;
}

bool HasTitle(Display* display, Window window, const std::string& title) {
    char* name = nullptr;
    bool match = XFetchName(display, window, &name) && name != nullptr && title == name;
    if (name != nullptr) XFree(name);
    return match;
}

// Waits for the next X event or the deadline; false at the deadline.
bool NextEvent(Display* display, XEvent& event, std::chrono::steady_clock::time_point deadline) {
    while (!XPending(display)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    XNextEvent(display, &event);
    return true;
}

}  // namespace

ProcessRun TimeToWindow(const std::vector<std::string>& argv, const std::string& title, double timeoutSeconds) {
    // Right after a watched program was killed, the server now and then
    // refuses the next connection for a moment; a few tries get past that.
    Display* display = XOpenDisplay(nullptr);
    for (int tries = 0; display == nullptr && tries < 50; ++tries) {
        usleep(100 * 1000);
        display = XOpenDisplay(nullptr);
    }
    if (display == nullptr) Die("no X display (is DISPLAY set and Xvfb running?)");
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    auto start = std::chrono::steady_clock::now();
    auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(timeoutSeconds));
    pid_t pid = Spawn(argv, -1);
    double seconds = -1;
    XEvent event;
    while (seconds < 0 && NextEvent(display, event, deadline)) {
        if (event.type == MapNotify && HasTitle(display, event.xmap.window, title)) seconds = SecondsSince(start);
    }
    // The kernel's own peak (ru_maxrss) would also count the memory of this
    // process, which the spawned child shares until it executes the program.
    double peak = PeakResidentOf(pid);
    kill(pid, SIGTERM);
    ProcessRun run = Reap(pid);
    run.seconds = seconds;
    run.peakResidentBytes = peak;
    XCloseDisplay(display);
    return run;
}

#else

ProcessRun TimeToWindow(const std::vector<std::string>&, const std::string&, double) {
    ProcessRun run;
    run.seconds = -1;
    return run;
}

#endif

}  // namespace kodexa::bench
