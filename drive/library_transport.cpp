#include "drive/library_transport.h"

#include <dlfcn.h>

namespace tv {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

std::vector<std::string> AspiLibraryNames(const std::string& libraryPath,
                                          const std::filesystem::path& programFolder) {
    // Only named places: a name without a folder would make dlopen search, and a
    // file lying in the working directory (a download folder, a stick) must never
    // be run.
    std::vector<std::string> names;
    std::error_code error;
    if (!libraryPath.empty()) {
        const std::filesystem::path absolute = std::filesystem::absolute(libraryPath, error);
        names.push_back(error ? libraryPath : absolute.string());
    }
    if (!programFolder.empty() && programFolder.is_absolute())
        names.push_back((programFolder / "WNASPI32.DLL").string());
    return names;
}

std::unique_ptr<LibraryTransport> LibraryTransport::Load(const std::vector<std::string>& names,
                                                         std::string& problem, bool& refused,
                                                         std::string& loadedFrom) {
    refused = false;
    for (const std::string& name : names) {
        if (name.find('/') == std::string::npos) continue;  // never searched for
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
        loadedFrom = name;
        return std::unique_ptr<LibraryTransport>(new LibraryTransport(handle, supportInfo, send));
    }
    return nullptr;
}

LibraryTransport::~LibraryTransport() {
    ::dlclose(handle_);
}

}  // namespace tv
