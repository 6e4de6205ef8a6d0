// Alert logs: dated text files in the "Log" folder of the installation, one line per write
// (open, append, close). Named logs ("Alert_<name>_<date>.log") and the generator's error
// log ("Alert_QoralGenerator_<YYYYMMDD>.log") with its error-report blocks.
// WriteAlertLog (the named log under the host shell's folder) is declared in LibStrs.h.
// No writer raises: a failure to create the folder or write the file returns false.
#pragma once

#include "DateUtils.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

// ---- Paths --------------------------------------------------------------------------------------

// folder + "/" + name without doubling a separator; name alone when folder is empty.
std::string JoinPath(std::string_view folder, std::string_view name);
// The folder of the running program (no trailing "/"); "" when unknown.
std::string HostProgramDir();
// baseFolder/Log, created with any missing parents; "" when it cannot be created.
std::string EnsureLogFolder(std::string_view baseFolder);

// ---- Named alert logs ---------------------------------------------------------------------------

// "Alert_" + name + "_" + day formatted by period ("D" YYYYMMDD, "M" YYYYMM, "Y" YYYY, other
// YYYYMMDD) + ".log" unless name contains a ".".
std::string AlertLogFileName(std::string_view name, std::string_view period, TDateTime day);
// "[YYYY/MM/DD hh:nn:ss:zzz] " + message (no line end).
std::string AlertLogLine(std::string_view message, TDateTime time);
// Appends one alert line for now to baseFolder/Log/AlertLogFileName(name, period, today).
// The download writer passes HostProgramDir(); WriteAlertLog passes the host shell's folder.
bool AppendAlertLog(std::string_view baseFolder, std::string_view name, std::string_view message,
                    std::string_view period);
// Appends line + "\n" to the file (created when missing); false when it cannot be written.
bool AppendLineToFile(const std::string& filePath, std::string_view line);

// ---- Generator error log ------------------------------------------------------------------------

// Fallback base folder when neither the registry nor the temporary folder gives one.
inline constexpr std::string_view GeneratorLogLastFolder = "/tmp";

// Registry ClientPath, else ServerPath, else GetTempDirectory(), else "/tmp".
std::string GeneratorLogBaseFolder();
// "Alert_QoralGenerator_" + YYYYMMDD of day + ".log".
std::string GeneratorLogFileName(TDateTime day);
// Appends "[<short date> <long time>] " + text to today's generator log; true when written.
bool WriteGeneratorLog(std::string_view text);

// ---- Error reports ------------------------------------------------------------------------------

// The lines of an error report: header rule (with " on <location> " when the location is
// not blank), and for an error the title, one detail line per error entry (EDBEngineError
// entries, EOSError as "EWin32Error", EInOutError, any other Exception or std::exception)
// and the count; then the programmer message line when it is not blank.
std::vector<std::string> ErrorReportLines(const std::exception* error, std::string_view location,
                                          std::string_view programmerMessage);
// Writes ErrorReportLines to the generator log line by line; a failed line does not stop
// the others.
void WriteErrorReport(const std::exception* error, std::string_view location,
                      std::string_view programmerMessage);
inline void WriteErrorReport(const std::exception& error, std::string_view location,
                             std::string_view programmerMessage) {
    WriteErrorReport(&error, location, programmerMessage);
}
