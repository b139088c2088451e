#pragma once
// Room held on a disk for the few writes that must still succeed when the
// disk is full: a file without a name, which goes with its descriptor.
#include <cstdint>
#include <string>

class DiskReserve {
 public:
  DiskReserve() = default;
  ~DiskReserve() { Release(); }
  DiskReserve(const DiskReserve&) = delete;
  DiskReserve& operator=(const DiskReserve&) = delete;

  // Holds bytes on the disk of folder in place of what was held; false when
  // they are not free there.
  bool Hold(const std::string& folder, uint64_t bytes);
  // Gives the room back to the disk.
  void Release();
  bool IsHeld() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};
