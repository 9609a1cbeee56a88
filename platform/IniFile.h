#pragma once
// An INI file with the semantics of the system's profile-file functions that stored event files
// rely on: section and key names match without regard to case; sections and keys keep file
// order; a new key goes to the end of its section, a new section to the end of the file, an
// existing key is replaced in place. The file is read once, at construction; changes are made in
// memory and written by UpdateFile, which replaces the file atomically.
//
// Syntax, as the profile functions read it:
//   - lines end in CR LF, LF or CR; a UTF-8 byte-order mark at the start is skipped (and kept);
//   - white space (blanks, tabs, ^Z) around a line, a section name, a key name and a value is
//     ignored; names given to the readers and writers are trimmed the same way;
//   - "[name]" opens a section, the name ending at the line's last ']'; a line that opens with
//     '[' but has no ']' is an ordinary line;
//   - "key=value" is a key, split at the first '='; a value enclosed in a matching pair of
//     double or single quotes is read without them;
//   - lines that begin with ';' are comments; lines without '=' are kept but are not keys;
//   - keys before the first section belong to the unnamed section "", which ReadSections omits;
//   - of duplicate sections, and of duplicate keys in one section, only the first is seen.
// Lines that are not changed are written back as they were read, each ended by CR LF.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/DateTime.h"

class TIniFile {
  public:
    TIniFile() = default;
    // Reads FileName; a missing or unreadable file reads as no sections and is not created.
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return m_fileName; }

    // The text layer: SetText replaces the whole content by the parse of Text; GetText gives the
    // content as file text (CR LF line ends, the byte-order mark if the source had one).
    void SetText(const std::string& text);
    std::string GetText() const;

    // All section names in file order, each name once (the first spelling of duplicates).
    std::vector<std::string> ReadSections() const;
    // The section's key names in file order, each once; empty when there is no such section.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // The section's key lines as "key=value" (value as ReadString gives it), in file order.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    // Typed readers: each returns Default when the key is absent or its value can't be read.
    // ReadString reads values of any length whole.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& Default) const;
    // Decimal with optional minus; "0x"/"0X" followed by hex digits (3+ characters) is hex.
    // Values outside the range of int give Default.
    int ReadInteger(const std::string& section, const std::string& key, int Default) const;
    // Read as an integer: non-zero is true.
    bool ReadBool(const std::string& section, const std::string& key, bool Default) const;
    // The user's long time format / short date format, through DateTime's parsers.
    TDateTime ReadTime(const std::string& section, const std::string& key, TDateTime Default) const;
    TDateTime ReadDate(const std::string& section, const std::string& key, TDateTime Default) const;

    // Changes, in memory until UpdateFile. A written value loses its surrounding white space, and
    // a line break in it becomes a blank, so that a value can never split into further lines.
    // Writes with an empty section name, or a key name that is empty, holds '=' or a line
    // break, or begins with '[' or ';', are ignored: the file could not read such a key back.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1"/"0"
    void WriteTime(const std::string& section, const std::string& key, TDateTime value);
    void WriteDate(const std::string& section, const std::string& key, TDateTime value);
    // Removes every line of the key in the section, so that no duplicate takes its place.
    void DeleteKey(const std::string& section, const std::string& key);
    // Removes the section with all its lines, and every duplicate of it.
    void EraseSection(const std::string& section);

    // Writes the whole file to a temporary file beside it, then replaces the file with it in one
    // step, so that a reader never sees half of an edit. False (file unchanged, temporary file
    // removed) on failure.
    bool UpdateFile();

  private:
    enum class LineKind { Blank, Comment, Key, Other };
    struct Line {
        LineKind kind = LineKind::Other;
        std::string text;   // the line as written to the file
        std::string name;   // Key: the key's name, trimmed
        std::string value;  // Key: the value, trimmed, quotes kept
    };
    // Names hashed and compared without regard to case.
    struct NameHash {
        std::size_t operator()(const std::string& name) const;
    };
    struct NameEqual {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, NameEqual>;
    struct Section {
        std::string name;    // trimmed; "" for the lines before the first header
        std::string header;  // the header line as written; unused for ""
        std::vector<Line> lines;
        NameIndex keyIndex;  // key name -> its first line; empty in sections of few keys
    };
    static constexpr std::size_t kLinearSearchKeys = 24;
    static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

    const Section* FindSection(const std::string& section) const;
    Section* FindSection(const std::string& section);
    const Line* FindKey(const std::string& section, const std::string& key) const;
    static void IndexKeys(Section& section);
    // The first line of the key in the section, or kNoLine.
    static std::size_t KeyLine(const Section& section, const std::string& name);
    void IndexSections();

    std::string m_fileName;
    bool m_bom = false;
    // m_sections[0] is always the unnamed section of the lines before the first header.
    std::vector<Section> m_sections = std::vector<Section>(1);
    NameIndex m_sectionIndex;  // section name -> its first section
};
