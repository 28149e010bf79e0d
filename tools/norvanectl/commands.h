#pragma once

namespace norvane::ctl {

// Each subcommand gets its own arguments: argv[0] is the subcommand's name.
// It returns the process exit status: 0 success, 1 failure, 2 usage error.
int runCheck(int argc, char** argv);
int runSimulate(int argc, char** argv);
int runBrowser(int argc, char** argv);
int runDevices(int argc, char** argv);
int runMonitor(int argc, char** argv);
int runAccess(int argc, char** argv);
int runDesktop(int argc, char** argv);

inline constexpr int exitOK = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

} // namespace norvane::ctl
