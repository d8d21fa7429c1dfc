// Opening plugin modules with the dynamic loader.
#include <dlfcn.h>

#include "module-library.h"

namespace pluginsdk::detail {

void* OpenModule(const std::filesystem::path& path, std::string& error) {
    // Local binding: a plugin's symbols never satisfy another module's references.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "unknown error";
    }
    return module;
}

void* ModuleSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseModule(void* module) { dlclose(module); }

} // namespace pluginsdk::detail
