// Shared libraries: load, find a symbol, free. A library the suite names "Name.dll" is the
// file "Name.so" (same name and case, no "lib" prefix).
//
// Search order for a name without a folder:
//   1. the folder of the module that calls LoadLibrary (the caller's own .so or program);
//   2. the folder of the running program;
//   3. the folders of STEWARD_LIBRARY_PATH (colon-separated);
//   4. the system's own search (LD_LIBRARY_PATH, the loader cache, /lib, /usr/lib).
// A name with a folder is loaded from there only.
#pragma once

#include <string>
#include <string_view>

using HMODULE = void*;

// The file name a library name stands for: "Name.dll" -> "Name.so"; other names unchanged.
std::string LibraryFileName(std::string_view name);

// Returns null on failure; LibraryErrorText() then tells why.
HMODULE LoadLibrary(std::string_view name);
void* GetProcAddress(HMODULE module, const char* symbol);
bool FreeLibrary(HMODULE module);
std::string LibraryErrorText();

// The full path of the module (shared library or program) that contains address.
std::string ModuleFileNameOf(const void* address);
// The full path of the running program.
std::string ProgramFileName();
