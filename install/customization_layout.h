// Layout of the customization block: the product-specific values built into the library and
// rewritten in the built file by the customize tool. One table, used to build the block and to
// check a block found in a file.
//
// The block is 672 bytes: a start marker, a record count, 15 labelled records and an end marker,
// each record starting at a multiple of 4 bytes from the block's start. A labelled record is
//   ' ' label ' ' length(4 bytes, little-endian) ' ' type(1 byte) ' ' value(length bytes) NUL
// followed by zero bytes up to the next multiple of 4. A text value is the text, a NUL and blanks
// to the width (trailing blanks are not part of it); a number is 16 bits, little-endian.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Record indices; the labelled records are named by their labels.
enum class CustomRecord : int {
  InstallationAppTitle = 2,
  DummyValue,
  LongCardLabel,
  ShortManufacturerLabel,
  LongManufacturerLabel,
  Driver1ImageName,
  Driver2ImageName,
  ModemInfTarget,
  ConfigDllTargetName,
  DeviceID,
  VendorID,
  SubSystemID,
  SubVendorID,
  ModemName,
  DefaultPath,
};

constexpr int kCustomRecordCount = 18;    // markers, count and labelled records
constexpr int kCustomLabelledCount = 15;  // records 2 to 16
constexpr int kFirstLabelledRecord = 2;
constexpr size_t kCustomBlockSize = 672;

// Inline, so that only a use emits them: a plain constant array would be emitted into every
// object of unoptimised or instrumented builds, and the library file must hold exactly one start
// marker, the block's own.
inline constexpr char kCustomStartMarker[] = "AAAAAA Start Data";  // record 0, then two zero bytes
inline constexpr char kCustomEndMarker[] = "zzzzzz End Data";      // record 17
constexpr size_t kCustomStartRecordSize = 20;
constexpr size_t kCustomCountRecordSize = 8;
constexpr size_t kCustomEndRecordSize = sizeof(kCustomEndMarker);

enum CustomValueType : uint8_t { kCustomText = 0, kCustomNumber = 1 };

struct CustomRecordLayout {
  const char* label;
  uint32_t length;  // width of the value field in bytes
  CustomValueType type;
  const char* text;  // built-in text value
  uint16_t number;   // built-in number value
  size_t start;      // byte offset of the record from the block's start
};

// The labelled records in index order, 2 to 16. SubVendorID is a placeholder that belongs to no
// maker: each board maker patches in its own PCI subsystem vendor identifier.
constexpr CustomRecordLayout kCustomRecords[kCustomLabelledCount] = {
    {"InstallationAppTitle", 21, kCustomText, "Kelo MQX/56", 0, 28},
    {"DummyValue", 13, kCustomText, "kmdm", 0, 80},
    {"LongCardLabel", 31, kCustomText, "Kelo MQX/56", 0, 116},
    {"ShortManufacturerLabel", 33, kCustomText, "Ombrel", 0, 172},
    {"LongManufacturerLabel", 51, kCustomText, "Ombrel", 0, 240},
    {"Driver1ImageName", 8, kCustomText, "kmdmA", 0, 324},
    {"Driver2ImageName", 8, kCustomText, "kmdm", 0, 360},
    {"ModemInfTarget", 12, kCustomText, "mdmobra.inf", 0, 396},
    {"ConfigDllTargetName", 12, kCustomText, "obrcnfg.dll", 0, 432},
    {"DeviceID", 2, kCustomNumber, nullptr, 0x9050, 476},
    {"VendorID", 2, kCustomNumber, nullptr, 0x10B5, 496},
    {"SubSystemID", 2, kCustomNumber, nullptr, 0x5000, 516},
    {"SubVendorID", 2, kCustomNumber, nullptr, 0xFFFE, 540},
    {"ModemName", 21, kCustomText, "Kelo MQX 56", 0, 564},
    {"DefaultPath", 28, kCustomText, "Kelo MQX 56", 0, 604},
};
constexpr size_t kCustomEndStart = 656;

constexpr size_t CustomLabelLength(const char* label) {
  size_t length = 0;
  while (label[length] != '\0') ++length;
  return length;
}

// Bytes a labelled record occupies, before the padding to 4.
constexpr size_t CustomRecordSize(const CustomRecordLayout& record) {
  return CustomLabelLength(record.label) + record.length + 10;
}

// Offset of the value field inside a labelled record: blank, label, blank, length, blank, type,
// blank.
constexpr size_t CustomValueOffset(const CustomRecordLayout& record) {
  return CustomLabelLength(record.label) + 9;
}

constexpr size_t CustomAlign4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// The record starts above follow from the widths; the build fails if one is edited alone.
constexpr bool CustomStartsConsistent() {
  size_t offset = kCustomStartRecordSize + kCustomCountRecordSize;
  for (const CustomRecordLayout& record : kCustomRecords) {
    if (record.start != offset) return false;
    offset = CustomAlign4(offset + CustomRecordSize(record));
  }
  return offset == kCustomEndStart && kCustomEndStart + kCustomEndRecordSize == kCustomBlockSize;
}
static_assert(CustomStartsConsistent(), "customization record starts");

constexpr const CustomRecordLayout& CustomLayoutOf(CustomRecord record) {
  return kCustomRecords[static_cast<int>(record) - kFirstLabelledRecord];
}
