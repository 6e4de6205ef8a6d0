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

// Returns null on failure; LibraryErrorText() then tells why. Libraries load with
// RTLD_NOW | RTLD_LOCAL: every symbol resolves at once, none leaks into other libraries.
// When a file is found in a folder but does not load, the search stops with its error.
HMODULE LoadLibrary(std::string_view name);
// As LoadLibrary, searching first the folder of the module that contains callerAddress
// (for code that loads a library on behalf of its own caller).
HMODULE LoadLibraryFor(std::string_view name, const void* callerAddress);
void* GetProcAddress(HMODULE module, const char* symbol);
bool FreeLibrary(HMODULE module);
// Why the last failing call of this thread failed.
std::string LibraryErrorText();

// The full path of the module (shared library or program) that contains address.
std::string ModuleFileNameOf(const void* address);
// The full path of the running program.
std::string ProgramFileName();
