#include "drive/library_transport.h"

#include <dlfcn.h>

namespace tv {

std::vector<std::string> AspiLibraryNames(const std::string& libraryPath) {
    std::vector<std::string> names;
    if (!libraryPath.empty()) names.push_back(libraryPath);
    names.push_back("./WNASPI32.DLL");
    names.push_back("WNASPI32.DLL");
    return names;
}

std::unique_ptr<LibraryTransport> LibraryTransport::Load(const std::vector<std::string>& names,
                                                         std::string& problem, bool& refused) {
    refused = false;
    for (const std::string& name : names) {
        void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* error = ::dlerror();
            problem = error ? error : name;
            continue;
        }
        auto* supportInfo = reinterpret_cast<SupportInfo>(::dlsym(handle, "GetASPI32SupportInfo"));
        auto* send = reinterpret_cast<Send>(::dlsym(handle, "SendASPI32Command"));
        if (supportInfo == nullptr || send == nullptr) {
            problem = name + ": GetASPI32SupportInfo or SendASPI32Command missing";
            ::dlclose(handle);
            refused = true;
            return nullptr;
        }
        return std::unique_ptr<LibraryTransport>(new LibraryTransport(handle, supportInfo, send));
    }
    return nullptr;
}

LibraryTransport::~LibraryTransport() {
    ::dlclose(handle_);
}

}  // namespace tv
