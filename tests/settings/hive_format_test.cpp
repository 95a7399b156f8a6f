// The .reg text form of a hive: what we write reads back byte for byte, what
// regedit-style files hold is understood, and anything incomplete is refused.
#include <gtest/gtest.h>

#include "platform/system_posix/registry_hive.h"
#include "tests/settings/settings_test_support.h"

namespace zelmora::platform::hive {
namespace {

using testing::Bytes;
using testing::StringData;

constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";

std::vector<std::byte> Unicode(std::u8string_view text) {
  return StringData(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

TEST(HiveText, EveryValueKindReadsBackExactly) {
  Hive hive;
  Key& key = hive.CreateKey("Software\\zelmora\\tixing");
  key.SetValue("userid", RegistryValueType::String, Unicode(u8"工号 7 \"quoted\" back\\slash"));
  key.SetValue("empty", RegistryValueType::String, StringData(""));
  key.SetValue("cut", RegistryValueType::String, StringData(std::string_view("ab\0cd", 5)));
  key.SetValue("line", RegistryValueType::String, StringData("two\nlines"));
  key.SetValue("unterminated", RegistryValueType::String, Bytes("abc"));
  key.SetValue("interval", RegistryValueType::Dword, Bytes("\x3c\x00\x00\x80"));
  key.SetValue("short dword", RegistryValueType::Dword, Bytes("\x01"));
  key.SetValue("closetime", RegistryValueType::ExpandString, StringData("%TEMP%"));
  key.SetValue("multi", RegistryValueType::MultiString, Bytes(std::string_view("a\0b\0\0", 5)));
  key.SetValue("raw", RegistryValueType::Binary, Bytes("\xff\x00\x10"));
  key.SetValue("none", RegistryValueType::None, {});
  key.SetValue("odd type", static_cast<RegistryValueType>(0x1234), Bytes("x"));
  key.SetValue("", RegistryValueType::String, StringData("default"));
  hive.CreateKey("Software\\other");

  auto parsed = ParseHive(FormatHive(hive, kRoot), kRoot);
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->Keys().size(), hive.Keys().size());
  for (size_t k = 0; k < hive.Keys().size(); ++k) {
    const Key& expected = hive.Keys()[k];
    const Key& actual = parsed->Keys()[k];
    EXPECT_EQ(actual.path, expected.path);
    ASSERT_EQ(actual.values.size(), expected.values.size()) << expected.path;
    for (size_t v = 0; v < expected.values.size(); ++v) {
      EXPECT_EQ(actual.values[v].name, expected.values[v].name);
      EXPECT_EQ(actual.values[v].type, expected.values[v].type) << expected.values[v].name;
      EXPECT_EQ(actual.values[v].data, expected.values[v].data) << expected.values[v].name;
    }
  }
}

TEST(HiveText, PlainSettingsAreWrittenReadably) {
  Hive hive;
  Key& key = hive.CreateKey("Software\\zelmora\\tixing");
  key.SetValue("userid", RegistryValueType::String, StringData("ZM-"));
  key.SetValue("interval", RegistryValueType::Dword, Bytes(std::string_view("\x3c\0\0\0", 4)));
  key.SetValue("closetime", RegistryValueType::ExpandString, StringData("%A%"));
  EXPECT_EQ(FormatHive(hive, kRoot),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\zelmora]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\zelmora\\tixing]\n"
            "\"userid\"=\"ZM-\"\n"
            "\"interval\"=dword:0000003c\n"
            "\"closetime\"=hex(2):25,41,25,00\n\n");
}

TEST(HiveText, ReadsHandWrittenRegeditFiles) {
  auto parsed = ParseHive(
      "\xEF\xBB\xBFREGEDIT4\r\n\r\n"
      "; edited by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmora\\Tixing]\r\n"
      "\"UserId\"=\"abc\"\r\n"
      "\"blob\"=hex:01,02,\\\r\n"
      "  03, 04\r\n"
      "@=dword:1\r\n",
      kRoot);
  ASSERT_TRUE(parsed);
  // Key and value names match without regard to case, as in the registry.
  const Key* key = parsed->FindKey("Software\\zelmora\\tixing");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->FindValue("userid"));
  EXPECT_EQ(key->FindValue("userid")->data, StringData("abc"));
  ASSERT_TRUE(key->FindValue("blob"));
  EXPECT_EQ(key->FindValue("blob")->data, Bytes("\x01\x02\x03\x04"));
  ASSERT_TRUE(key->FindValue(""));
  EXPECT_EQ(key->FindValue("")->data, Bytes(std::string_view("\x01\0\0\0", 4)));
  // Parent keys exist even when only the child is listed.
  EXPECT_TRUE(parsed->FindKey("software\\zelmora"));
}

TEST(HiveText, RefusesIncompleteOrForeignText) {
  const std::string_view good = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=\"x\"\n";
  ASSERT_TRUE(ParseHive(good, kRoot));
  const std::string_view damaged[] = {
      "",
      "REGEDIT",
      "\n\n\n",
      "garbage\n[HKEY_LOCAL_MACHINE\\a]\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=\"x",        // cut inside a string
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex:01,0",   // a byte cut in half
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex:01,",    // cut after a comma
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex:01,\\",  // cut after a continuation mark
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a",                    // cut inside a section name
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"",            // cut before the data
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\a]\n",                  // another root's hive
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a\\\\b]\n",
      "REGEDIT4\n\"v\"=\"x\"\n",  // value outside any key
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=dword:123456789\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=dword:\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex:1g\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex:100\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=hex(-1):00\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=\"x\" trailing\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=\"bad \\n escape\"\n",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\a]\n\"v\"=-\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\a]\n",
  };
  for (std::string_view text : damaged) {
    EXPECT_FALSE(ParseHive(text, kRoot)) << text;
  }
}

TEST(HiveText, KeyPathsAndNamesAreChecked) {
  EXPECT_TRUE(IsValidKeyPath("Software\\zelmora\\tixing"));
  EXPECT_FALSE(IsValidKeyPath(""));
  EXPECT_FALSE(IsValidKeyPath("\\Software"));
  EXPECT_FALSE(IsValidKeyPath("Software\\"));
  EXPECT_FALSE(IsValidKeyPath("a\\\\b"));
  EXPECT_FALSE(IsValidKeyPath("a]\nb"));
  EXPECT_TRUE(IsValidValueName("with \"quotes\" and \\"));
  EXPECT_FALSE(IsValidValueName("line\nbreak"));
}

}  // namespace
}  // namespace zelmora::platform::hive
