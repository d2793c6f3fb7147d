#include "ui/logic/handover.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(HandoverTest, OnlyTheTwoWholeMessagesAreAcceptedAndTheirStartsWaitForMore) {
  const struct {
    std::string_view received;
    THandoverMessage expected;
  } cases[] = {
      {"1481 0\n", THandoverMessage::kAnnounce},
      {"1481 1\n", THandoverMessage::kAnswer},
      {"", THandoverMessage::kIncomplete},
      {"14", THandoverMessage::kIncomplete},
      {"1481 ", THandoverMessage::kIncomplete},
      {"1481 0", THandoverMessage::kIncomplete},
      {"1481 2\n", THandoverMessage::kInvalid},
      {"1481 0\nx", THandoverMessage::kInvalid},
      {"1481 0 /START\n", THandoverMessage::kInvalid},
      {"GET / HTTP/1.1\r\n", THandoverMessage::kInvalid},
      {std::string_view("1481\0 0\n", 8), THandoverMessage::kInvalid},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseHandover(c.received), c.expected) << '"' << c.received << '"';
}

TEST(HandoverTest, TheKeyIsStableShortAndDiffersPerSettingsFile) {
  const std::string key = HandoverKey("/home/u/.config/quorvane/settings.db");
  EXPECT_EQ(key, HandoverKey("/home/u/.config/quorvane/settings.db"));
  EXPECT_EQ(key.rfind("quorvane-", 0), 0u);
  EXPECT_EQ(key.size(), 9u + 16u);
  EXPECT_NE(key, HandoverKey("/home/u/.config/quorvane/settings.db2"));
  EXPECT_NE(key, HandoverKey("/home/v/.config/quorvane/settings.db"));
  // FNV-1a of nothing is its offset basis: no seed that changes per run.
  EXPECT_EQ(HandoverKey(""), "quorvane-cbf29ce484222325");
}

}  // namespace
}  // namespace qv
