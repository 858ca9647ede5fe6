#include "cli/cli.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The bytes go out as they are: no CR added before LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // SIGPIPE keeps the action this process was given: by default a reader
    // that goes away ends the writer at once; where it is ignored, the write
    // error is reported and the exit status is 1.
    return RunCli(argc, argv, stdout, stderr);
}
