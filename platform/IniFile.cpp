#include "platform/IniFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <random>
#include <utility>

#include "platform/Os.h"

namespace {

const char kBom[] = "\xEF\xBB\xBF";

// The profile functions' white space: blanks, control white space and ^Z (a DOS end of file).
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string Trim(const std::string& s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && IsSpace(s[begin])) ++begin;
    while (end > begin && IsSpace(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Name as given when it needs no trimming (the usual case), else its trimmed copy in Buffer.
const std::string& TrimmedName(const std::string& name, std::string& buffer) {
    if (name.empty() || (!IsSpace(name.front()) && !IsSpace(name.back()))) return name;
    buffer = Trim(name);
    return buffer;
}

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names match without regard to case (ASCII letters).
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

// A value in a matching pair of quotes is read without them ("" and '' read as empty).
std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool ParseDecimal(const std::string& s, long long& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
    }
    out = negative ? -v : v;
    return true;
}

bool ParseHex(const std::string& digits, long long& out) {
    if (digits.empty()) return false;
    long long v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * 16 + d;
        if (v > std::numeric_limits<int>::max()) return false;
    }
    out = v;
    return true;
}

bool ValidKeyName(const std::string& key) {
    return !key.empty() && key.front() != '[' && key.front() != ';' &&
           key.find_first_of("=\r\n") == std::string::npos;
}

bool ValidSectionName(const std::string& section) {
    return !section.empty() && section.find_first_of("\r\n") == std::string::npos;
}

// A value is kept on one line: each line break becomes a blank.
std::string OneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    return Trim(value);
}

std::string TempNameBeside(const std::string& target) {
    static std::random_device device;
    static std::mt19937_64 generator(device());
    static std::mutex mutex;
    unsigned long long tag;
    {
        std::lock_guard<std::mutex> lock(mutex);
        tag = generator();
    }
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", tag & 0xFFFFFFFFFFFFull);
    return target + suffix;
}

}  // namespace

std::size_t TIniFile::KeyLine(const Section& section, const std::string& name) {
    if (!section.keyIndex.empty()) {
        auto it = section.keyIndex.find(name);
        return it == section.keyIndex.end() ? kNoLine : it->second;
    }
    for (std::size_t i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].kind == LineKind::Key && SameName(section.lines[i].name, name))
            return i;
    return kNoLine;
}

std::size_t TIniFile::NameHash::operator()(const std::string& name) const {
    std::size_t hash = 14695981039346656037ull;  // FNV-1a over the lower-cased name
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(LowerChar(c))) * 1099511628211ull;
    return hash;
}

bool TIniFile::NameEqual::operator()(const std::string& a, const std::string& b) const {
    return SameName(a, b);
}

TIniFile::TIniFile(std::string fileName) : m_fileName(std::move(fileName)) {
    std::ifstream in(m_fileName, std::ios::binary);
    if (!in) return;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return;
    SetText(text);
}

void TIniFile::SetText(const std::string& text) {
    m_sections.assign(1, Section());
    m_bom = text.compare(0, 3, kBom) == 0;
    std::size_t pos = m_bom ? 3 : 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::size_t lineStart = pos;
        pos = end;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;

        // The trimmed line is text[first, last).
        std::size_t first = lineStart, last = end;
        while (first < last && IsSpace(text[first])) ++first;
        while (last > first && IsSpace(text[last - 1])) --last;

        if (first < last && text[first] == '[') {
            std::size_t close = last - 1;
            while (close > first && text[close] != ']') --close;
            if (close > first) {
                Section section;
                section.name = Trim(text.substr(first + 1, close - first - 1));
                section.header = text.substr(lineStart, end - lineStart);
                m_sections.push_back(std::move(section));
                continue;
            }
        }
        Line line;
        line.text = text.substr(lineStart, end - lineStart);
        if (first == last) {
            line.kind = LineKind::Blank;
        } else if (text[first] == ';') {
            line.kind = LineKind::Comment;
        } else {
            std::size_t equals = first;
            while (equals < last && text[equals] != '=') ++equals;
            if (equals < last) {
                std::size_t nameEnd = equals, valueStart = equals + 1;
                while (nameEnd > first && IsSpace(text[nameEnd - 1])) --nameEnd;
                while (valueStart < last && IsSpace(text[valueStart])) ++valueStart;
                line.kind = LineKind::Key;
                line.name = text.substr(first, nameEnd - first);
                line.value = text.substr(valueStart, last - valueStart);
            }
        }
        m_sections.back().lines.push_back(std::move(line));
    }
    for (Section& section : m_sections) IndexKeys(section);
    IndexSections();
}

std::string TIniFile::GetText() const {
    std::size_t size = 3;
    for (const Section& section : m_sections) {
        size += section.header.size() + 2;
        for (const Line& line : section.lines) size += line.text.size() + 2;
    }
    std::string text;
    text.reserve(size);
    if (m_bom) text += kBom;
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        if (i > 0) text.append(m_sections[i].header).append("\r\n");
        for (const Line& line : m_sections[i].lines) text.append(line.text).append("\r\n");
    }
    return text;
}

// Sections of a few keys are searched line by line, which is faster than hashing; larger ones
// (a long ToDo list) get an index so that reading all their keys stays linear.
void TIniFile::IndexKeys(Section& section) {
    section.keyIndex.clear();
    std::size_t keys = 0;
    for (const Line& line : section.lines) keys += line.kind == LineKind::Key;
    if (keys <= kLinearSearchKeys) return;
    for (std::size_t i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].kind == LineKind::Key)
            section.keyIndex.emplace(section.lines[i].name, i);
}

void TIniFile::IndexSections() {
    m_sectionIndex.clear();
    m_sectionIndex.reserve(m_sections.size());
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        if (!m_sections[i].name.empty()) m_sectionIndex.emplace(m_sections[i].name, i);
}

const TIniFile::Section* TIniFile::FindSection(const std::string& section) const {
    std::string buffer;
    const std::string& name = TrimmedName(section, buffer);
    if (name.empty()) return &m_sections[0];
    auto it = m_sectionIndex.find(name);
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

TIniFile::Section* TIniFile::FindSection(const std::string& section) {
    return const_cast<Section*>(static_cast<const TIniFile*>(this)->FindSection(section));
}

const TIniFile::Line* TIniFile::FindKey(const std::string& section, const std::string& key) const {
    const Section* found = FindSection(section);
    if (!found) return nullptr;
    std::string buffer;
    std::size_t at = KeyLine(*found, TrimmedName(key, buffer));
    return at == kNoLine ? nullptr : &found->lines[at];
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        const std::string& name = m_sections[i].name;
        if (name.empty()) continue;
        auto it = m_sectionIndex.find(name);
        if (it != m_sectionIndex.end() && it->second == i) names.push_back(name);
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> names;
    const Section* found = FindSection(section);
    if (!found) return names;
    for (std::size_t i = 0; i < found->lines.size(); ++i) {
        const Line& line = found->lines[i];
        if (line.kind != LineKind::Key) continue;
        if (KeyLine(*found, line.name) == i) names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
    std::vector<std::string> lines;
    for (const std::string& key : ReadSection(section))
        lines.push_back(key + "=" + ReadString(section, key, ""));
    return lines;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return !Trim(section).empty() && FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return FindKey(section, key) != nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& Default) const {
    const Line* line = FindKey(section, key);
    return line ? Unquote(line->value) : Default;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int Default) const {
    std::string text = ReadString(section, key, "");
    long long value = 0;
    bool ok = text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')
                  ? ParseHex(text.substr(2), value)
                  : ParseDecimal(text, value);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return Default;
    return static_cast<int>(value);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool Default) const {
    return ReadInteger(section, key, Default ? 1 : 0) != 0;
}

TDateTime TIniFile::ReadTime(const std::string& section, const std::string& key,
                             TDateTime Default) const {
    std::string text = ReadString(section, key, "");
    TDateTime value = 0;
    return !text.empty() && TryStrToTime(text, value) ? value : Default;
}

TDateTime TIniFile::ReadDate(const std::string& section, const std::string& key,
                             TDateTime Default) const {
    std::string text = ReadString(section, key, "");
    TDateTime value = 0;
    return !text.empty() && TryStrToDate(text, value) ? value : Default;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    std::string sectionName = Trim(section), keyName = Trim(key);
    if (!ValidSectionName(sectionName) || !ValidKeyName(keyName)) return;
    std::string text = OneLine(value);

    Section* target = FindSection(sectionName);
    if (!target) {
        Section created;
        created.name = sectionName;
        created.header = "[" + sectionName + "]";
        m_sections.push_back(std::move(created));
        target = &m_sections.back();
        m_sectionIndex.emplace(sectionName, m_sections.size() - 1);
    }
    std::size_t existing = KeyLine(*target, keyName);
    if (existing != kNoLine) {
        Line& line = target->lines[existing];
        line.value = text;
        line.text = line.name + "=" + text;
        return;
    }
    // After the section's last line that is not blank, so that blank lines stay between sections.
    std::size_t at = target->lines.size();
    while (at > 0 && target->lines[at - 1].kind == LineKind::Blank) --at;
    Line line;
    line.kind = LineKind::Key;
    line.name = keyName;
    line.value = text;
    line.text = keyName + "=" + text;
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    // Only blank lines follow the new one, so no indexed line moves.
    if (target->keyIndex.empty())
        IndexKeys(*target);
    else
        target->keyIndex.emplace(keyName, at);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteTime(const std::string& section, const std::string& key, TDateTime value) {
    WriteString(section, key, TimeToStr(value));
}

void TIniFile::WriteDate(const std::string& section, const std::string& key, TDateTime value) {
    WriteString(section, key, DateToStr(value));
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Section* target = FindSection(section);
    if (!target) return;
    const std::string name = Trim(key);
    if (KeyLine(*target, name) == kNoLine) return;
    std::vector<Line> kept;
    kept.reserve(target->lines.size());
    for (Line& line : target->lines)
        if (line.kind != LineKind::Key || !SameName(line.name, name))
            kept.push_back(std::move(line));
    target->lines = std::move(kept);
    IndexKeys(*target);
}

void TIniFile::EraseSection(const std::string& section) {
    const std::string name = Trim(section);
    if (name.empty() || !m_sectionIndex.count(name)) return;
    std::vector<Section> kept;
    kept.reserve(m_sections.size());
    for (std::size_t i = 0; i < m_sections.size(); ++i)
        if (i == 0 || !SameName(m_sections[i].name, name)) kept.push_back(std::move(m_sections[i]));
    m_sections = std::move(kept);
    IndexSections();
}

bool TIniFile::UpdateFile() {
    if (m_fileName.empty()) return false;
    std::string temp = TempNameBeside(m_fileName);
    std::string text = GetText();
    bool written;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        written = static_cast<bool>(out);
        if (written) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            written = !out.fail();
        }
    }
    if (written && os::Current().ReplaceFileAtomically(temp, m_fileName)) return true;
    std::remove(temp.c_str());
    return false;
}
