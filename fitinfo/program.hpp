// The whole program as a function, for its entry point and for hosts that run it
// many times over in one process (the web page's module).
#pragma once

namespace fitinfo {

// Reads the command line, converts and reports as the program does; returns its exit
// status. argv[0] names the program in getopt's messages.
int program_main(int argc, char** argv);

}  // namespace fitinfo
