#pragma once

#include <cstdint>

namespace ctrlprog {

// Whoever reads the record once its rows are safe (the line database's forwarder): told how far
// the record is on the disk after each batch the writer flushed.
class StoredRowsListener {
 public:
  virtual ~StoredRowsListener() = default;
  // The record's rows up to `recordSize` bytes are on the disk. Called on the writer's thread.
  virtual void StoredUpTo(uint64_t recordSize) = 0;
};

}  // namespace ctrlprog
