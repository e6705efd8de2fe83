#include "activity_log.h"

#include "platform/firmware_services.h"

static CompanionRecord *gFirstRecord;
static CompanionRecord *gLastRecord;
static UINT64 gDroppedRecords;

static CompanionRecord *NewRecord(const CHAR16 *Text) {
  const UINTN textBytes = Text == nullptr ? 0 : (WideStrLen(Text) + 1) * sizeof(CHAR16);
  CompanionRecord *record = (CompanionRecord *)AllocateZeroedPool(sizeof(CompanionRecord) + textBytes);
  if (record != nullptr && Text != nullptr) {
    CHAR16 *copy = (CHAR16 *)(record + 1);
    MemMove(copy, Text, textBytes);
    record->Text = copy;
  }
  return record;
}

static void Append(CompanionRecord *Record) {
  if (gLastRecord == nullptr) {
    gFirstRecord = Record;
  } else {
    gLastRecord->Next = Record;
  }
  gLastRecord = Record;
}

CompanionRecord *LogActivity(const CHAR8 *Kind, const CHAR8 *Detail, const CHAR16 *Text,
                             const CompanionValue *Values, UINTN ValueCount) {
  CompanionRecord *record = NewRecord(Text);
  if (record == nullptr) {
    gDroppedRecords++;
    return nullptr;
  }
  record->Kind = Kind;
  record->Detail = Detail;
  const UINTN capacity = sizeof(record->Values) / sizeof(record->Values[0]);
  for (UINTN index = 0; index < ValueCount && index < capacity; index++) {
    record->Values[record->ValueCount++] = Values[index];
  }
  if (gDroppedRecords != 0 && record->ValueCount < capacity) {
    record->Values[record->ValueCount++] = {"droppedBefore", gDroppedRecords};
    gDroppedRecords = 0;
  }
  Append(record);
  return record;
}

void AddActivityValue(CompanionRecord *Record, const CHAR8 *Name, UINT64 Value) {
  if (Record != nullptr && Record->ValueCount < sizeof(Record->Values) / sizeof(Record->Values[0])) {
    Record->Values[Record->ValueCount++] = {Name, Value};
  }
}

const CompanionRecord *FirstActivity() { return gFirstRecord; }
