#include "json_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "serial_console.h"

// The writer's output lands here instead of on a serial port.
static std::string gSerialOut;

void SerialWrite(const CHAR8 *Bytes, UINTN Length) { gSerialOut.append(Bytes, Length); }
void SerialWriteText(const CHAR8 *Text) { gSerialOut += Text; }

namespace {

std::string Written() {
  std::string out;
  out.swap(gSerialOut);
  return out;
}

TEST(JsonWriter, SeparatesMembersAndElementsAtEveryLevel) {
  JsonBeginObject();
  JsonKey("a");
  JsonNumber(1);
  JsonKey("list");
  JsonBeginArray();
  JsonBool(1);
  JsonNull();
  JsonBeginObject();
  JsonKeyNumber(24);
  JsonText("x");
  JsonKeyNumber(25);
  JsonBeginArray();
  JsonEndArray();
  JsonEndObject();
  JsonEndArray();
  JsonKey("max");
  JsonNumber(UINT64_MAX);
  JsonEndObject();
  EXPECT_EQ(Written(), R"({"a":1,"list":[true,null,{"24":"x","25":[]}],"max":18446744073709551615})");
}

TEST(JsonWriter, EscapesEverySixteenBitUnitThatIsNotPlainAscii) {
  const struct {
    std::u16string text;
    const char *json;
  } cases[] = {
      {u"plain text 4.6.0004", R"("plain text 4.6.0004")"},
      {u"quote \" and backslash \\", R"("quote \" and backslash \\")"},
      {u"tab\tnewline\n", R"("tab\u0009newline\u000A")"},
      {u"\u00B0C \u20AC", R"("\u00B0C \u20AC")"},
      {std::u16string(1, char16_t(0xD800)) + u"x", R"("\uD800x")"},  // a lone surrogate survives as it is
      {u"\x7F", R"("\u007F")"},
  };
  for (const auto &c : cases) {
    JsonWideText(c.text.c_str());
    EXPECT_EQ(Written(), c.json);
  }
}

TEST(JsonWriter, WritesBytesAndGuidsInUpperCaseHex) {
  const UINT8 bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
  JsonHexBytes(bytes, sizeof bytes);
  EXPECT_EQ(Written(), R"("000FA0FF")");
  const EFI_GUID guid = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
  JsonGuid(guid);
  EXPECT_EQ(Written(), R"("EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9")");
}

}  // namespace
