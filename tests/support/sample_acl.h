#ifndef QUORVANE_TESTS_SUPPORT_SAMPLE_ACL_H_
#define QUORVANE_TESTS_SUPPORT_SAMPLE_ACL_H_

#include <cstdint>
#include <string>

namespace qv::testing {

inline constexpr char kAclAccessName[] = "system.posix_acl_access";

// user::rw- user:1234:r-- group::r-- mask::r-- other::--- as the kernel
// keeps it in kAclAccessName: version 2, then little-endian (tag,
// permissions, id).
inline std::string SampleAcl() {
  std::string acl = {2, 0, 0, 0};
  for (const uint16_t half : {1,    6, 0xFFFF, 0xFFFF, 2,    4, 1234,   0,     4, 4, 0xFFFF, 0xFFFF,
                              0x10, 4, 0xFFFF, 0xFFFF, 0x20, 0, 0xFFFF, 0xFFFF}) {
    acl += {static_cast<char>(half & 0xFF), static_cast<char>(half >> 8)};
  }
  return acl;
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_SAMPLE_ACL_H_
