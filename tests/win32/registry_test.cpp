// The registry helpers against the real registry. The position and run keys are redirected
// below a test key of HKEY_CURRENT_USER (removed before and after each test) by an OS wrapper
// that forwards registry calls to the real implementation, records trace lines and can make
// HKEY_LOCAL_MACHINE writes fail.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "tests/support/FakeForm.h"
#include "tests/support/FakeOs.h"

namespace {

const char kTestRoot[] = "Software\\VesperonRegistryTest";

// Where a key of the given root really lives during these tests.
std::string Redirected(os::RegRoot root, const std::string& key) {
    return std::string(kTestRoot) + (root == os::RegRoot::LocalMachine ? "\\HKLM\\" : "\\HKCU\\") +
           key;
}

class RedirectedRegistryOs : public test::FakeOs {
  public:
    bool machineWritesFail = false;
    std::vector<std::string> traces;  // texts of the trace lines

    bool RegKeyExists(os::RegRoot root, const std::string& key) override {
        return Real().RegKeyExists(os::RegRoot::CurrentUser, Redirected(root, key));
    }
    bool RegOpenOrCreateKey(os::RegRoot root, const std::string& key) override {
        if (root == os::RegRoot::LocalMachine && machineWritesFail) return false;
        return Real().RegOpenOrCreateKey(os::RegRoot::CurrentUser, Redirected(root, key));
    }
    bool RegWriteDword(os::RegRoot root, const std::string& key, const std::string& name,
                       std::uint32_t value) override {
        if (root == os::RegRoot::LocalMachine && machineWritesFail) return false;
        return Real().RegWriteDword(os::RegRoot::CurrentUser, Redirected(root, key), name, value);
    }
    bool RegWriteString(os::RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override {
        if (root == os::RegRoot::LocalMachine && machineWritesFail) return false;
        return Real().RegWriteString(os::RegRoot::CurrentUser, Redirected(root, key), name, value);
    }
    bool RegReadDword(os::RegRoot root, const std::string& key, const std::string& name,
                      std::uint32_t& value) override {
        return Real().RegReadDword(os::RegRoot::CurrentUser, Redirected(root, key), name, value);
    }
    // A trace viewer that keeps the texts after the computer, user and unit fields.
    os::WindowHandle FindTopLevelWindow(const char*, const char* title) override {
        return std::string(title) == "Debug Server" ? 1 : 0;
    }
    bool SendCopyData(os::WindowHandle, std::uintptr_t, const void* data, std::uint32_t) override {
        std::string line = static_cast<const char*>(data);
        traces.push_back(line.substr(line.find("CommUnit\t") + 9));
        return true;
    }

  private:
    static os::Os& Real() { return os::System(); }
};

using test::FakeForm;

// Reads a value of the redirected key with the registry API itself.
bool ReadRaw(const std::string& key, const char* name, DWORD& type, std::string& data) {
    HKEY handle;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    LONG rc =
        ::RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(handle);
    data.assign(buffer, size);
    return rc == ERROR_SUCCESS;
}

void WriteRaw(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY handle;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    ::RegCloseKey(handle);
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot); }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
        HKEY handle;
        EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, kTestRoot, 0, KEY_READ, &handle),
                  ERROR_SUCCESS)
            << "the test key was left behind";
    }
    RedirectedRegistryOs fake;
    const std::string positionKey =
        Redirected(os::RegRoot::CurrentUser, GetFormPositionKey("Vesperon"));
};

TEST_F(Registry, PositionIsStoredAsDwordsAndAppliedInOrder) {
    os::ScopedOs scoped(fake);
    FakeForm form;
    SaveFormPosition(form);
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadRaw(positionKey, "Left", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, std::string("\xF8\xFF\xFF\xFF", 4));  // -8

    FakeForm reopened;
    EXPECT_TRUE(LoadFormPosition(reopened));
    EXPECT_EQ(reopened.calls,
              (std::vector<std::string>{"Height 480", "Left -8", "Top 120", "Width 640"}));
    EXPECT_TRUE(fake.traces.empty());
}

TEST_F(Registry, NoKeyCentresTheForm) {
    os::ScopedOs scoped(fake);
    FakeForm form;
    EXPECT_FALSE(LoadFormPosition(form));
    EXPECT_EQ(form.calls, std::vector<std::string>{"centre"});
}

TEST_F(Registry, PartlyWrittenKeyAppliesHeightAndLeftThenTraces) {
    DWORD height = 300, left = 40;
    WriteRaw(positionKey, "Height", REG_DWORD, &height, sizeof height);
    WriteRaw(positionKey, "Left", REG_DWORD, &left, sizeof left);
    os::ScopedOs scoped(fake);
    FakeForm form;
    EXPECT_FALSE(LoadFormPosition(form));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"Height 300", "Left 40"}));
    EXPECT_EQ(fake.traces,
              std::vector<std::string>{"Failed to get FormPosition information from Registry."});
}

TEST_F(Registry, ValueThatIsNoDwordEndsTheLoad) {
    WriteRaw(positionKey, "Height", REG_SZ, "300", 4);
    os::ScopedOs scoped(fake);
    FakeForm form;
    EXPECT_FALSE(LoadFormPosition(form));
    EXPECT_TRUE(form.calls.empty());
    EXPECT_EQ(fake.traces.size(), 1u);
}

TEST_F(Registry, AutoRunGoesToTheMachineElseTheUserWithInnerQuotesDoubled) {
    const std::string runKeyMachine = Redirected(os::RegRoot::LocalMachine, kAutoRunKey);
    const std::string runKeyUser = Redirected(os::RegRoot::CurrentUser, kAutoRunKey);
    os::ScopedOs scoped(fake);
    DWORD type = 0;
    std::string data;

    RegisterAutoRun("Vesperon", "C:\\Apps\\Vesperon\\Bin\\Vesperon.exe");
    ASSERT_TRUE(ReadRaw(runKeyMachine, "Vesperon", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("\"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe\"") + '\0');
    EXPECT_FALSE(ReadRaw(runKeyUser, "Vesperon", type, data));

    fake.machineWritesFail = true;
    RegisterAutoRun("Vesperon", "C:\\odd\"dir\\Vesperon.exe");
    ASSERT_TRUE(ReadRaw(runKeyUser, "Vesperon", type, data));
    EXPECT_EQ(data, std::string("\"C:\\odd\"\"dir\\Vesperon.exe\"") + '\0');
    EXPECT_TRUE(fake.traces.empty());
}

}  // namespace
