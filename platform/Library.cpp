#include "Library.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kDllSuffix = ".dll";
constexpr std::string_view kSoSuffix = ".so";
constexpr char kLibraryPathVariable[] = "STEWARD_LIBRARY_PATH";
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

thread_local std::string lastError;

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(tail[i]) != lower(suffix[i])) {
            return false;
        }
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string CurrentFolder() {
    std::vector<char> buffer(256);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

HMODULE Open(const std::string& path) {
    dlerror();
    HMODULE module = dlopen(path.c_str(), kOpenFlags);
    if (!module) {
        const char* error = dlerror();
        lastError = error ? error : "cannot load " + path;
    }
    return module;
}

void AddFolder(std::vector<std::string>& folders, std::string folder) {
    if (folder.empty()) {
        return;
    }
    for (const std::string& known : folders) {
        if (known == folder) {
            return;
        }
    }
    folders.push_back(std::move(folder));
}

std::vector<std::string> SearchFolders(const void* callerAddress) {
    std::vector<std::string> folders;
    AddFolder(folders, FolderOf(ModuleFileNameOf(callerAddress)));
    AddFolder(folders, FolderOf(ProgramFileName()));
    const char* extra = std::getenv(kLibraryPathVariable);
    std::string_view rest = extra ? extra : "";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        AddFolder(folders, std::string(rest.substr(0, colon)));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return folders;
}

} // namespace

std::string LibraryFileName(std::string_view name) {
    if (!EndsWithNoCase(name, kDllSuffix)) {
        return std::string(name);
    }
    return std::string(name.substr(0, name.size() - kDllSuffix.size())) + std::string(kSoSuffix);
}

__attribute__((noinline)) HMODULE LoadLibrary(std::string_view name) {
    return LoadLibraryFor(name, __builtin_return_address(0));
}

HMODULE LoadLibraryFor(std::string_view name, const void* callerAddress) {
    lastError.clear();
    const std::string file = LibraryFileName(name);
    if (file.empty()) {
        lastError = "empty library name";
        return nullptr;
    }
    if (file.find('/') != std::string::npos) {
        return Open(file);
    }
    const std::vector<std::string> folders = SearchFolders(callerAddress);
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/" + file;
        if (IsFile(candidate)) {
            return Open(candidate);
        }
    }
    if (HMODULE module = Open(file)) {
        return module;
    }
    std::string searched;
    for (const std::string& folder : folders) {
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    lastError = "library " + file + " not found in " + searched +
                " nor the system's search path (" + lastError + ")";
    return nullptr;
}

void* GetProcAddress(HMODULE module, const char* symbol) {
    lastError.clear();
    if (!module || !symbol) {
        lastError = "no library or no symbol name given";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(module, symbol);
    if (!address) {
        const char* error = dlerror();
        lastError = error ? error : std::string("symbol ") + symbol + " is null";
    }
    return address;
}

bool FreeLibrary(HMODULE module) {
    lastError.clear();
    if (!module) {
        lastError = "no library given";
        return false;
    }
    if (dlclose(module) != 0) {
        const char* error = dlerror();
        lastError = error ? error : "cannot free library";
        return false;
    }
    return true;
}

std::string LibraryErrorText() {
    return lastError;
}

std::string ModuleFileNameOf(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!address || dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) {
        return {};
    }
    // The program itself has an empty name in the loader's list.
    if (!map || !map->l_name || map->l_name[0] == '\0') {
        return ProgramFileName();
    }
    const std::string name = map->l_name;
    return name.front() == '/' ? name : CurrentFolder() + "/" + name;
}

std::string ProgramFileName() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}
