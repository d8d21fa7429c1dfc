// spinbeat-host: loads the plugin module and runs a practice session, in a window or headless.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "headless.h"
#include "host-platform.h"
#include "options.h"
#include "pluginsdk/host/host.h"
#include "window.h"

int main(int argc, char** argv) {
    using spinbeat_host::Options;
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        auto parsed = spinbeat_host::ParseOptions(args, spinbeat_host::ProgramDir(argv[0]),
                                                  spinbeat_host::DefaultConfigFile());
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            std::cerr << "spinbeat-host: " << *error << "\n" << spinbeat_host::Usage();
            return 2;
        }
        const Options& options = std::get<Options>(parsed);
        const spinbeat_host::FineTimer timer;
        switch (options.mode) {
        case Options::Mode::Help:
            std::cout << spinbeat_host::Usage();
            return 0;
        case Options::Mode::Headless:
            return spinbeat_host::RunHeadless(options);
        case Options::Mode::Window:
            return spinbeat_host::RunWindow(options);
        case Options::Mode::Imports: {
            const auto imports = pluginsdk::host::ReadSdkImports(options.module);
            std::cout << pluginsdk::host::DescribeSdkImports(options.module.filename().string(), imports)
                      << "\n";
            for (const std::string& line : pluginsdk::host::DescribeSdkImportsByClass(imports)) {
                std::cout << line << "\n";
            }
            return imports.error.empty() ? 0 : 1;
        }
        }
    } catch (const std::exception& error) {
        std::cerr << "spinbeat-host: " << error.what() << "\n";
    }
    return 1;
}
