#include "platform/path_rules.h"

#include <gtest/gtest.h>

namespace vr::platform {
namespace {

class PathRulesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetPathCaseRule(saved_); }
  CaseRule saved_ = PathCaseRule();
};

TEST_F(PathRulesTest, ExactRuleKeepsCase) {
  SetPathCaseRule(CaseRule::kExact);
  EXPECT_EQ(PathKey("/home/u/Photo.jpg"), "/home/u/Photo.jpg");
  EXPECT_FALSE(SamePath("/a/B.jpg", "/a/b.jpg"));
  EXPECT_EQ(ShownPath("/a/B.jpg"), "/a/B.jpg");
}

TEST_F(PathRulesTest, FoldingRuleUpperCasesAsciiOnlyAndShowsTitleCase) {
  SetPathCaseRule(CaseRule::kFoldAscii);
  EXPECT_EQ(PathKey("c:\\pics\\photo\xc3\xa9.jpg"), "C:\\PICS\\PHOTO\xc3\xa9.JPG");
  EXPECT_TRUE(SamePath("/a/B.jpg", "/A/b.JPG"));
  EXPECT_EQ(ShownPath("C:\\MY PICS\\CAT2DOG.JPG"), "C:\\My Pics\\Cat2dog.Jpg");
}

TEST_F(PathRulesTest, TrailingSeparatorIsExactlyOne) {
  EXPECT_EQ(WithTrailingSeparator("/tmp"), "/tmp/");
  EXPECT_EQ(WithTrailingSeparator("/tmp//"), "/tmp/");
  EXPECT_EQ(WithTrailingSeparator("/"), "/");
  EXPECT_EQ(WithTrailingSeparator(""), "/");
}

}  // namespace
}  // namespace vr::platform
