// The commands of the command line as the running program carries them
// out, for the requests that reach it over its socket
// (shell/instance_server.h): with the program's collection, so that the
// window shows at once what a command changes.
#pragma once

#include <functional>

#include "shell/instance_protocol.h"

namespace pvl {

class main_window;

// Carries out the request's command line and gives `reply` its answer, at
// once, or for capture once the clipboard has been read. Call on the GUI
// thread while the program (view/program.h) exists. Raises what the
// collection raises.
void carry_out_request(const instance_request& request, main_window& window,
                       const std::function<void(const instance_answer&)>& reply);

}  // namespace pvl
