// Alert logs and error reports. Every write opens, appends one line and closes the file, so
// a crash loses at most the line being written and several processes can share a log.
#include "AlertLog.h"

#include "LibStrs.h"
#include "Library.h"
#include "SysUtils.h"

#include <cstdio>
#include <cxxabi.h>
#include <filesystem>
#include <memory>
#include <system_error>
#include <typeinfo>

namespace {

constexpr std::string_view LogFolderName = "Log";
constexpr std::string_view AlertLogPrefix = "Alert_";
constexpr std::string_view AlertLogExtension = ".log";
constexpr std::string_view GeneratorLogName = "QoralGenerator";
constexpr std::string_view AlertLineTimeFormat = "YYYY/MM/DD hh:nn:ss:zzz";

constexpr std::string_view ReportRule = "----------------------------------";
constexpr std::string_view ReportTitle = "讯息信息:";
constexpr std::string_view ProgrammerMessagePrefix = "Programer Message: ";

std::string_view PeriodDateFormat(std::string_view period) {
    if (period == "M") {
        return "YYYYMM";
    }
    if (period == "Y") {
        return "YYYY";
    }
    return "YYYYMMDD";
}

std::string ReportHeader(std::string_view location) {
    std::string header(ReportRule);
    if (!TrimBlanks(location).empty()) {
        header.append(" on ").append(location).append(" ");
    }
    return header.append(ReportRule);
}

std::string CodedDetail(std::string_view className, int number, int code,
                        std::string_view message) {
    // The message is appended, not formatted, so a "%" in it stays as it is.
    return Format("%.*s Error %.2d: Code: %d, Message: ", static_cast<int>(className.size()),
                  className.data(), number, code) +
           std::string(message);
}

// The readable name of a C++ class that is not one of the platform's errors.
std::string TypeName(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

std::string OtherErrorDetail(std::string_view className, std::string_view message) {
    return "Exception is " + std::string(className) + "\n" + Format("Message %.2d: ", 1) +
           std::string(message);
}

std::vector<std::string> ErrorDetails(const std::exception& error) {
    if (const auto* database = dynamic_cast<const EDBEngineError*>(&error)) {
        std::vector<std::string> details;
        for (int i = 0; i < database->ErrorCount(); ++i) {
            const EDBEngineError::Entry& entry = database->Errors(i);
            details.push_back(CodedDetail("EDBEngineError", i + 1, entry.errorCode, entry.message));
        }
        return details;
    }
    if (const auto* system = dynamic_cast<const EOSError*>(&error)) {
        return {CodedDetail("EWin32Error", 1, system->ErrorCode(), system->Message())};
    }
    if (const auto* inOut = dynamic_cast<const EInOutError*>(&error)) {
        return {CodedDetail("EInOutError", 1, inOut->ErrorCode(), inOut->Message())};
    }
    if (const auto* platform = dynamic_cast<const Exception*>(&error)) {
        return {OtherErrorDetail(platform->ClassName(), platform->Message())};
    }
    return {OtherErrorDetail(TypeName(error), error.what())};
}

} // namespace

// ---- Paths --------------------------------------------------------------------------------------

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    std::string path(folder);
    if (!path.ends_with('/')) {
        path.push_back('/');
    }
    return path.append(name);
}

std::string HostProgramDir() {
    try {
        return std::filesystem::path(ProgramFileName()).parent_path().string();
    } catch (...) {
        return {};
    }
}

std::string EnsureLogFolder(std::string_view baseFolder) {
    const std::string folder = JoinPath(baseFolder, LogFolderName);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        return {};
    }
    return folder;
}

bool AppendLineToFile(const std::string& filePath, std::string_view line) {
    std::FILE* file = std::fopen(filePath.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
                         std::fputc('\n', file) != EOF;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

// ---- Named alert logs ---------------------------------------------------------------------------

std::string AlertLogFileName(std::string_view name, std::string_view period, TDateTime day) {
    std::string fileName(AlertLogPrefix);
    fileName.append(name).append("_").append(FormatDateTime(PeriodDateFormat(period), day));
    if (name.find('.') == std::string_view::npos) {
        fileName.append(AlertLogExtension);
    }
    return fileName;
}

std::string AlertLogLine(std::string_view message, TDateTime time) {
    return "[" + FormatDateTime(AlertLineTimeFormat, time) + "] " + std::string(message);
}

bool AppendAlertLog(std::string_view baseFolder, std::string_view name, std::string_view message,
                    std::string_view period) {
    try {
        const std::string folder = EnsureLogFolder(baseFolder);
        if (folder.empty()) {
            return false;
        }
        const TDateTime now = Now();
        return AppendLineToFile(JoinPath(folder, AlertLogFileName(name, period, now)),
                                AlertLogLine(message, now));
    } catch (...) {
        return false;
    }
}

// ---- Generator error log ------------------------------------------------------------------------

std::string GeneratorLogBaseFolder() {
    try {
        std::string folder = GetStewardDir();
        if (folder.empty()) {
            folder = GetTempDirectory();
        }
        return folder.empty() ? std::string(GeneratorLogLastFolder) : folder;
    } catch (...) {
        return std::string(GeneratorLogLastFolder);
    }
}

std::string GeneratorLogFileName(TDateTime day) {
    return std::string(AlertLogPrefix) + std::string(GeneratorLogName) + "_" +
           FormatDateTime("YYYYMMDD", day) + std::string(AlertLogExtension);
}

bool WriteGeneratorLog(std::string_view text) {
    try {
        const std::string folder = EnsureLogFolder(GeneratorLogBaseFolder());
        if (folder.empty()) {
            return false;
        }
        const TDateTime now = Now();
        return AppendLineToFile(JoinPath(folder, GeneratorLogFileName(now)),
                                "[" + DateTimeToStr(now) + "] " + std::string(text));
    } catch (...) {
        return false;
    }
}

// ---- Error reports ------------------------------------------------------------------------------

std::vector<std::string> ErrorReportLines(const std::exception* error, std::string_view location,
                                          std::string_view programmerMessage) {
    std::vector<std::string> lines{ReportHeader(location)};
    if (error != nullptr) {
        lines.emplace_back(ReportTitle);
        const std::vector<std::string> details = ErrorDetails(*error);
        lines.insert(lines.end(), details.begin(), details.end());
        lines.push_back(Format("ErrorMessage Count: %d", static_cast<int>(details.size())));
    }
    if (!TrimBlanks(programmerMessage).empty()) {
        lines.push_back(std::string(ProgrammerMessagePrefix) + std::string(programmerMessage));
    }
    return lines;
}

void WriteErrorReport(const std::exception* error, std::string_view location,
                      std::string_view programmerMessage) {
    try {
        for (const std::string& line : ErrorReportLines(error, location, programmerMessage)) {
            WriteGeneratorLog(line);
        }
    } catch (...) {
        // An error report that cannot be built or written is lost; it never raises.
    }
}
