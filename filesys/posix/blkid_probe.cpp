#include "filesys/posix/blkid_probe.h"

#include <memory>

#include <blkid/blkid.h>

namespace qv {

namespace {

std::string Value(blkid_probe probe, const char* name) {
  const char* data = nullptr;
  size_t size = 0;
  if (blkid_probe_lookup_value(probe, name, &data, &size) != 0 || data == nullptr) return "";
  // The size counts the terminating NUL.
  return std::string(data, size > 0 ? size - 1 : 0);
}

}  // namespace

bool ProbeFileSystem(const std::string& device, TBlockProbe* found) {
  struct Free {
    void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
  };
  const std::unique_ptr<blkid_struct_probe, Free> probe(
      blkid_new_probe_from_filename(device.c_str()));
  if (probe == nullptr) return false;
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_UUID | BLKID_SUBLKS_LABEL);
  // 0: found; 1: nothing known there; negative: an error or an ambiguous result.
  if (blkid_do_safeprobe(probe.get()) != 0) return false;
  found->type = Value(probe.get(), "TYPE");
  found->uuid = Value(probe.get(), "UUID");
  found->label = Value(probe.get(), "LABEL");
  return true;
}

}  // namespace qv
