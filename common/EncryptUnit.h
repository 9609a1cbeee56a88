#pragma once
// Keyed, reversible scrambling of event passwords into hexadecimal text, with a random seed.

#include <stdexcept>
#include <string>

// A text that is not a valid integer: "'%s' is not a valid integer value".
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

extern const char* const TaskPasswordKey;   // the key of every event password
extern const char* const DefaultCipherKey;  // taken in place of an empty key

// Scrambles Text under Key (empty: DefaultCipherKey); cannot fail.
std::string EncryptString(std::string Text, std::string Key);
// Unscrambles Text under Key (empty: DefaultCipherKey); throws EConvertError on a malformed pair.
std::string DecryptString(std::string Text, std::string Key);
