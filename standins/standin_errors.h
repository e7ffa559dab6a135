// The Sync Manager stand-in's own result codes, for failures the platform
// library reports with codes of its own class (0x4000) that the conduit
// never tells apart: it passes every code on untouched.
#pragma once

#include <cstdint>

namespace oq::standin {

constexpr int32_t kErrUnknown = 0x4001;          // anything not named below
constexpr int32_t kErrFileNotOpen = 0x4004;      // the handle names no open database
constexpr int32_t kErrFileAlreadyOpen = 0x4005;  // the database is open already
constexpr int32_t kErrReadOnly = 0x4006;         // a write to a database opened without kOpenWrite
constexpr int32_t kErrBadArgument = 0x4007;      // a null block or buffer, a resource database, a bad size
constexpr int32_t kErrTooManyOpen = 0x4008;      // no handle left
constexpr int32_t kErrDamagedDatabase = 0x4009;  // a file that is not a well-formed Palm database
constexpr int32_t kErrStorage = 0x400A;          // the image's files could not be read or written
constexpr int32_t kErrNotRegistered = 0x400B;    // unregistering a handle that was not registered
constexpr int32_t kErrLinkLost = 0x400C;         // the live handheld hung up, fell silent or sent garbage
constexpr int32_t kErrCancelled = 0x400D;        // the desktop was told to stop the HotSync
// A live handheld's own error code with no code of the library's to pair
// with: this base plus the handheld's code.
constexpr int32_t kErrDeviceBase = 0x4100;

}  // namespace oq::standin
