#include "core/wording/skip_reasons.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

constexpr std::string_view kPage = "C:\\site\\a.htm";

TEST(SkipReasonsTest, BackupReasonsNameTheBackup) {
  const std::string backup = platform::displayPath("C:\\site\\a.htm.bak");
  EXPECT_EQ(skipReasonText(SkipReason::BackupExists, 0, kPage, ""), "its backup \"" + backup + "\" exists");
  EXPECT_EQ(skipReasonText(SkipReason::BackupNameTaken, 0, kPage, ""),
            "\"" + backup + "\", which is not a file, takes its backup name");
}

TEST(SkipReasonsTest, AWriteFailureSaysTheHostsReason) {
  EXPECT_EQ(skipReasonText(SkipReason::WriteFailed, EACCES, kPage, ""),
            "it could not be written (" + platform::errorText(EACCES) + ")");
}

TEST(SkipReasonsTest, AChangedFileSaysWhatToDoAgain) {
  EXPECT_EQ(skipReasonText(SkipReason::ChangedSinceSearch, 0, kPage, "search again"),
            "it changed after it was searched (edited, replaced or removed): search again to repair it as it is now");
}

TEST(SkipReasonsTest, AFileTheSearchLeftUnreadSaysWhy) {
  EXPECT_EQ(skipReasonText(SkipReason::NotSearchedTooLarge, 0, kPage, ""),
            "it was not searched, as it is larger than 256 MiB");
  EXPECT_EQ(skipReasonText(SkipReason::NotSearchedNotRegular, 0, kPage, ""),
            "it was not searched, as it was not a regular file (a named pipe, socket or device)");
}

TEST(SkipReasonsTest, EveryReasonHasWords) {
  for (const SkipReason reason :
       {SkipReason::ChangedSinceSearch, SkipReason::IsLink, SkipReason::OutsideFolders, SkipReason::BackupExists,
        SkipReason::BackupNameTaken, SkipReason::ReadOnly, SkipReason::FolderNotWritable, SkipReason::WriteFailed,
        SkipReason::NotSearchedTooLarge, SkipReason::NotSearchedNotRegular}) {
    EXPECT_FALSE(skipReasonText(reason, EIO, kPage, "").empty()) << static_cast<int>(reason);
  }
}

}  // namespace
}  // namespace quillorn
