// Helpers of the platform core tests: a temporary folder, an environment variable set for
// one test, and a registry file that the registry reads while the test runs.
#pragma once

#include "Registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace coretest {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "steward-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }

    std::string name_;
    std::optional<std::string> old_;
};

// A registry file with the given text, in force for the scope.
class ScopedRegistry {
public:
    explicit ScopedRegistry(std::string_view text)
        : file_(dir_.Write("registry.ini", text)), env_("STEWARD_REGISTRY", file_) {
        ReloadRegistry();
    }
    ~ScopedRegistry() { ReloadRegistry(); }

    const std::string& File() const { return file_; }
    void Rewrite(std::string_view text) const { dir_.Write("registry.ini", text); }

private:
    TempDir dir_;
    std::string file_;
    ScopedEnv env_;
};

// The folder the test program and the test libraries are built into.
inline std::filesystem::path BinDir() {
    if (const char* bin = std::getenv("STEWARD_TEST_BIN")) {
        return bin;
    }
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

} // namespace coretest
