#include "filesys/posix/block_type.h"

#include <memory>

#include <blkid/blkid.h>

namespace qv {

std::string BlockDeviceType(const std::string& device) {
  struct Free {
    void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
  };
  const std::unique_ptr<blkid_struct_probe, Free> probe(
      blkid_new_probe_from_filename(device.c_str()));
  if (probe == nullptr) return "";
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_TYPE);
  const char* type = nullptr;
  // 0: found; 1: nothing known there; negative: an error or an ambiguous result.
  if (blkid_do_safeprobe(probe.get()) != 0 ||
      blkid_probe_lookup_value(probe.get(), "TYPE", &type, nullptr) != 0 || type == nullptr) {
    return "";
  }
  return type;
}

}  // namespace qv
