#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/EncryptUnit.h"

namespace {

bool IsUppercaseHex(const std::string& s) {
    return s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

std::string AllBytesFrom1To254() {
    std::string s;
    for (int b = 1; b <= 254; ++b) s += static_cast<char>(b);
    return s;
}

}  // namespace

TEST(EncryptUnit, KeysAreTheBuiltInTexts) {
    EXPECT_STREQ(TaskPasswordKey, "Plum Harbour");
    EXPECT_STREQ(DefaultCipherKey, "Rowan7Gables");
}

TEST(EncryptUnit, ScrambledTextIsUppercaseHexAndComesBack) {
    const std::string texts[] = {
        "", "a", "secret", "Thirteen char", "with\ttab and CR LF\r\n", AllBytesFrom1To254()};
    const std::string keys[] = {TaskPasswordKey, "", "k", "\xFF\x80"};
    for (const auto& key : keys) {
        for (const auto& text : texts) {
            SCOPED_TRACE("key '" + key + "' text '" + text + "'");
            std::string scrambled = EncryptString(text, key);
            EXPECT_EQ(scrambled.size(), 2 + 2 * text.size());
            EXPECT_TRUE(IsUppercaseHex(scrambled)) << scrambled;
            EXPECT_EQ(DecryptString(scrambled, key), text);
        }
    }
}

TEST(EncryptUnit, UnscramblesKnownTexts) {
    struct Case {
        const char* scrambled;
        const char* key;
        std::string plain;
    } cases[] = {
        {"3CFF0919E66CA8", TaskPasswordKey, "secret"},  // FF after the first byte feeds the chain
        {"3cff0919e66ca8", TaskPasswordKey, "secret"},  // either case of digits
        {"A7AB78946AFE2CF02D2FFD130628", TaskPasswordKey, "Thirteen char"},  // key used again
        {"A7AB78946AFE2CF02D2FFD13060E", TaskPasswordKey, "Thirteen chaX"},
        {"10D225", "", "pw"},  // empty key = DefaultCipherKey
        {"10D225", DefaultCipherKey, "pw"},
        {"0031", TaskPasswordKey, "a"},
        {"ZZ31", TaskPasswordKey, "a"},  // a seed pair that is not hexadecimal counts as 0
        {"", TaskPasswordKey, ""},
        {"00", TaskPasswordKey, ""},  // any two characters: the seed pair alone
        {"Z?", TaskPasswordKey, ""},
        {"003", TaskPasswordKey, "S"},    // third character read alone as a one-digit pair
        {"0031Z", TaskPasswordKey, "a"},  // odd length 5: the last character is ignored
        {"3CFF0919E", TaskPasswordKey, "sec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scrambled);
        EXPECT_EQ(DecryptString(c.scrambled, c.key), c.plain);
    }
}

TEST(EncryptUnit, MalformedPairRaisesTheConversionError) {
    struct Case {
        const char* scrambled;
        const char* message;
    } cases[] = {
        {"A", "'$' is not a valid integer value"},  // the empty second pair
        {"00G1", "'$G1' is not a valid integer value"},
        {"00 1", "'$ 1' is not a valid integer value"},
        {"00-1", "'$-1' is not a valid integer value"},
        {"00+1", "'$+1' is not a valid integer value"},
        {"003CFFx1", "'$x1' is not a valid integer value"},  // fails late: no partial result
        {"00\x31\xC1", "'$1\xC1' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scrambled);
        try {
            std::string plain = DecryptString(c.scrambled, TaskPasswordKey);
            ADD_FAILURE() << "no error, got '" << plain << "'";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

// The modulus is 255, so bytes 0 and 255 scramble alike: both come back as 255, or as 0 where
// the byte written before them is FF.
TEST(EncryptUnit, BytesZeroAnd255ComeBackAlike) {
    struct Case {
        const char* scrambled;
        std::string plain;
    } cases[] = {
        {"2070", "\xFF"},                   // 0 or 255 after seed 20
        {"FF50", std::string(1, '\0')},     // 0 or 255 after seed FF
        {"3CFF6C", std::string("s\0", 2)},  // 0 or 255 after a written FF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scrambled);
        EXPECT_EQ(DecryptString(c.scrambled, TaskPasswordKey), c.plain);
    }
    for (int round = 0; round < 64; ++round) {
        std::string plain("\x00\xFF", 2);
        std::string scrambled = EncryptString(plain, TaskPasswordKey);
        std::string back = DecryptString(scrambled, TaskPasswordKey);
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[0], scrambled.substr(0, 2) == "FF" ? '\0' : '\xFF') << scrambled;
        EXPECT_EQ(back[1], scrambled.substr(2, 2) == "FF" ? '\0' : '\xFF') << scrambled;
    }
}

TEST(EncryptUnit, SeedDiffersBetweenSaves) {
    std::set<std::string> results;
    for (int i = 0; i < 16; ++i) {
        std::string scrambled = EncryptString("secret", TaskPasswordKey);
        EXPECT_EQ(DecryptString(scrambled, TaskPasswordKey), "secret");
        results.insert(scrambled);
    }
    // Sixteen equal seeds from a uniform byte source: chance 256^-15.
    EXPECT_GT(results.size(), 1u);
}
