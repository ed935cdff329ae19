// The whole life of the first instance: data folder, directory table, logs,
// the long-lived objects, the event loop and the shutdown, inside the two
// outermost error handlers.
#pragma once

namespace pvl {

class single_instance;

// Exit codes of the process.
constexpr int kExitOtherInstance = 3;
constexpr int kExitNoDataFolder = 123;
constexpr int kExitFinished = 1;

// Runs the program to its end and returns the exit code.
int run_application(int argc, char* argv[], const single_instance& instance);

}  // namespace pvl
