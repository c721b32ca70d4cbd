#pragma once
// Runs the built korvane-cli through the shell as a user would, catching stdout and stderr in files.
#include <gtest/gtest.h>
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

// Starts the command in the background and sends it `signal` (INT as Ctrl-C) after half a second.
inline CliRun run_cli_interrupted(const TempDir& dir, const std::string& args, const std::string& env,
                                  const char* signal = "INT") {
    const auto out = dir.path() / "stdout.txt", err = dir.path() / "stderr.txt";
    const std::string cmd = env + " " + shell_quote(KORVANE_CLI_PATH) + " " + args + " >" +
                            shell_quote(out.string()) + " 2>" + shell_quote(err.string()) +
                            " & pid=$!; sleep 0.5; kill -" + signal + " $pid; wait $pid";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file(out), read_file(err)};
}

// Commands on files in a fresh directory.
class CliFiles : public ::testing::Test {
protected:
    CliRun cli(const std::string& args) { return run_cli(dir, args); }
    std::string path(const std::string& name) const { return (dir.path() / name).string(); }
    std::string q(const std::string& name) const { return shell_quote(path(name)); }
    TempDir dir;
};

// Commands against the simulator persisted in sim_dir, one process each: COM1 and COM2 lead to it,
// COM7 to a path that does not exist; the settings live in cfg_dir.
class SimCli : public ::testing::Test {
protected:
    std::string env(const char* clock = "virtual") const {
        return "KORVANE_COM1=SIM KORVANE_COM2=SIM KORVANE_COM7=/nonexistent/reader KORVANE_SIM_CLOCK=" +
               std::string(clock) + " KORVANE_SIM_DIR=" + shell_quote(sim_dir.str()) +
               " KORVANE_CONFIG_DIR=" + shell_quote(cfg_dir.str());
    }
    // The exit status; `err` and `out` get what the command wrote.
    int cli(const std::string& args, const std::string& extra_env = "") {
        return take(run_cli(dir, args, env() + " " + extra_env));
    }
    // In real time, sent `signal` after half a second.
    int interrupted(const std::string& args, const char* signal = "INT") {
        return take(run_cli_interrupted(dir, args, env("real"), signal));
    }
    std::string path(const char* name) const { return (dir.path() / name).string(); }

    TempDir dir, sim_dir, cfg_dir;
    std::string err, out;

private:
    int take(const CliRun& r) {
        err = r.err;
        out = r.out;
        return r.status;
    }
};

} // namespace korvane::test
