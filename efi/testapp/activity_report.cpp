#include "activity_report.h"

#include "json_writer.h"

void WriteActivityReport(const CompanionRecord *First) {
  JsonKey("activity");
  JsonBeginArray();
  for (const CompanionRecord *record = First; record != nullptr; record = record->Next) {
    JsonBeginObject();
    JsonKey("kind");
    JsonText(record->Kind);
    if (record->Detail != nullptr) {
      JsonKey("detail");
      JsonText(record->Detail);
    }
    if (record->Text != nullptr) {
      JsonKey("text");
      JsonWideText(record->Text);
    }
    JsonKey("values");
    JsonBeginObject();
    for (UINTN index = 0; index < record->ValueCount; index++) {
      JsonKey(record->Values[index].Name);
      JsonNumber(record->Values[index].Value);
    }
    JsonEndObject();
    JsonEndObject();
  }
  JsonEndArray();
}
