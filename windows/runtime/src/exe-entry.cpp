// The entry point of a console program: the C runtime's arguments and environment, the program's
// initializers, main, then exit, which runs the functions registered with atexit.
#include <corecrt_startup.h>
#include <stdlib.h>

#include "module-startup.h"

extern "C" int __cdecl main(int argc, char** argv, char** envp);

extern "C" int __cdecl mainCRTStartup(void) {
    _set_app_type(_crt_console_app);
    if (_configure_narrow_argv(_crt_argv_unexpanded_arguments) != 0 ||
        _initialize_narrow_environment() != 0 ||
        !msvc_compat::InitializeModule(msvc_compat::ModuleKind::Program)) {
        _exit(255);
    }
    exit(main(*__p___argc(), *__p___argv(), *__p__environ()));
}
