// The Sync Manager: every handheld access of the conduit.
//
// Declared as the C functions the HotSync Manager's Sync Manager library
// exports (cdecl, results 32-bit signed: the Windows ABI's `long`). The
// parameter blocks are byte-packed exactly as the library lays them out; a
// buffer address inside a block is pointer-wide, which is 4 bytes on the
// platform the layouts come from, so each size is asserted as
// "documented size - 4 + sizeof(void*)".
//
// Ownership: every block and buffer belongs to the caller and is only read
// or filled during the call. Every call blocks until the handheld answered.
// A result of 0 is success; failures are the library's codes (class 0x4000),
// which callers pass on untouched.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::sync {

// Result codes: success, and the platform's "not found" (of a database, a
// record or a preference). Other failures carry the library's own codes of
// class 0x4000, which callers pass on untouched.
constexpr int32_t kOk = 0;
constexpr int32_t kErrNotFound = 0x4003;

// Open modes of SyncOpenDB.
constexpr uint8_t kOpenRead = 0x80;
constexpr uint8_t kOpenWrite = 0x40;
constexpr uint8_t kOpenExclusive = 0x20;
constexpr uint8_t kOpenShowSecret = 0x10;

// Option flag of DbInfoRequest under which the record count is returned.
constexpr uint8_t kDbInfoWantCount = 0x40;

}  // namespace oq::sync

#pragma pack(push, 1)

// Read or written record. Offsets: 0 handle, 1 unique id, 5 index,
// 7 attributes, 8 category, 10 conduit id, 14 record size, 18 buffer size,
// 20 buffer address, then a reserved 32-bit field.
//
// SyncReadRecordByIndex reads the handle, index, buffer size and buffer,
// and fills the unique id, attributes, category, record size (the whole
// record's, which may exceed the buffer) and at most buffer-size bytes.
// SyncWriteRec reads the handle, unique id, attributes, category, record
// size and buffer; it finds the record by unique id (0 adds a new record
// and fills in its id) and ignores the index.
struct RawRecordDescriptor {
  uint8_t dbHandle;
  uint32_t recordId;
  uint16_t recordIndex;
  uint8_t attributes;
  int16_t category;
  int32_t conduitId;
  uint32_t recordSize;
  uint16_t bufferSize;
  uint8_t* buffer;
  uint32_t reserved;
};
inline constexpr size_t kRawRecordDescriptorSize = 28;
static_assert(sizeof(RawRecordDescriptor) == kRawRecordDescriptorSize - 4 + sizeof(void*));
static_assert(offsetof(RawRecordDescriptor, recordIndex) == 5);
static_assert(offsetof(RawRecordDescriptor, recordSize) == 14);
static_assert(offsetof(RawRecordDescriptor, bufferSize) == 18);
static_assert(offsetof(RawRecordDescriptor, buffer) == 20);

// Application preference request. Offsets: 0 version (in and out),
// 2 creator, 6 preference id, 8 bytes requested, 10 bytes returned,
// 12 stored size, 14 backed-up flag, 18 buffer size, 22 buffer address,
// then a reserved 32-bit field.
//
// SyncReadAppPreference reads the creator, preference id, backed-up flag,
// bytes requested, buffer size and buffer, and fills the version, the
// stored size and the bytes returned (at most requested and buffer size).
// SyncWriteAppPreference reads the version, creator, preference id,
// backed-up flag, buffer size (the bytes to store) and buffer.
struct PreferenceParameterBlock {
  uint16_t version;
  uint32_t creator;
  uint16_t preferenceId;
  uint16_t requestedBytes;
  uint16_t returnedBytes;
  uint16_t storedSize;
  uint32_t backedUp;
  uint32_t bufferSize;
  uint8_t* buffer;
  uint32_t reserved;
};
inline constexpr size_t kPreferenceParameterBlockSize = 30;
static_assert(sizeof(PreferenceParameterBlock) == kPreferenceParameterBlockSize - 4 + sizeof(void*));
static_assert(offsetof(PreferenceParameterBlock, creator) == 2);
static_assert(offsetof(PreferenceParameterBlock, backedUp) == 14);
static_assert(offsetof(PreferenceParameterBlock, bufferSize) == 18);
static_assert(offsetof(PreferenceParameterBlock, buffer) == 22);

// SyncReadOpenDbInfo reads the handle and the option flags, and fills the
// list entry and, under kDbInfoWantCount, the record count.
struct DbInfoRequest {
  uint8_t optionFlags;
  uint8_t dbHandle;
};
static_assert(sizeof(DbInfoRequest) == 2);

// One entry of the handheld's database list, 78 bytes.
struct DatabaseListEntry {
  int32_t cardNumber;
  uint16_t flags;
  uint32_t type;
  char name[32];
  uint32_t creator;
  uint16_t version;
  uint32_t modificationNumber;
  uint16_t index;
  int32_t creationDate;
  int32_t modificationDate;
  int32_t backupDate;
  int32_t miscFlags;
  int32_t recordCount;
  int32_t reserved;
};
static_assert(sizeof(DatabaseListEntry) == 78);

// What SyncReadOpenDbInfo fills in. Only the record count at byte 78 is
// relied on; the reserved tail leaves room for fields a library version adds.
struct DbInfoBlock {
  DatabaseListEntry listEntry;
  uint32_t recordCount;
  uint32_t totalBytes;
  uint32_t dataBytes;
  uint32_t appInfoSize;
  uint32_t sortInfoSize;
  uint32_t maxRecordSize;
  uint8_t reserved[64];
};
static_assert(offsetof(DbInfoBlock, recordCount) == 78);

#pragma pack(pop)

extern "C" {
int32_t SyncRegisterConduit(uint32_t* conduitHandle);   // ordinal 22
int32_t SyncUnRegisterConduit(uint32_t conduitHandle);  // ordinal 23
int32_t SyncGetAPIVersion(uint32_t* major, uint32_t* minor);
int32_t SyncOpenDB(const char* name, int32_t cardNumber, uint8_t* dbHandle,
                   uint8_t openMode);   // ordinal 26
int32_t SyncCloseDB(uint8_t dbHandle);  // ordinal 28
int32_t SyncReadOpenDbInfo(DbInfoRequest* request, DbInfoBlock* info);
int32_t SyncReadRecordByIndex(RawRecordDescriptor* record);  // ordinal 36
int32_t SyncWriteRec(RawRecordDescriptor* record);           // ordinal 32
int32_t SyncReadAppPreference(PreferenceParameterBlock* preference);
int32_t SyncWriteAppPreference(PreferenceParameterBlock* preference);
int32_t SyncYieldCycles(uint16_t maxMilliseconds);
int32_t SyncAddLogEntry(const char* text);  // ordinal 42
}
