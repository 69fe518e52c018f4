// Wall time of whole processes: runs several commands in turn, round after
// round, and prints each one's median, tenth and ninetieth percentile, and
// its median processor time (user and system), which a loaded machine
// disturbs less.
//   kaskad_process_timer RUNS LABEL "COMMAND ARGS" [LABEL "COMMAND ARGS"]...
// Arguments are split at blanks (no quoting); output goes to /dev/null.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Command {
    std::string label;
    std::vector<std::string> words;
    std::vector<double> milliseconds;
    std::vector<double> cpuMilliseconds;
};

double millisecondsOf(const timeval& time)
{
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

std::vector<std::string> wordsOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    if (words.empty())
        throw std::runtime_error("empty command");
    return words;
}

// From just before the process is spawned to just after it was reaped; the
// processor time it used goes to the command's record.
double runOnce(Command& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command.words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot run " + command.words[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    command.cpuMilliseconds.push_back(millisecondsOf(usage.ru_utime) + millisecondsOf(usage.ru_stime));
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(command.label + " failed");
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

void report(const std::vector<Command>& commands)
{
    const double base = percentile(commands.front().milliseconds, 0.5);
    const double cpuBase = percentile(commands.front().cpuMilliseconds, 0.5);
    std::printf("%-12s %10s %8s %8s %7s %10s %7s\n", "command", "median ms", "p10 ms", "p90 ms", "ratio", "cpu ms",
                "ratio");
    for (const Command& c : commands) {
        const double median = percentile(c.milliseconds, 0.5);
        const double cpu = percentile(c.cpuMilliseconds, 0.5);
        std::printf("%-12s %10.3f %8.3f %8.3f %7.2f %10.3f %7.2f\n", c.label.c_str(), median,
                    percentile(c.milliseconds, 0.1), percentile(c.milliseconds, 0.9), median / base, cpu,
                    cpu / cpuBase);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: kaskad_process_timer RUNS LABEL \"COMMAND ARGS\" [LABEL \"COMMAND ARGS\"]...\n");
        return 2;
    }
    try {
        const int runs = std::atoi(argv[1]);
        std::vector<Command> commands;
        for (int i = 2; i < argc; i += 2)
            commands.push_back({argv[i], wordsOf(argv[i + 1]), {}, {}});
        for (Command& c : commands) { // warm the page cache, unmeasured
            for (int i = 0; i < 5; ++i)
                runOnce(c);
            c.cpuMilliseconds.clear();
        }
        // Interleaved, the first command of a round moving each time, so a
        // change of machine load falls on every command alike.
        for (int round = 0; round < runs; ++round)
            for (std::size_t k = 0; k < commands.size(); ++k) {
                Command& c = commands[(k + static_cast<std::size_t>(round)) % commands.size()];
                c.milliseconds.push_back(runOnce(c));
            }
        report(commands);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
