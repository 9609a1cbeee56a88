#include "common/EncryptUnit.h"

#include <random>

const char* const TaskPasswordKey = "Plum Harbour";
const char* const DefaultCipherKey = "Rowan7Gables";

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned value) {
    out += kHexDigits[(value >> 4) & 0xF];
    out += kHexDigits[value & 0xF];
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads "$" + pair as the string-to-integer conversion does: one or two hexadecimal digits of
// either case and nothing else; false for an empty pair or any other character.
bool TryReadHexPair(const std::string& pair, unsigned& value) {
    if (pair.empty()) return false;
    value = 0;
    for (char c : pair) {
        int digit = HexDigitValue(c);
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

// Steps the key position through 1..length, then back to 1.
void AdvanceKey(std::size_t& k, std::size_t keyLength) {
    k = k < keyLength ? k + 1 : 1;
}

unsigned KeyByte(const std::string& key, std::size_t k) {
    return static_cast<unsigned char>(key[k - 1]);
}

// One byte from the system's random source. A clock-seeded generator would give two saves
// within the same clock tick the same seed.
unsigned RandomSeedByte() {
    std::random_device source;
    std::uniform_int_distribution<unsigned> byte(0, 255);
    return byte(source);
}

}  // namespace

std::string EncryptString(std::string Text, std::string Key) {
    if (Key.empty()) Key = DefaultCipherKey;
    std::string out;
    out.reserve(2 + 2 * Text.size());
    unsigned prev = RandomSeedByte();
    AppendHexByte(out, prev);
    std::size_t k = 0;
    for (char c : Text) {
        AdvanceKey(k, Key.size());
        unsigned p = static_cast<unsigned char>(c);
        unsigned m = ((prev + p) % 255) ^ KeyByte(Key, k);
        AppendHexByte(out, m);
        prev = m;
    }
    return out;
}

std::string DecryptString(std::string Text, std::string Key) {
    if (Text.empty() || Text.size() == 2) return std::string();
    if (Key.empty()) Key = DefaultCipherKey;
    unsigned prev = 0;
    if (!TryReadHexPair(Text.substr(0, 2), prev)) prev = 0;  // a bad seed pair counts as 0
    std::string out;
    out.reserve(Text.size() / 2);
    std::size_t k = 0;
    std::size_t pos = 2;  // 0-based index of the first character after the seed pair
    do {
        // Fewer than two characters where the text ends; none for a one-character text.
        std::string pair = pos < Text.size() ? Text.substr(pos, 2) : std::string();
        unsigned r = 0;
        if (!TryReadHexPair(pair, r))
            throw EConvertError("'$" + pair + "' is not a valid integer value");
        AdvanceKey(k, Key.size());
        unsigned m = r ^ KeyByte(Key, k);
        unsigned plain = m > prev ? m - prev : m + 255 - prev;
        out += static_cast<char>(plain);
        prev = r;
        pos += 2;
    } while (pos + 1 < Text.size());  // the next pair starts before the last character
    return out;
}
