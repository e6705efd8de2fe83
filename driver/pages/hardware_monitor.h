// The hardware-monitor page: three temperatures, five fans and nine voltages
// read live from the board's monitor chip each time the menu refreshes the page.
#pragma once

#include "uefi/uefi_base.h"

// How a reading is shown: a voltage in millivolts with three decimals, a
// temperature in degrees, a fan speed in RPM.
enum MonitorKind : UINT8 { kMonitorVoltage = 1, kMonitorTemperature = 2, kMonitorFan = 3 };

// How the raw register bytes of one reading become the value shown.
enum MonitorRule : UINT8 {
  kTemperatureSum,  // first + second, modulo 256 (the second is a signed offset)
  kFanHighLow,      // first * 256 + second; 0 when either byte reads 0xFF
  kSixteenMillivolts,
  kEightMillivolts,
  kMainTwelveVolts,       // first * 52.8 mV
  kAuxiliaryTwelveVolts,  // divider with a 2.048 V offset; 0 below the offset
};

// The longest text is 11 characters (": +65.535 V", ": 65278 RPM").
constexpr UINTN kMonitorTextSize = 16;

// Selects Bank (bits 2-0 of the bank-select register, its other bits kept)
// and reads register Index of it.
UINT8 MonitorRegisterRead(UINT8 Bank, UINT8 Index);

// The value a reading shows, from its first and second register bytes (the
// second is ignored by single-register rules); 0 means there is no reading.
UINT64 MonitorValue(MonitorRule Rule, UINT64 First, UINT64 Second);

// ": N/A" and five blanks for a value of 0, else prefix, digits and suffix
// of the kind, e.g. ": +1.200 V", ": +35 C", ": 1200 RPM".
void ComposeMonitorText(UINT64 Value, MonitorKind Kind, CHAR16 (&Text)[kMonitorTextSize]);
