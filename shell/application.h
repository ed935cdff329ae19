// The whole life of the first instance: data folder, directory table, logs,
// the long-lived objects, the event loop and the shutdown, inside the two
// outermost error handlers.
#pragma once

#include <string>

namespace pvl {

class single_instance;

// Exit codes of the process.
constexpr int kExitNormal = 0;  // ended by the user, a session manager or a signal
constexpr int kExitError = 1;   // ended by an error
constexpr int kExitOtherInstance = 3;
constexpr int kExitNoDataFolder = 123;

// Runs the program to its end and returns the exit code. `instance` stops
// listening when the process must end at once.
int run_application(int argc, char* argv[], single_instance& instance);

// Reports an error that keeps the program from starting, before its logs
// exist: on standard error and, when there is a display a user sees, in a
// message box that this call waits on. Returns `exit_code`.
int report_start_failure(int argc, char* argv[], const std::string& text, int exit_code);

}  // namespace pvl
