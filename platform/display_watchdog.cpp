// display_watchdog.cpp: the demo's side of the screen mode watchdog.
#include "platform/display_watchdog.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

extern char** environ;

// kvistra-mode-watchdog beside the running program.
static std::string watchdogPath()
{
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "kvistra-mode-watchdog";
}

static pid_t spawnWatchdog(const std::string& program, int channel)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, channel, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    int failed = posix_spawn(&pid, program.c_str(), &files, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return failed ? -1 : pid;
}

int startModeWatchdog()
{
    std::string program = watchdogPath();
    int ends[2];
    if (program.empty() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    pid_t pid = spawnWatchdog(program, ends[1]);
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return -1;
    }
    // The watchdog is never waited for: it outlives the demo, or ends
    // before it and stays a zombie until the demo ends.
    pollfd answer = {ends[0], POLLIN, 0};
    int polled;
    do
        polled = poll(&answer, 1, 2000);
    while (polled < 0 && errno == EINTR);
    char reply = 0;
    if (polled == 1 && read(ends[0], &reply, 1) == 1 && reply == watchdogReady)
        return ends[0];
    // Late or gone: a late one must not restore anything later.
    dismissModeWatchdog(ends[0]);
    return -1;
}

void dismissModeWatchdog(int channel)
{
    if (channel < 0)
        return;
    send(channel, &watchdogDismissed, 1, MSG_NOSIGNAL);
    close(channel);
}
