#pragma once
// An INI file with the semantics of the system's profile-file functions that stored event files
// rely on: section and key names match without regard to case; sections and keys keep file
// order; a new key goes to the end of its section, a new section to the end of the file, an
// existing key is replaced in place. The file is read once, at construction; changes are made in
// memory and written by UpdateFile, which replaces the file atomically.

#include <string>
#include <vector>

#include "platform/DateTime.h"

class TIniFile {
public:
    TIniFile() = default;
    // Reads FileName; a missing or unreadable file reads as no sections and is not created.
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return m_fileName; }

    // The text layer: parse from and write to INI text.
    void SetText(const std::string& text);
    std::string GetText() const;

    std::vector<std::string> ReadSections() const;  // all section names, in file order
    std::vector<std::string> ReadSection(const std::string& section) const;  // its key names
    // The section's key lines as "key=value", in file order.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    // Typed readers: each returns Default when the key is absent or its value can't be read.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& Default) const;
    // Decimal with optional minus; "0x"/"0X" followed by hex digits (3+ characters) is hex.
    int ReadInteger(const std::string& section, const std::string& key, int Default) const;
    // Read as an integer: non-zero is true.
    bool ReadBool(const std::string& section, const std::string& key, bool Default) const;
    // The user's long time format / short date format, through DateTime's parsers.
    TDateTime ReadTime(const std::string& section, const std::string& key,
                       TDateTime Default) const;
    TDateTime ReadDate(const std::string& section, const std::string& key,
                       TDateTime Default) const;

    // Changes, in memory until UpdateFile.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1"/"0"
    void WriteTime(const std::string& section, const std::string& key, TDateTime value);
    void WriteDate(const std::string& section, const std::string& key, TDateTime value);
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    // Writes the whole file to a temporary file beside it, then replaces the file with it in one
    // step, so that a reader never sees half of an edit. False (file unchanged) on failure.
    bool UpdateFile();

private:
    struct Key {
        std::string name;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    std::string m_fileName;
    std::vector<Section> m_sections;
};
