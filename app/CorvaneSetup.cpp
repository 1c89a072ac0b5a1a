// corvane-setup DATA_DIR [--force]
// Creates the program's settings key for the current user and names the data directory in
// its INSTALL value, which the program needs and never writes itself. An existing INSTALL is
// kept unless --force is given. Prints the settings file's path.

#include "window/ProgramSettings.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    std::string repertoire;
    bool force = false;
    int repertoires = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0) {
            force = true;
        } else {
            repertoire = argv[i];
            ++repertoires;
        }
    }
    if (repertoires != 1 || repertoire.empty() || repertoire.front() != '/') {
        std::fprintf(stderr, "Usage : corvane-setup REPERTOIRE_ABSOLU [--force]\n");
        return 2;
    }
    try {
        const std::string installe = SetUpInstall(repertoire, force);
        std::printf("%s\nINSTALL=%s\n", platform::SettingsStore::StorePath().c_str(),
                    installe.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-setup : %s\n", error.what());
        return 1;
    }
}
