#include "common/registry_script.h"

#include <gtest/gtest.h>

#include "common/tests/memory_registry.h"

namespace tb {
namespace {

using testing::MemoryRegistry;

RegScript parsed(const std::string& text, const RegScriptVariables& vars = {}) {
    RegScriptParse p = parseRegScript(text, vars);
    EXPECT_TRUE(p.script) << p.error;
    return p.script.value_or(RegScript{});
}

const char* kComponent = R"(
HKCR
{
    Tamberly.Tamberly.1 = s 'Tamberly Class'
    {
        CLSID = s '{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}'
    }
    NoRemove CLSID
    {
        ForceRemove {AEF74060-ECDE-11d2-8BDD-0000C0301BE5} = s 'Tamberly Class'
        {
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            'Programmable'
        }
        Delete {F468B620-E5DA-11d2-8BDD-0000C0301BE5}
    }
}
HKLM
{
    NoRemove SOFTWARE
    {
        NoRemove Quillmoor
        {
            val Flags = d 7
            val Blob = b 3C000000
        }
    }
}
)";

TEST(RegistryScript, RegistersKeysDefaultValuesAndValues) {
    MemoryRegistry reg;
    ASSERT_TRUE(runRegScript(parsed(kComponent, {{"MODULE", "C:\\x\\tbhelp.dll"}}), RegScriptMode::Register, reg));
    EXPECT_EQ(reg.readString(RegRoot::ClassesRoot, "Tamberly.Tamberly.1", ""), "Tamberly Class");
    EXPECT_EQ(reg.readString(RegRoot::ClassesRoot, "Tamberly.Tamberly.1\\CLSID", ""),
              "{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}");
    const std::string clsid = "CLSID\\{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}";
    EXPECT_EQ(reg.readString(RegRoot::ClassesRoot, clsid + "\\InprocServer32", ""), "C:\\x\\tbhelp.dll");
    EXPECT_EQ(reg.readString(RegRoot::ClassesRoot, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, clsid + "\\Programmable"));
    EXPECT_EQ(reg.readDword(RegRoot::LocalMachine, "SOFTWARE\\Quillmoor", "Flags"), 7u);
    EXPECT_EQ(reg.readBinary(RegRoot::LocalMachine, "SOFTWARE\\Quillmoor", "Blob"),
              (std::vector<uint8_t>{0x3C, 0, 0, 0}));
}

TEST(RegistryScript, ForceRemoveReplacesTheWholeKeyAndDeleteRemovesOldKeys) {
    MemoryRegistry reg;
    const std::string clsid = "CLSID\\{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}";
    reg.createKey(RegRoot::ClassesRoot, clsid + "\\Stale");
    reg.createKey(RegRoot::ClassesRoot, "CLSID\\{F468B620-E5DA-11d2-8BDD-0000C0301BE5}\\InprocServer32");
    runRegScript(parsed(kComponent, {{"MODULE", "m"}}), RegScriptMode::Register, reg);
    EXPECT_FALSE(reg.keyExists(RegRoot::ClassesRoot, clsid + "\\Stale"));
    EXPECT_FALSE(reg.keyExists(RegRoot::ClassesRoot, "CLSID\\{F468B620-E5DA-11d2-8BDD-0000C0301BE5}"));
}

TEST(RegistryScript, UnregisterRemovesWhatItAddedAndKeepsNoRemoveKeys) {
    MemoryRegistry reg;
    reg.createKey(RegRoot::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}");
    const RegScript script = parsed(kComponent, {{"MODULE", "m"}});
    runRegScript(script, RegScriptMode::Register, reg);
    runRegScript(script, RegScriptMode::Unregister, reg);
    EXPECT_FALSE(reg.keyExists(RegRoot::ClassesRoot, "Tamberly.Tamberly.1"));
    EXPECT_FALSE(reg.keyExists(RegRoot::ClassesRoot, "CLSID\\{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}"));
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}"));
    EXPECT_TRUE(reg.keyExists(RegRoot::LocalMachine, "SOFTWARE\\Quillmoor"));
    EXPECT_FALSE(reg.readDword(RegRoot::LocalMachine, "SOFTWARE\\Quillmoor", "Flags"));
    // Unregistering twice is harmless.
    EXPECT_TRUE(runRegScript(script, RegScriptMode::Unregister, reg));
}

TEST(RegistryScript, AKeyThatOthersStillUseKeepsTheirSubkeys) {
    MemoryRegistry reg;
    const RegScript script = parsed("HKCR { Shared { val Mine = s 'x' } }");
    runRegScript(script, RegScriptMode::Register, reg);
    reg.createKey(RegRoot::ClassesRoot, "Shared\\Theirs");
    runRegScript(script, RegScriptMode::Unregister, reg);
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, "Shared\\Theirs"));
    EXPECT_FALSE(reg.readString(RegRoot::ClassesRoot, "Shared", "Mine"));
}

TEST(RegistryScript, QuotingAndVariables) {
    MemoryRegistry reg;
    runRegScript(parsed("HKCU { 'Key With Spaces' = s 'it''s 100%% %WHO%' }", {{"WHO", "mine"}}),
                 RegScriptMode::Register, reg);
    EXPECT_EQ(reg.readString(RegRoot::CurrentUser, "Key With Spaces", ""), "it's 100% mine");
}

TEST(RegistryScript, ReportsBrokenScriptsWithTheirLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"HKXX { }", "line 1: unknown root key"},
        {"HKCR {\n Key = s 'open", "line 2: unterminated quoted text"},
        {"HKCR { Key = q 'x' }", "unknown value type"},
        {"HKCR { Key = d 12ab }", "not a 32-bit number"},
        {"HKCR { Key = b 3 }", "two hex digits"},
        {"HKCR { Key", "missing '}'"},
        {"HKCR { Key = s '%NOPE%' }", "unknown variable %NOPE%"},
        {"HKCR { 'a\\b' }", "one non-empty name"},
    };
    for (const Case& c : cases) {
        const RegScriptParse p = parseRegScript(c.text, {});
        EXPECT_FALSE(p.script) << c.text;
        EXPECT_NE(p.error.find(c.error), std::string::npos) << c.text << " gave " << p.error;
    }
}

}  // namespace
}  // namespace tb
