// Runs one command and reports how long it took and its peak memory:
//
//   timed-run RESULT_FILE [NAME=VALUE...] COMMAND [ARGUMENT...]
//
// Writes "<wall seconds> <peak resident KiB>" to RESULT_FILE and exits with
// the command's status (128 + signal number when a signal ended it, 127 when
// it could not be started). Leading NAME=VALUE words set the command's
// environment, as env(1) does, without starting env as well.
//
// The clock runs from just before the command is spawned until it has been
// reaped, so the figure is the command's own start-up, work and exit. Timing
// a command through a shell or through GNU time adds their start-up to every
// figure, several milliseconds on this kind of machine, which is as long as
// a short job takes. The peak is the child's ru_maxrss, what GNU time's %M
// reports.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char **environ;

namespace {

bool IsAssignment(const char *word)
{
    const char *equals = std::strchr(word, '=');
    if (equals == nullptr || equals == word)
        return false;
    for (const char *c = word; c < equals; ++c) {
        const bool letter = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || *c == '_';
        const bool digit = *c >= '0' && *c <= '9';
        if (!letter && !(digit && c != word))
            return false;
    }
    return true;
}

double Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: timed-run RESULT_FILE [NAME=VALUE...] COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const char *resultFile = argv[1];
    int first = 2;
    while (first < argc && IsAssignment(argv[first])) {
        const std::string assignment = argv[first];
        const size_t equals = assignment.find('=');
        setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
        ++first;
    }
    if (first >= argc) {
        std::fprintf(stderr, "timed-run: no command given\n");
        return 2;
    }

    const double start = Now();
    pid_t child = 0;
    const int spawnError = posix_spawnp(&child, argv[first], nullptr, nullptr, argv + first, environ);
    if (spawnError != 0) {
        std::fprintf(stderr, "timed-run: cannot start %s: %s\n", argv[first], std::strerror(spawnError));
        return 127;
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "timed-run: lost %s: %s\n", argv[first], std::strerror(errno));
            return 127;
        }
    }
    const double end = Now();

    FILE *result = std::fopen(resultFile, "w");
    if (result == nullptr || std::fprintf(result, "%.6f %ld\n", end - start, usage.ru_maxrss) < 0 ||
        std::fclose(result) != 0) {
        std::fprintf(stderr, "timed-run: cannot write %s\n", resultFile);
        return 125;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 125;
}
