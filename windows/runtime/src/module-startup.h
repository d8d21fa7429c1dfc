// Start-up and shut-down shared by the DLL and program entry points.
#pragma once

#include <vcruntime_typeinfo.h>

extern "C" void __cdecl __std_type_info_destroy_list(__type_info_node* root);

namespace msvc_compat {

enum class ModuleKind { Dll, Program };

// The cookie, then the C and C++ initializers; false when a C initializer failed.
bool InitializeModule(ModuleKind kind);
// A DLL's functions registered with atexit, in reverse order, then its type names.
void UninitializeModule();

} // namespace msvc_compat
