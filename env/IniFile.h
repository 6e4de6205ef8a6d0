// Read-only INI files, read the way the system's private-profile functions read them:
//   - section names and keys compare without regard to ASCII letter case;
//   - keys and values are trimmed; a value wrapped in a pair of matching quotes loses them;
//   - the first occurrence of a key in a section wins (a repeated section continues the
//     first one);
//   - lines without "=", lines before the first section, comment lines starting with ";"
//     or "#", and the lines below a section header without its closing "]" are ignored.
// The file is decoded once when the object is made: UTF-8 (a byte-order mark is dropped),
// UTF-16LE when it starts with that byte-order mark, and otherwise, when the bytes are not
// valid UTF-8, from the given code page. A missing or unreadable file reads as empty.
// Nothing is ever written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
    // codePage: the code page of files that are not valid UTF-8 (the system code page).
    TIniFile(std::string fileName, int codePage);
    // Reads from text already held in memory (same rules, same decoding).
    static TIniFile FromBytes(std::string_view bytes, int codePage);

    const std::string& FileName() const { return fileName_; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The value as a decimal integer (optional sign, or hexadecimal with "0x" or "$");
    // fallback when missing, empty, not a number or out of range.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // The keys of the section in file order (repeated keys repeated).
    std::vector<std::string> ReadSection(std::string_view section) const;
    // One "key=value" line per key of ReadSection, the value being the key's first value.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    TIniFile() = default;
    void Parse(std::string_view text);
    // The index of the section, appended when it is new.
    std::size_t SectionIndex(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    const Entry* FindEntry(std::string_view section, std::string_view key) const;

    std::string fileName_;
    std::vector<Section> sections_;
};

// The bytes of a configuration file as UTF-8 text (see the decoding rules above).
std::string DecodeConfigText(std::string_view bytes, int codePage);
