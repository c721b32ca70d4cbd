#pragma once
// Runs the built korvane-cli through the shell as a user would, catching stdout and stderr in files.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "common/test_env.h"

namespace korvane::test {

struct CliRun {
    int status = -1;   // the exit status, -1 if the process did not exit normally
    std::string out, err;
};

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `env` is put before the command as shell assignments; the output files go into `dir`.
inline CliRun run_cli(const TempDir& dir, const std::string& args, const std::string& env = "") {
    const auto out = dir.path() / "stdout.txt", err = dir.path() / "stderr.txt";
    const std::string cmd = env + " " + shell_quote(KORVANE_CLI_PATH) + " " + args + " >" +
                            shell_quote(out.string()) + " 2>" + shell_quote(err.string());
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file(out), read_file(err)};
}

// Starts the command in the background and interrupts it (SIGINT, as Ctrl-C) after half a second.
inline CliRun run_cli_interrupted(const TempDir& dir, const std::string& args, const std::string& env) {
    const auto out = dir.path() / "stdout.txt", err = dir.path() / "stderr.txt";
    const std::string cmd = env + " " + shell_quote(KORVANE_CLI_PATH) + " " + args + " >" +
                            shell_quote(out.string()) + " 2>" + shell_quote(err.string()) +
                            " & pid=$!; sleep 0.5; kill -INT $pid; wait $pid";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file(out), read_file(err)};
}

} // namespace korvane::test
